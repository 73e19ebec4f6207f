#include <gtest/gtest.h>

#include "http/HttpTransport.h"
#include "http/WireUrl.h"
#include "net/NetworkErrors.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/RequestBytes.h"
#include "tests/support/TableResolver.h"

namespace larkspire {
namespace {

using test::LoopbackServer;
using test::Response;
using test::ServerSecurity;

const std::string Ok = Response("HTTP/1.1 200 OK", "", "ok");

std::u16string Port(const LoopbackServer& server)
{
    const std::string port = std::to_string(server.Port());
    return std::u16string(port.begin(), port.end());
}

struct HostCase {
    const char* Name;
    std::u16string Host;
    std::u16string Wire;
};

void PrintTo(const HostCase& param, std::ostream* out) { *out << param.Name; }

class WireHostTest : public testing::TestWithParam<HostCase> {};

TEST_P(WireHostTest, NonAsciiHostsGoOutInTheirIdnaForm)
{
    const HttpUrl url = ResolveUrl(u"http://" + GetParam().Host + u"/p", std::nullopt);
    EXPECT_EQ(WireUrl(url).Host, GetParam().Wire);
    EXPECT_EQ(url.Host, GetParam().Host) << "the URL itself stays as written";
}

INSTANTIATE_TEST_SUITE_P(Hosts, WireHostTest,
                         testing::Values(HostCase{"Ascii", u"Example.com", u"Example.com"},
                                         HostCase{"Umlaut", u"b\u00fccher.de", u"xn--bcher-kva.de"},
                                         HostCase{"CapitalUmlaut", u"B\u00dcCHER.de", u"xn--bcher-kva.de"},
                                         HostCase{"Cyrillic", u"\u043f\u0440\u0438\u043c\u0435\u0440.\u0440\u0444",
                                                  u"xn--e1afmkfd.xn--p1ai"},
                                         HostCase{"Sharp", u"stra\u00dfe.de", u"xn--strae-oqa.de"}),
                         [](const testing::TestParamInfo<HostCase>& info) { return std::string(info.param.Name); });

TEST(WireHostTest, AHostWithoutAnIdnaFormIsRefused)
{
    const HttpUrl url = ResolveUrl(u"http://\u00fc\u00fc--\u00fc.\u0661a/", std::nullopt);
    try {
        WireUrl(url);
        FAIL() << "converted";
    } catch (const TransportError& error) {
        EXPECT_STREQ(error.what(), "host name not valid");
    }
}

// The IDNA form is what the resolver is asked, what Host names, and what TLS names; the target is
// percent-encoded as UTF-8, so the service sees the site that was meant.
TEST(WireUrlTest, IdnHostAndNonAsciiTargetOnTheWire)
{
    LoopbackServer server({{Ok}});
    const test::TableResolver resolver({{"xn--bcher-kva.test", std::vector<std::string>{"127.0.0.1"}}});
    HttpTransport http;
    http.Settings().Resolver = &resolver;
    EXPECT_EQ(http.Get(u"http://b\u00fccher.test:" + Port(server) + u"/ping?url=https://b\u00fccher.de/&x=a b"), u"ok");
    EXPECT_EQ(resolver.Asked(), std::vector<std::string>{"xn--bcher-kva.test"});
    EXPECT_EQ(server.Requests().at(0).Bytes,
              test::ExpectedGet("/ping?url=https://b%C3%BCcher.de/&x=a%20b",
                                "xn--bcher-kva.test:" + std::to_string(server.Port()),
                                "User-Agent: Mozilla/3.0 (compatible; Larkspire HTTP client)\r\n"));
}

TEST(WireUrlTest, IdnHostIsTheTlsServerName)
{
    LoopbackServer server({{Ok}}, ServerSecurity::Tls13Only);
    const test::TableResolver resolver({{"xn--bcher-kva.test", std::vector<std::string>{"127.0.0.1"}}});
    HttpTransport http;
    http.Settings().Resolver = &resolver;
    EXPECT_EQ(http.Get(u"https://b\u00fccher.test:" + Port(server) + u"/"), u"ok");
    EXPECT_EQ(server.ServerNames(), std::vector<std::string>{"xn--bcher-kva.test"});
}

// A Location in UTF-8 is followed with its characters encoded, not turned into "?".
TEST(WireUrlTest, Utf8LocationIsFollowedPercentEncoded)
{
    LoopbackServer server({{Response("HTTP/1.1 302 Found",
                                     "Location: /b\xC3\xBC"
                                     "cher?q=\xC3\xA9 t\r\n",
                                     ""),
                            Ok}});
    HttpTransport http;
    http.Settings().HandleRedirects = true;
    EXPECT_EQ(http.Get(server.Url(u"/")), u"ok");
    EXPECT_EQ(server.Requests().at(1).Bytes,
              test::ExpectedGet("/b%C3%BCcher?q=%C3%A9%20t", "127.0.0.1:" + std::to_string(server.Port()),
                                "User-Agent: Mozilla/3.0 (compatible; Larkspire HTTP client)\r\n"));
}

TEST(PercentEncodedTarget, EncodesOnlyWhatIsNotPrintableAscii)
{
    EXPECT_EQ(PercentEncodedTarget(u"/a%2Fb%zz~!$&'()*+,;=:@?#[]"), "/a%2Fb%zz~!$&'()*+,;=:@?#[]");
    EXPECT_EQ(PercentEncodedTarget(u"/\u007f\u0001 \u00a0"), "/%7F%01%20%C2%A0");
    EXPECT_EQ(PercentEncodedTarget(u"/\xD800x"), "/%EF%BF%BDx") << "a lone surrogate is U+FFFD";
}

}  // namespace
}  // namespace larkspire
