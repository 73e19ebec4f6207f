#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "http/UrlChecker.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/RequestBytes.h"
#include "tests/support/TestCertificate.h"

namespace larkspire {
namespace {

using test::LoopbackServer;
using test::Response;
using test::ServerSecurity;

const std::string Ok = Response("HTTP/1.1 200 OK", "", "secret");

enum class Host { Address, Name };  // the server's 127.0.0.1, or "localhost" for the same server

struct CertificateCase {
    const char* Name;
    ServerSecurity Server;
    Host UrlHost;
    CertificateCheck Check;
    std::u16string Status;
    std::u16string ReasonPart;  // empty: the reason is not looked at
};

void PrintTo(const CertificateCase& param, std::ostream* out) { *out << param.Name; }

std::u16string UrlFor(const LoopbackServer& server, Host host)
{
    std::u16string url = server.Url(u"/p");
    if (host == Host::Name) url.replace(url.find(u"127.0.0.1"), 9, u"localhost");
    return url;
}

// The trust store is the test authority alone, through the variable OpenSSL's default paths read; it is set
// before any verifying connection of this program, as the store is read once per process.
class UrlCheckerCertificateTest : public testing::TestWithParam<CertificateCase> {
protected:
    static void SetUpTestSuite()
    {
        const std::filesystem::path file =
            std::filesystem::temp_directory_path() / ("larkspire-test-authority-" + std::to_string(getpid()) + ".pem");
        std::ofstream(file) << test::TestAuthorityPem();
        authorityFile_ = file;
        setenv("SSL_CERT_FILE", file.c_str(), 1);
    }
    static void TearDownTestSuite() { std::filesystem::remove(authorityFile_); }

    static inline std::filesystem::path authorityFile_;
};

TEST_P(UrlCheckerCertificateTest, VerificationAcceptsOnlyATrustedCertificateForTheHost)
{
    const CertificateCase& param = GetParam();
    LoopbackServer server({{Ok}}, param.Server);
    UrlChecker checker(5, false);
    checker.SetCertificateCheck(param.Check);
    const std::atomic<bool> noAbort = false;
    const CheckOutcome outcome = checker.Check(UrlFor(server, param.UrlHost), &noAbort);
    const std::u16string shown = ShownReason(outcome);
    EXPECT_EQ(outcome.status, param.Status) << std::string(shown.begin(), shown.end());
    EXPECT_NE(shown.find(param.ReasonPart), std::u16string::npos) << std::string(shown.begin(), shown.end());
    // A failed verification ends the handshake: no request is ever sent.
    EXPECT_EQ(server.Requests().size(), param.Status == u"Completed" ? 1U : 0U);
}

INSTANTIATE_TEST_SUITE_P(
    Certificates, UrlCheckerCertificateTest,
    testing::Values(CertificateCase{"UncheckedSelfSignedIsTaken", ServerSecurity::Tls12Only, Host::Address,
                                    CertificateCheck::None, u"Completed", u"in "},
                    CertificateCase{"UncheckedHostMismatchIsTaken", ServerSecurity::Tls13SignedByTestAuthority,
                                    Host::Name, CertificateCheck::None, u"Completed", u"in "},
                    CertificateCase{"VerifiedSelfSignedIsAborted", ServerSecurity::Tls12Only, Host::Address,
                                    CertificateCheck::Verified, u"Aborted",
                                    u"TLS handshake failed: certificate verify failed (self-signed certificate)"},
                    CertificateCase{"VerifiedTrustedAuthorityIsTaken", ServerSecurity::Tls13SignedByTestAuthority,
                                    Host::Address, CertificateCheck::Verified, u"Completed", u"in "},
                    CertificateCase{"VerifiedOtherHostNameIsAborted", ServerSecurity::Tls13SignedByTestAuthority,
                                    Host::Name, CertificateCheck::Verified, u"Aborted",
                                    u"TLS handshake failed: certificate verify failed (hostname mismatch)"}),
    [](const testing::TestParamInfo<CertificateCase>& info) { return std::string(info.param.Name); });

// The programs' two row checkers differ only in the setting.
TEST_F(UrlCheckerCertificateTest, RowCheckersVerifyOnlyWhenAsked)
{
    LoopbackServer server({{Ok}, {Ok}}, ServerSecurity::Tls12Only);
    const std::atomic<bool> noAbort = false;
    EXPECT_EQ(CheckUrlStatus(server.Url(u"/p"), 5, noAbort).status, u"Completed");
    EXPECT_EQ(CheckUrlStatusVerifyingTls(server.Url(u"/p"), 5, noAbort).status, u"Aborted");
}

}  // namespace
}  // namespace larkspire
