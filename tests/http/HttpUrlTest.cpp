#include <gtest/gtest.h>

#include "base/AsciiText.h"
#include "http/HttpUrl.h"
#include "net/NetworkErrors.h"

namespace larkspire {
namespace {

struct ResolveCase {
    const char* Name;
    std::u16string Current;  // empty: a fresh transport
    std::u16string Url;
    std::string Scheme, Host, Port, Target, HostHeader, UserName, Password;
};

void PrintTo(const ResolveCase& c, std::ostream* out)
{
    *out << c.Name << " (" << ToAsciiBytes(c.Current.empty() ? c.Url : c.Current + u" + " + c.Url) << ")";
}

std::optional<HttpUrl> CurrentOf(const std::u16string& current)
{
    if (current.empty()) return std::nullopt;
    return ResolveUrl(current, std::nullopt);
}

class UrlResolution : public testing::TestWithParam<ResolveCase> {};

TEST_P(UrlResolution, GivesSchemeHostPortAndTarget)
{
    const ResolveCase& c = GetParam();
    const HttpUrl url = ResolveUrl(c.Url, CurrentOf(c.Current));
    EXPECT_EQ(ToAsciiBytes(url.Scheme), c.Scheme);
    EXPECT_EQ(ToAsciiBytes(url.Host), c.Host);
    EXPECT_EQ(ToAsciiBytes(url.Port), c.Port);
    EXPECT_EQ(ToAsciiBytes(url.RequestTarget()), c.Target);
    EXPECT_EQ(ToAsciiBytes(url.HostHeaderValue()), c.HostHeader);
    EXPECT_EQ(ToAsciiBytes(url.UserName), c.UserName);
    EXPECT_EQ(ToAsciiBytes(url.Password), c.Password);
}

const std::u16string Page = u"http://example.com:8080/dir/sub/page.html?old=1";

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Table, UrlResolution,
    testing::Values(
        // Absolute URLs.
        ResolveCase{"HostOnly", u"", u"http://example.com", "http", "example.com", "80", "/", "example.com", "", ""},
        ResolveCase{"SchemeAndHostCaseKept", u"", u"HTTPS://Example.com/a/b",
                    "HTTPS", "Example.com", "443", "/a/b", "Example.com", "", ""},
        ResolveCase{"PortWithoutPath", u"", u"http://h:8080", "http", "h", "8080", "/", "h:8080", "", ""},
        ResolveCase{"HttpDefaultPortLeftOutOfHost", u"", u"http://h:80/", "http", "h", "80", "/", "h", "", ""},
        ResolveCase{"HttpPortOnHttpsKeptInHost", u"", u"https://h:80/", "https", "h", "80", "/", "h:80", "", ""},
        ResolveCase{"QueryWithoutPath", u"", u"http://h?q=1#f", "http", "h", "80", "/?q=1", "h", "", ""},
        ResolveCase{"FragmentBeforeQuestionMark", u"", u"http://h/p#f?notquery", "http", "h", "80", "/p", "h", "", ""},
        ResolveCase{"DotSegmentsKept", u"", u"http://h/a/../b//c", "http", "h", "80", "/a/../b//c", "h", "", ""},
        ResolveCase{"BackslashesInPathBecomeSlashes", u"", u"http://h\\a\\b?x=\\y",
                    "http", "h", "80", "/a/b?x=\\y", "h", "", ""},
        ResolveCase{"BackslashesAfterScheme", u"", u"http:\\\\h\\a", "http", "h", "80", "/a", "h", "", ""},
        ResolveCase{"PasswordWithColon", u"", u"http://user:pa:ss@host/",
                    "http", "host", "80", "/", "host", "user", "pa:ss"},
        ResolveCase{"UserNameWithAt", u"", u"http://a@b@host:81/", "http", "host", "81", "/", "host:81", "a@b", ""},
        ResolveCase{"PasswordWithoutUserNameIgnored", u"", u"http://:secret@host/",
                    "http", "host", "80", "/", "host", "", ""},
        ResolveCase{"Ipv6Literal", u"", u"http://[2001:db8::1]/x",
                    "http", "2001:db8::1", "80", "/x", "[2001:db8::1]", "", ""},
        ResolveCase{"Ipv6LiteralWithPort", u"", u"http://[::1]:8443/x",
                    "http", "::1", "8443", "/x", "[::1]:8443", "", ""},
        ResolveCase{"EmptySchemeIsHttp", u"", u"://h/x", "http", "h", "80", "/x", "h", "", ""},
        ResolveCase{"UrlInQuery", u"", u"http://h/go?to=http://other/",
                    "http", "h", "80", "/go?to=http://other/", "h", "", ""},
        // Relative URLs.
        ResolveCase{"RelativeFromRoot", Page, u"/root?x",
                    "http", "example.com", "8080", "/root?x", "example.com:8080", "", ""},
        ResolveCase{"RelativeDocument", Page, u"next.html",
                    "http", "example.com", "8080", "/dir/sub/next.html", "example.com:8080", "", ""},
        ResolveCase{"RelativeParent", Page, u"../up.html",
                    "http", "example.com", "8080", "/dir/up.html", "example.com:8080", "", ""},
        ResolveCase{"ParentsStopAtRoot", Page, u"../../../../top",
                    "http", "example.com", "8080", "/top", "example.com:8080", "", ""},
        ResolveCase{"RelativeDotSegmentsResolved", Page, u"a//b/./c/../d",
                    "http", "example.com", "8080", "/dir/sub/a/b/d", "example.com:8080", "", ""},
        ResolveCase{"RelativeFolder", Page, u"deeper/",
                    "http", "example.com", "8080", "/dir/sub/deeper/", "example.com:8080", "", ""},
        ResolveCase{"DoubleDotOnly", Page, u"..", "http", "example.com", "8080", "/dir/", "example.com:8080", "", ""},
        ResolveCase{"RelativeBackslashes", Page, u"a\\b?c\\d",
                    "http", "example.com", "8080", "/dir/sub/a/b?c\\d", "example.com:8080", "", ""},
        ResolveCase{"QueryOnly", Page, u"?new=2",
                    "http", "example.com", "8080", "/dir/sub/page.html?new=2", "example.com:8080", "", ""},
        ResolveCase{"SchemeRelative", Page, u"//cdn.example/x",
                    "http", "cdn.example", "80", "/x", "cdn.example", "", ""},
        ResolveCase{"RelativeOnHttps", u"https://s.example/a/", u"b",
                    "https", "s.example", "443", "/a/b", "s.example", "", ""},
        ResolveCase{"RelativeDropsUserInfo", u"http://u:p@h/a/", u"b", "http", "h", "80", "/a/b", "h", "", ""}),
    [](const testing::TestParamInfo<ResolveCase>& info) { return std::string(info.param.Name); });
// clang-format on

TEST(UrlResolution, SplitsPathDocumentQueryAndFragment)
{
    const HttpUrl url = ResolveUrl(u"http://h/a/b/doc.html?x=1#frag", std::nullopt);
    EXPECT_EQ(url.Path, u"/a/b/");
    EXPECT_EQ(url.Document, u"doc.html");
    EXPECT_EQ(url.Query, u"x=1");
    EXPECT_EQ(url.Fragment, u"frag");
    EXPECT_EQ(url.PortNumber(), 80);
    EXPECT_FALSE(url.IsHttps());
    EXPECT_TRUE(ResolveUrl(u"HttpS://h/", std::nullopt).IsHttps());
}

TEST(UrlResolution, FailsWithTransportErrorWithoutSchemePortOrHost)
{
    const std::u16string fresh[] = {
        u"", u"example.com/page", u"/page", u"http://", u"http://h:99999/", u"http://h:8o/", u"http://[::1/"};
    for (const std::u16string& url : fresh) {
        EXPECT_THROW(ResolveUrl(url, std::nullopt), TransportError) << ToAsciiBytes(url);
    }
}

// Only http and https are requested, in any case; any other scheme fails before the network, port or not,
// also as a redirect's target.
TEST(UrlResolution, RefusesEveryOtherScheme)
{
    const HttpUrl current = ResolveUrl(u"http://h:8080/", std::nullopt);
    for (const std::u16string url :
         {u"ftp://example.com/file", u"ftp://h:21/", u"file://h:80/etc", u"gopher://h:70/", u"httpx://h:80/"}) {
        try {
            ResolveUrl(url, current);
            ADD_FAILURE() << ToAsciiBytes(url) << " was taken";
        } catch (const TransportError& error) {
            EXPECT_STREQ(error.what(), "unsupported scheme") << ToAsciiBytes(url);
        }
    }
    EXPECT_TRUE(ResolveUrl(u"HTTP://h/", std::nullopt).PortNumber() == 80);
    EXPECT_TRUE(ResolveUrl(u"hTTpS://h/", std::nullopt).IsHttps());
}

}  // namespace
}  // namespace larkspire
