#include <gtest/gtest.h>

#include "http/UrlChecker.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/RequestBytes.h"
#include "tests/support/Stopwatch.h"

namespace larkspire {
namespace {

using test::ExpectedGet;
using test::LoopbackServer;
using test::Reply;
using test::Response;
using test::ServerSecurity;

const std::string Ok = Response("HTTP/1.1 200 OK", "", "secret");

std::u16string WithScheme(const std::u16string& url, const std::u16string& scheme) {
    return scheme + url.substr(url.find(u"://"));
}

struct SchemeCase {
    const char* Name;
    std::u16string Scheme;
    ServerSecurity Server;
    std::u16string Status;
};

void PrintTo(const SchemeCase& param, std::ostream* out) { *out << param.Name; }

class UrlCheckerTlsTest : public testing::TestWithParam<SchemeCase> {};

// "https://" exactly gets a TLS 1.2 layer; any other spelling leaves TLS to the transport's own TLS 1.0 layer.
TEST_P(UrlCheckerTlsTest, SchemeSpellingChoosesTheTlsVersion) {
    const SchemeCase& param = GetParam();
    LoopbackServer server({{Ok}}, param.Server);
    UrlChecker util(5, false);
    std::u16string status;
    std::u16string content;
    util.GetPage(WithScheme(server.Url(u"/p"), param.Scheme), status, content);
    EXPECT_EQ(status, param.Status);
    if (param.Status == u"Completed") {
        EXPECT_EQ(content, u"secret");
        EXPECT_EQ(server.ServerNames(), std::vector<std::string>{"127.0.0.1"});
    } else {
        EXPECT_TRUE(server.Requests().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Schemes, UrlCheckerTlsTest,
    testing::Values(SchemeCase{"LowerCaseOnTls12", u"https", ServerSecurity::Tls12Only, u"Completed"},
                    SchemeCase{"LowerCaseOnTls10", u"https", ServerSecurity::Tls10Only, u"Aborted"},
                    SchemeCase{"LowerCaseOnTls10Ecdhe", u"https", ServerSecurity::Tls10Ecdhe, u"Aborted"},
                    SchemeCase{"CapitalsOnTls12", u"HTTPS", ServerSecurity::Tls12Only, u"Aborted"},
                    SchemeCase{"CapitalsOnTls10", u"HTTPS", ServerSecurity::Tls10Only, u"Completed"},
                    SchemeCase{"CapitalsOnTls10Ecdhe", u"HTTPS", ServerSecurity::Tls10Ecdhe, u"Completed"},
                    SchemeCase{"MixedCaseOnTls10Ecdhe", u"Https", ServerSecurity::Tls10Ecdhe, u"Completed"}),
    [](const testing::TestParamInfo<SchemeCase>& info) { return std::string(info.param.Name); });

std::string LocationOf(const LoopbackServer& server, const std::u16string& path) {
    const std::u16string url = server.Url(path);
    return "Location: " + std::string(url.begin(), url.end()) + "\r\n";
}

TEST(UrlCheckerSchemeChangeTest, HttpRedirectedToHttpsIsAborted) {
    LoopbackServer secure({{Ok}}, ServerSecurity::Tls12Only);
    LoopbackServer plain({{Response("HTTP/1.1 301 Moved", LocationOf(secure, u"/secure"), "")}});
    std::u16string status;
    UrlChecker(5, false).GetPage(plain.Url(u"/"), status);
    EXPECT_EQ(status, u"Aborted");
    EXPECT_EQ(secure.ConnectionCount(), 0u);
}

TEST(UrlCheckerSchemeChangeTest, HttpsRedirectedToHttpIsRequestedUnencrypted) {
    LoopbackServer plain({{Ok}});
    LoopbackServer secure({{Response("HTTP/1.1 302 Found", LocationOf(plain, u"/plain"), "")}}, ServerSecurity::Tls12Only);
    std::u16string status;
    std::u16string content;
    UrlChecker(5, false).GetPage(secure.Url(u"/"), status, content);
    EXPECT_EQ(status, u"Completed");
    EXPECT_EQ(content, u"secret");
    EXPECT_EQ(plain.Requests().at(0).Bytes, ExpectedGet("/plain", "127.0.0.1:" + std::to_string(plain.Port())));
}

TEST(UrlCheckerSchemeChangeTest, StalledHandshakeIsAbortedAfterTheReadTimeout) {
    LoopbackServer silent({{Reply::NeverAnswer()}});
    test::Stopwatch stopwatch;
    std::u16string status;
    UrlChecker(1, false).GetPage(WithScheme(silent.Url(u"/"), u"https"), status);
    EXPECT_EQ(status, u"Aborted");
    EXPECT_GE(stopwatch.ElapsedMs(), 990);
    EXPECT_LE(stopwatch.ElapsedMs(), 1000 + test::SchedulingMarginMs);
}

}  // namespace
}  // namespace larkspire
