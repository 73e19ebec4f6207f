#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <limits>
#include <optional>

#include "http/UrlChecker.h"
#include "tests/support/LoopbackPeers.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestCheckClock.h"

namespace larkspire {
namespace {

std::u16string UrlForPort(std::uint16_t port)
{
    const std::string text = "http://127.0.0.1:" + std::to_string(port) + "/";
    return std::u16string(text.begin(), text.end());
}

std::u16string Check(std::int32_t timeoutSeconds, const std::u16string& url)
{
    std::u16string status = u"stale";
    UrlChecker(timeoutSeconds, false).GetPage(url, status);
    return status;
}

// The connect time-out is the setting less one second, but never below one second: 0 and 1 would otherwise
// mean failing at once or no limit at all. Measured on the check's clock, which moves only when the test moves it.
TEST(UrlCheckerConnectTest, SilentPeerTimesOutAfterTheConnectTimeout)
{
    test::SilentPeer peer;
    const std::atomic<bool> noAbort{false};
    for (const std::int32_t seconds : {0, 1, 2}) {
        SCOPED_TRACE(seconds);
        test::TestCheckClock clock;
        UrlChecker checker(seconds, false);
        checker.SetClock(&clock);
        CheckOutcome outcome;
        test::ClockedWait check(clock, [&] { outcome = checker.Check(UrlForPort(peer.Port()), &noAbort); });
        // Past its limits and into the connect's wait, which looks every 100 ms for an Abort.
        ASSERT_TRUE(check.LetItLook(20));
        EXPECT_TRUE(check.EndsAt(std::chrono::seconds(1)));
        EXPECT_EQ(outcome.status, u"Timeout");
    }
}

TEST(UrlCheckerConnectTest, ZeroAndOneSecondStillConnect)
{
    const test::Reply ok("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    test::LoopbackServer server(std::vector<test::ConnectionScript>(2, {ok}));
    EXPECT_EQ(Check(0, server.Url()), u"Completed");
    EXPECT_EQ(Check(1, server.Url()), u"Completed");
}

// Time-outs far beyond the setting's range saturate instead of wrapping around into "fail at once".
TEST(UrlCheckerConnectTest, HugeTimeoutStillConnects)
{
    test::LoopbackServer server({{"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"}});
    EXPECT_EQ(Check(std::numeric_limits<std::int32_t>::max(), server.Url()), u"Completed");
}

TEST(UrlCheckerConnectTest, ReachesAnIpv6OnlyServer)
{
    std::optional<test::LoopbackServer> server;
    try {
        server.emplace(std::vector<test::ConnectionScript>{{"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"}},
                       test::ServerSecurity::Plain, test::ServerAddress::Ipv6);
    } catch (const std::runtime_error&) {
        GTEST_SKIP() << "no IPv6 loopback on this machine";
    }
    EXPECT_EQ(Check(5, server->Url()), u"Completed");
}

TEST(UrlCheckerConnectTest, UnreachableTargetsAreAborted)
{
    test::RefusedPort refused;
    for (const std::u16string& url :
         {UrlForPort(refused.Port()), std::u16string(u"http://no-such-host.invalid/"), std::u16string(u""),
          std::u16string(u"127.0.0.1/page"), std::u16string(u"ftp://127.0.0.1/")}) {
        SCOPED_TRACE(std::string(url.begin(), url.end()));
        EXPECT_EQ(Check(5, url), u"Aborted");
    }
}

}  // namespace
}  // namespace larkspire
