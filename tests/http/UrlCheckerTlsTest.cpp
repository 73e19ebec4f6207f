#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "http/UrlChecker.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/RequestBytes.h"
#include "tests/support/TestCheckClock.h"

namespace larkspire {
namespace {

using test::ExpectedGet;
using test::LoopbackServer;
using test::Reply;
using test::Response;
using test::ServerSecurity;

const std::string Ok = Response("HTTP/1.1 200 OK", "", "secret");

std::u16string WithScheme(const std::u16string& url, const std::u16string& scheme)
{
    return scheme + url.substr(url.find(u"://"));
}

struct SchemeCase {
    const char* Name;
    std::u16string Scheme;
    ServerSecurity Server;
};

void PrintTo(const SchemeCase& param, std::ostream* out) { *out << param.Name; }

class UrlCheckerTlsTest : public testing::TestWithParam<SchemeCase> {};

// The scheme is https in any spelling, and TLS takes whichever version from 1.0 to 1.3 the server offers.
TEST_P(UrlCheckerTlsTest, EverySpellingReachesEveryVersion)
{
    const SchemeCase& param = GetParam();
    LoopbackServer server({{Ok}}, param.Server);
    UrlChecker util(5, false);
    std::u16string status;
    std::u16string content;
    util.GetPage(WithScheme(server.Url(u"/p"), param.Scheme), status, content);
    EXPECT_EQ(status, u"Completed");
    EXPECT_EQ(content, u"secret");
    EXPECT_EQ(server.ServerNames(), std::vector<std::string>{"127.0.0.1"});
}

INSTANTIATE_TEST_SUITE_P(Schemes, UrlCheckerTlsTest,
                         testing::Values(SchemeCase{"LowerCaseOnTls13", u"https", ServerSecurity::Tls13Only},
                                         SchemeCase{"LowerCaseOnTls12", u"https", ServerSecurity::Tls12Only},
                                         SchemeCase{"LowerCaseOnTls10", u"https", ServerSecurity::Tls10Only},
                                         SchemeCase{"LowerCaseOnTls10Ecdhe", u"https", ServerSecurity::Tls10Ecdhe},
                                         SchemeCase{"CapitalsOnTls13", u"HTTPS", ServerSecurity::Tls13Only},
                                         SchemeCase{"CapitalsOnTls12", u"HTTPS", ServerSecurity::Tls12Only},
                                         SchemeCase{"MixedCaseOnTls10", u"Https", ServerSecurity::Tls10Only}),
                         [](const testing::TestParamInfo<SchemeCase>& info) { return std::string(info.param.Name); });

std::string LocationOf(const LoopbackServer& server, const std::u16string& path)
{
    const std::u16string url = server.Url(path);
    return "Location: " + std::string(url.begin(), url.end()) + "\r\n";
}

// Most services upgrade http to https: the redirect gets a TLS connection of its own.
TEST(UrlCheckerSchemeChangeTest, HttpRedirectedToHttpsIsFollowedOverTls)
{
    LoopbackServer secure({{Ok}}, ServerSecurity::Tls13Only);
    LoopbackServer plain({{Response("HTTP/1.1 301 Moved", LocationOf(secure, u"/secure"), "")}});
    std::u16string status;
    std::u16string content;
    UrlChecker(5, false).GetPage(plain.Url(u"/"), status, content);
    EXPECT_EQ(status, u"Completed");
    EXPECT_EQ(content, u"secret");
    EXPECT_EQ(secure.Requests().at(0).Bytes, ExpectedGet("/secure", "127.0.0.1:" + std::to_string(secure.Port())));
}

TEST(UrlCheckerSchemeChangeTest, HttpsRedirectedToHttpIsRequestedUnencrypted)
{
    LoopbackServer plain({{Ok}});
    LoopbackServer secure({{Response("HTTP/1.1 302 Found", LocationOf(plain, u"/plain"), "")}},
                          ServerSecurity::Tls12Only);
    std::u16string status;
    std::u16string content;
    UrlChecker(5, false).GetPage(secure.Url(u"/"), status, content);
    EXPECT_EQ(status, u"Completed");
    EXPECT_EQ(content, u"secret");
    EXPECT_EQ(plain.Requests().at(0).Bytes, ExpectedGet("/plain", "127.0.0.1:" + std::to_string(plain.Port())));
}

// The handshake's wait is measured on the check's clock, which moves only when the test moves it.
TEST(UrlCheckerSchemeChangeTest, StalledHandshakeTimesOutAfterTheReadTimeout)
{
    LoopbackServer silent({{Reply::NeverAnswer()}});
    const std::atomic<bool> noAbort{false};
    test::TestCheckClock clock;
    UrlChecker checker(1, false);
    checker.SetClock(&clock);
    CheckOutcome outcome;
    test::ClockedWait check(clock, [&] { outcome = checker.Check(WithScheme(silent.Url(u"/"), u"https"), &noAbort); });
    // Past its limits, the connect and the hello: a dozen looks, each wait looking every 100 ms for an Abort.
    ASSERT_TRUE(check.LetItLook(30));
    EXPECT_TRUE(check.EndsAt(std::chrono::seconds(1)));
    EXPECT_EQ(outcome.status, u"Timeout");
}

}  // namespace
}  // namespace larkspire
