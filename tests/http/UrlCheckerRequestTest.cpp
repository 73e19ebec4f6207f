#include <gtest/gtest.h>

#include "http/UrlChecker.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/RequestBytes.h"

namespace larkspire {
namespace {

using test::ConnectionScript;
using test::ExpectedGet;
using test::LoopbackServer;
using test::Reply;
using test::Response;

const std::string Ok = Response("HTTP/1.1 200 OK", "", "ok");

std::string HostOf(const LoopbackServer& server) { return "127.0.0.1:" + std::to_string(server.Port()); }

std::u16string Check(const std::u16string& url)
{
    std::u16string status;
    UrlChecker(5, false).GetPage(url, status);
    return status;
}

struct TargetCase {
    const char* Name;
    std::u16string UrlTail;  // what follows "http://127.0.0.1:PORT"
    std::string Target;      // the request target sent
};

void PrintTo(const TargetCase& param, std::ostream* out) { *out << param.Name; }

class RequestTargetTest : public testing::TestWithParam<TargetCase> {};

TEST_P(RequestTargetTest, SendsExactlyRequestLineHostAndAccept)
{
    LoopbackServer server({{Ok}});
    EXPECT_EQ(Check(server.Url(GetParam().UrlTail)), u"Completed");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].Bytes, ExpectedGet(GetParam().Target, HostOf(server)));
}

INSTANTIATE_TEST_SUITE_P(
    Urls, RequestTargetTest,
    testing::Values(TargetCase{"NoPath", u"", "/"}, TargetCase{"Root", u"/", "/"},
                    TargetCase{"FragmentLeftOut", u"/a/b.html?x=1&y=2#fragment", "/a/b.html?x=1&y=2"},
                    TargetCase{"QueryWithoutPath", u"?q=1", "/?q=1"},
                    TargetCase{"NonAsciiAndSpacePercentEncoded", u"/a b/caf\u00e9", "/a%20b/caf%C3%A9"},
                    TargetCase{"BackslashesInPath", u"\\dir\\page?a\\b", "/dir/page?a\\b"}),
    [](const testing::TestParamInfo<TargetCase>& info) { return std::string(info.param.Name); });

TEST(UrlCheckerRequestTest, NameIsLookedUpAndSentAsHost)
{
    LoopbackServer server({{Ok}});
    const std::string port = std::to_string(server.Port());
    EXPECT_EQ(Check(u"http://localhost:" + std::u16string(port.begin(), port.end()) + u"/x"), u"Completed");
    EXPECT_EQ(server.Requests().at(0).Bytes, ExpectedGet("/x", "localhost:" + port));
}

TEST(UrlCheckerRequestTest, FullFormSendsRefererAndUserAgent)
{
    LoopbackServer server({{Ok}});
    std::u16string status;
    std::u16string content;
    UrlChecker(5, false).GetPage(server.Url(u"/x"), u"http://from.example/", u"Agent/1.0", std::nullopt, status,
                                 content);
    EXPECT_EQ(status, u"Completed");
    EXPECT_EQ(content, u"ok");
    EXPECT_EQ(server.Requests().at(0).Bytes,
              ExpectedGet("/x", HostOf(server), "Referer: http://from.example/\r\nUser-Agent: Agent/1.0\r\n"));
}

struct LocationCase {
    const char* Name;
    std::string Location;
    std::string FollowedTarget;
};

void PrintTo(const LocationCase& param, std::ostream* out) { *out << param.Name; }

class RedirectLocationTest : public testing::TestWithParam<LocationCase> {};

TEST_P(RedirectLocationTest, FollowsOnTheSameSchemeHostAndPort)
{
    LoopbackServer server({{Response("HTTP/1.1 302 Found", "Location: " + GetParam().Location + "\r\n", ""), Ok}});
    EXPECT_EQ(Check(server.Url(u"/dir/page")), u"Completed");
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(server.Requests()[1].Bytes, ExpectedGet(GetParam().FollowedTarget, HostOf(server)));
    EXPECT_EQ(server.Requests()[1].Connection, 0u) << "the kept-alive connection carries the redirect";
}

INSTANTIATE_TEST_SUITE_P(Locations, RedirectLocationTest,
                         testing::Values(LocationCase{"FromRoot", "/root", "/root"},
                                         LocationCase{"Sibling", "other", "/dir/other"},
                                         LocationCase{"DotSegmentsAndQuery", "sub/../next?x=1", "/dir/next?x=1"},
                                         LocationCase{"Parent", "../up", "/up"}),
                         [](const testing::TestParamInfo<LocationCase>& info) { return std::string(info.param.Name); });

