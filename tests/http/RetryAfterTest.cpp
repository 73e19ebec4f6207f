#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "http/RetryAfter.h"
#include "http/UrlChecker.h"
#include "tests/support/LoopbackPeers.h"
#include "tests/support/LoopbackServer.h"

namespace larkspire {
namespace {

using namespace std::chrono;

// 1994-11-06 08:49:37 UTC, the date of the examples.
const system_clock::time_point kExampleDate = sys_days{1994y / 11 / 6} + 8h + 49min + 37s;

struct RetryAfterCase {
    const char* name;
    std::u16string value;
    system_clock::time_point now;
    std::optional<std::int32_t> seconds;
};

class RetryAfterTest : public ::testing::TestWithParam<RetryAfterCase> {};

TEST_P(RetryAfterTest, ReadsSecondsOrAnHttpDate)
{
    EXPECT_EQ(RetryAfterSeconds(GetParam().value, GetParam().now), GetParam().seconds);
}

INSTANTIATE_TEST_SUITE_P(
    Values, RetryAfterTest,
    ::testing::Values(RetryAfterCase{"Seconds", u"120", kExampleDate, 120},
                      RetryAfterCase{"Zero", u"0", kExampleDate, 0},
                      RetryAfterCase{"BlanksAround", u"  7\t", kExampleDate, 7},
                      RetryAfterCase{"HugeSaturates", u"99999999999999", kExampleDate, 2147483647},
                      RetryAfterCase{"FixDate", u"Sun, 06 Nov 1994 08:50:07 GMT", kExampleDate, 30},
                      RetryAfterCase{"FixDateRoundsUp", u"Sun, 06 Nov 1994 08:50:07 GMT", kExampleDate + 500ms, 30},
                      RetryAfterCase{"ObsoleteRfc850", u"Sunday, 06-Nov-94 08:51:37 GMT", kExampleDate, 120},
                      RetryAfterCase{"ObsoleteAsctime", u"Sun Nov  6 08:49:47 1994", kExampleDate, 10},
                      RetryAfterCase{"DatePastIsNow", u"Sun, 06 Nov 1994 08:00:00 GMT", kExampleDate, 0},
                      RetryAfterCase{"NextDay", u"Mon, 07 Nov 1994 08:49:37 GMT", kExampleDate, 86400},
                      RetryAfterCase{"Empty", u"", kExampleDate, std::nullopt},
                      RetryAfterCase{"Negative", u"-5", kExampleDate, std::nullopt},
                      RetryAfterCase{"Fraction", u"1.5", kExampleDate, std::nullopt},
                      RetryAfterCase{"NotGmt", u"Sun, 06 Nov 1994 08:50:07 CET", kExampleDate, std::nullopt},
                      RetryAfterCase{"BadMonth", u"Sun, 06 Foo 1994 08:50:07 GMT", kExampleDate, std::nullopt},
                      RetryAfterCase{"BadDay", u"Sun, 31 Nov 1994 08:50:07 GMT", kExampleDate, std::nullopt},
                      RetryAfterCase{"TrailingText", u"Sun, 06 Nov 1994 08:50:07 GMT x", kExampleDate, std::nullopt},
                      RetryAfterCase{"NotAscii", u"1\u00B20", kExampleDate, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

struct AskedCase {
    const char* name;
    const char* response;
    Recheck recheck;
    std::int32_t askedWait;
};

class CheckRecheckTest : public ::testing::TestWithParam<AskedCase> {};

// Only a 429 (with or without Retry-After) and a 503 with a readable Retry-After ask for a later check.
TEST_P(CheckRecheckTest, TellsWhetherTheServerAskedForALaterCheck)
{
    test::LoopbackServer server({{test::Reply(GetParam().response)}});
    const std::atomic<bool> abort{false};
    const CheckOutcome outcome = CheckUrlStatus(server.Url(u"/"), 3, abort);
    EXPECT_EQ(outcome.recheck, GetParam().recheck);
    EXPECT_EQ(outcome.askedWaitSeconds, GetParam().askedWait);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CheckRecheckTest,
    ::testing::Values(
        AskedCase{"TooManyWithSeconds", "HTTP/1.1 429 Too Many\r\nRetry-After: 7\r\nContent-Length: 0\r\n\r\n",
                  Recheck::WhenAsked, 7},
        AskedCase{"TooManyWithout", "HTTP/1.1 429 Too Many\r\nContent-Length: 0\r\n\r\n", Recheck::WhenAsked, -1},
        AskedCase{"TooManyUnreadable", "HTTP/1.1 429 Too Many\r\nRetry-After: soon\r\nContent-Length: 0\r\n\r\n",
                  Recheck::WhenAsked, -1},
        AskedCase{"UnavailableWithDatePast",
                  "HTTP/1.1 503 Busy\r\nRetry-After: Sun, 06 Nov 1994 08:49:37 GMT\r\nContent-Length: 0\r\n\r\n",
                  Recheck::WhenAsked, 0},
        AskedCase{"UnavailableWithout", "HTTP/1.1 503 Busy\r\nContent-Length: 0\r\n\r\n", Recheck::Never, -1},
        AskedCase{"OtherErrorWithHeader", "HTTP/1.1 500 Oops\r\nRetry-After: 5\r\nContent-Length: 0\r\n\r\n",
                  Recheck::Never, -1},
        AskedCase{"Completed", "HTTP/1.1 200 OK\r\nRetry-After: 5\r\nContent-Length: 0\r\n\r\n", Recheck::Never, -1}),
    [](const auto& info) { return std::string(info.param.name); });

// A refused connection and a reset may pass; a URL that cannot be checked never will.
TEST(CheckRecheck, PassingFailuresAreMarkedAndLastingOnesAreNot)
{
    const std::atomic<bool> abort{false};
    test::RefusedPort refused;
    const std::string port = std::to_string(refused.Port());
    const CheckOutcome refusedOutcome =
        CheckUrlStatus(u"http://127.0.0.1:" + std::u16string(port.begin(), port.end()) + u"/", 3, abort);
    EXPECT_EQ(refusedOutcome.status, u"Aborted");
    EXPECT_EQ(refusedOutcome.recheck, Recheck::MayPass);

    test::LoopbackServer resetting({{test::Reply().Reset()}});
    const CheckOutcome resetOutcome = CheckUrlStatus(resetting.Url(u"/"), 3, abort);
    EXPECT_EQ(resetOutcome.reason, u"connection reset");
    EXPECT_EQ(resetOutcome.recheck, Recheck::MayPass);

    for (const std::u16string url : {u"no-scheme", u"ftp://127.0.0.1/", u"http:///path", u"http://a b/"}) {
        EXPECT_EQ(CheckUrlStatus(url, 3, abort).recheck, Recheck::Never) << std::string(url.begin(), url.end());
    }
}

}  // namespace
}  // namespace larkspire
