#include <gtest/gtest.h>

#include "http/CookieStore.h"

namespace larkspire {
namespace {

using namespace std::chrono_literals;

HttpUrl Url(const std::u16string& url) { return ResolveUrl(url, std::nullopt); }

// A store and a clock that only moves when a test says so.
class Cookies : public testing::Test {
protected:
    void Set(const std::u16string& url, std::u16string_view setCookie) { store.SetCookie(setCookie, Url(url), now); }
    std::u16string SentTo(const std::u16string& url) const { return store.CookieHeader(Url(url), now); }

    CookieStore store;
    CookieStore::Clock::time_point now = std::chrono::sys_days{std::chrono::year{2026} / 12 / 9} + 12h;
};

TEST_F(Cookies, SetByOneResponseAreSentWithTheNextRequestWhenDomainAndPathMatch)
{
    Set(u"http://example.com/login/form", u"session=abc123; Path=/");
    Set(u"http://example.com/login/form", u"step=2");
    EXPECT_EQ(SentTo(u"http://example.com/login/next"), u"step=2; session=abc123");
    EXPECT_EQ(SentTo(u"http://example.com/other"), u"session=abc123");
    EXPECT_EQ(SentTo(u"http://EXAMPLE.com:8080/login"), u"step=2; session=abc123") << "ports do not separate cookies";
    EXPECT_EQ(SentTo(u"http://other.example/"), u"");
}

// Deleting or replacing one of many keeps every other cookie, its value and its place in the order.
TEST_F(Cookies, DeletingAndReplacingAmongManyKeepsTheRest)
{
    for (const char16_t* setCookie : {u"a=1", u"b=2", u"c=3", u"d=4"}) Set(u"http://h/", setCookie);
    Set(u"http://h/", u"b=gone; Max-Age=0");
    Set(u"http://h/", u"c=30");
    Set(u"http://h/", u"e=5");
    Set(u"http://h/", u"a=gone; Expires=Thu, 01 Jan 2015 00:00:00 GMT");
    Set(u"http://h/", u"b=back");
    EXPECT_EQ(SentTo(u"http://h/"), u"c=30; d=4; e=5; b=back");
    EXPECT_EQ(store.Size(), 4u);
}

TEST_F(Cookies, PathMatchingFollowsSegments)
{
    Set(u"http://h/", u"a=1; Path=/docs");
    Set(u"http://h/", u"b=2; Path=/docs/");
    Set(u"http://h/", u"c=3; Path=relative");
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"http://h/docs", u"a=1; c=3"},
        {u"http://h/docs/", u"b=2; a=1; c=3"},
        {u"http://h/docs/page?x=/", u"b=2; a=1; c=3"},
        {u"http://h/docsother", u"c=3"},
        {u"http://h/", u"c=3"},
    };
    for (const auto& [url, expected] : cases) EXPECT_EQ(SentTo(url), expected) << std::string(url.begin(), url.end());
}

TEST_F(Cookies, DomainCookiesReachSubdomainsAndHostOnlyCookiesDoNot)
{
    Set(u"http://www.example.com/", u"wide=1; Domain=.Example.COM");
    Set(u"http://www.example.com/", u"narrow=2");
    EXPECT_EQ(SentTo(u"http://www.example.com/"), u"wide=1; narrow=2");
    EXPECT_EQ(SentTo(u"http://example.com/"), u"wide=1");
    EXPECT_EQ(SentTo(u"http://a.b.example.com/"), u"wide=1");
    EXPECT_EQ(SentTo(u"http://notexample.com/"), u"");
}

TEST_F(Cookies, ADomainThatDoesNotCoverTheHostIsRejected)
{
    Set(u"http://www.example.com/", u"x=1; Domain=other.com");
    Set(u"http://www.example.com/", u"y=1; Domain=sub.www.example.com");
    Set(u"http://127.0.0.1/", u"z=1; Domain=0.0.1");
    EXPECT_EQ(store.Size(), 0u);
    Set(u"http://127.0.0.1/", u"ip=1; Domain=127.0.0.1");
    EXPECT_EQ(SentTo(u"http://127.0.0.1/"), u"ip=1");
}