TEST(UrlCheckerRequestTest, AbsoluteRedirectGoesToTheOtherServer)
{
    LoopbackServer target({{Ok}});
    const std::u16string location = target.Url(u"/there");
    LoopbackServer origin(
        {{Response("HTTP/1.1 301 Moved", "Location: " + std::string(location.begin(), location.end()) + "\r\n", "")}});
    EXPECT_EQ(Check(origin.Url(u"/here")), u"Completed");
    EXPECT_EQ(target.Requests().at(0).Bytes, ExpectedGet("/there", HostOf(target)));
}

TEST(UrlCheckerRequestTest, CookieSetOnARedirectIsSentWithTheNextRequest)
{
    LoopbackServer server({{Response("HTTP/1.1 302 Found",
                                     "Set-Cookie: session=abc; Path=/\r\nSet-Cookie: scoped=1; Path=/elsewhere\r\n"
                                     "Location: /next\r\n",
                                     ""),
                            Ok}});
    EXPECT_EQ(Check(server.Url(u"/start")), u"Completed");
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(server.Requests()[0].Bytes, ExpectedGet("/start", HostOf(server)));
    EXPECT_EQ(server.Requests()[1].Bytes, ExpectedGet("/next", HostOf(server), "Cookie: session=abc\r\n"));
}

TEST(UrlCheckerRequestTest, HttpProxyGetsTheAbsoluteUrlAndBasicCredentials)
{
    LoopbackServer proxy({{Ok}, {Ok}});
    const std::string portText = std::to_string(proxy.Port());
    const std::u16string port(portText.begin(), portText.end());
    std::u16string status;
    std::u16string content;
    UrlChecker(5, false).GetPage(u"http://site.invalid/page?x", {}, {}, ProxyParams{u"127.0.0.1", port, u"", u""},
                                 status, content);
    EXPECT_EQ(status, u"Completed");
    UrlChecker(5, false).GetPage(u"http://site.invalid:8080/", {}, {},
                                 ProxyParams{u"127.0.0.1", port, u"user", u"pass"}, status, content);
    EXPECT_EQ(status, u"Completed");
    ASSERT_EQ(proxy.Requests().size(), 2u);
    EXPECT_EQ(proxy.Requests()[0].Bytes, ExpectedGet("http://site.invalid/page?x", "site.invalid"));
    EXPECT_EQ(proxy.Requests()[1].Bytes, ExpectedGet("http://site.invalid:8080/", "site.invalid:8080",
                                                     "Proxy-Authorization: Basic dXNlcjpwYXNz\r\n"));
}

TEST(UrlCheckerRequestTest, HttpsThroughAProxyAsksForATunnelFirst)
{
    LoopbackServer proxy({{Response("HTTP/1.1 407 Proxy Authentication Required", "", "who are you")}});
    const std::string port = std::to_string(proxy.Port());
    std::u16string status;
    std::u16string content;
    UrlChecker(5, false).GetPage(u"https://site.invalid/page", {}, {},
                                 ProxyParams{u"127.0.0.1", std::u16string(port.begin(), port.end()), u"", u""}, status,
                                 content);
    EXPECT_EQ(status, u"Error 407");
    EXPECT_EQ(proxy.Requests().at(0).Bytes,
              "CONNECT site.invalid:443 HTTP/1.1\r\nPragma: no-cache\r\nProxy-Connection: keep-alive\r\n"
              "Host: site.invalid\r\nAccept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n\r\n");
}

TEST(UrlCheckerRequestTest, ProxyListThatCannotBeUsedIsAbortedWithoutARequest)
{
    LoopbackServer proxy({{Ok}});
    const std::string portText = std::to_string(proxy.Port());
    const std::u16string port(portText.begin(), portText.end());
    for (const ProxyParams& params :
         {ProxyParams{u"127.0.0.1"}, ProxyParams{u"127.0.0.1", port, u""},
          ProxyParams{u"127.0.0.1", u"eighty", u"", u""}, ProxyParams{u"127.0.0.1", u"70000", u"", u""}}) {
        std::u16string status;
        std::u16string content;
        UrlChecker(5, false).GetPage(u"http://site.invalid/", {}, {}, params, status, content);
        EXPECT_EQ(status, u"Aborted");
    }
    EXPECT_EQ(proxy.ConnectionCount(), 0u);
}

TEST(UrlCheckerRequestTest, EmptyProxyListMeansDirect)
{
    LoopbackServer server({{Ok}});
    std::u16string status;
    std::u16string content;
    UrlChecker(5, false).GetPage(server.Url(u"/"), {}, {}, ProxyParams{}, status, content);
    EXPECT_EQ(status, u"Completed");
}

}  // namespace
}  // namespace larkspire