TEST_F(Cookies, SecureCookiesGoOnlyOverTls)
{
    Set(u"https://example.com/", u"token=s; Secure");
    Set(u"http://example.com/", u"plain=p");
    EXPECT_EQ(SentTo(u"http://example.com/"), u"plain=p");
    EXPECT_EQ(SentTo(u"https://example.com/"), u"token=s; plain=p");
}

TEST_F(Cookies, ExpireByMaxAgeOrExpiresAndMaxAgeWins)
{
    Set(u"http://h/", u"short=1; Max-Age=60");
    Set(u"http://h/", u"dated=2; Expires=Thu, 10 Dec 2026 12:00:00 GMT");
    Set(u"http://h/", u"both=3; Expires=Wed, 01 Jan 2020 00:00:00 GMT; Max-Age=3600");
    Set(u"http://h/", u"session=4");
    EXPECT_EQ(SentTo(u"http://h/"), u"short=1; dated=2; both=3; session=4");
    now += 61s;
    EXPECT_EQ(SentTo(u"http://h/"), u"dated=2; both=3; session=4");
    now += 1h;
    EXPECT_EQ(SentTo(u"http://h/"), u"dated=2; session=4");
    now += 24h;
    EXPECT_EQ(SentTo(u"http://h/"), u"session=4");
}

TEST_F(Cookies, AnExpiryInThePastDeletesTheCookie)
{
    Set(u"http://h/", u"a=1");
    Set(u"http://h/", u"b=2");
    Set(u"http://h/", u"a=gone; Expires=Sun, 06 Nov 1994 08:49:37 GMT");
    Set(u"http://h/", u"b=gone; Max-Age=0");
    Set(u"http://h/", u"c=never; Max-Age=-1");
    EXPECT_EQ(SentTo(u"http://h/"), u"");
    EXPECT_EQ(store.Size(), 0u);
}

TEST_F(Cookies, ReplaceByNameDomainAndPathKeepingTheirPlace)
{
    Set(u"http://h/", u"first=1");
    Set(u"http://h/", u"second=2");
    Set(u"http://h/", u"first=updated");
    Set(u"http://h/", u"first=other-path; Path=/x");
    EXPECT_EQ(SentTo(u"http://h/x"), u"first=other-path; first=updated; second=2");
    EXPECT_EQ(store.Size(), 3u);
}

TEST_F(Cookies, MalformedCookiesAreIgnored)
{
    Set(u"http://h/", u"novalue");
    Set(u"http://h/", u"=nameless");
    Set(u"http://h/", u"  spaced  =  value  ; bogus-attribute ; Max-Age=abc");
    EXPECT_EQ(SentTo(u"http://h/"), u"spaced=value");
}

TEST_F(Cookies, ExpiresDatesAreReadInTheirCommonForms)
{
    const std::pair<std::u16string, bool> dates[] = {
        {u"Thu, 10 Dec 2026 12:00:00 GMT", true},     // RFC 1123
        {u"Thursday, 10-Dec-26 12:00:00 GMT", true},  // RFC 850
        {u"Thu Dec 10 12:00:00 2026", true},          // asctime
        {u"10 december 2026 1:2:3", true},
        {u"Wed, 09 Dec 2026 11:00:00 GMT", false},
        {u"Fri, 31 Dec 9999 23:59:59 GMT", true},
        {u"Tue, 01 Jan 1980 00:00:00 GMT", false},
        {u"31 Feb 2027 00:00:00", true},  // not a date: the attribute is ignored, a session cookie remains
        {u"garbage", true},
    };
    for (const auto& [date, kept] : dates) {
        CookieStore fresh;
        fresh.SetCookie(u"k=v; Expires=" + date, Url(u"http://h/"), now);
        EXPECT_EQ(fresh.CookieHeader(Url(u"http://h/"), now) == u"k=v", kept) << std::string(date.begin(), date.end());
    }
}

}  // namespace
}  // namespace larkspire
