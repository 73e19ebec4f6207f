#include <gtest/gtest.h>

#include <limits>

#include "http/UrlChecker.h"
#include "tests/support/LoopbackPeers.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/Stopwatch.h"

namespace larkspire {
namespace {

using test::Stopwatch;

std::u16string UrlForPort(std::uint16_t port) {
    const std::string text = "http://127.0.0.1:" + std::to_string(port) + "/";
    return std::u16string(text.begin(), text.end());
}

std::u16string Check(std::int32_t timeoutSeconds, const std::u16string& url) {
    std::u16string status = u"stale";
    UrlChecker(timeoutSeconds, false).GetPage(url, status);
    return status;
}

// The connect time-out is the setting less one second, checked every 125 ms.
TEST(UrlCheckerConnectTest, SilentPeerTimesOutAfterTheConnectTimeout) {
    test::SilentPeer peer;
    Stopwatch stopwatch;
    EXPECT_EQ(Check(2, UrlForPort(peer.Port())), u"Timeout");
    EXPECT_GE(stopwatch.ElapsedMs(), 1000);
    EXPECT_LE(stopwatch.ElapsedMs(), 1000 + 125 + test::SchedulingMarginMs);
}

// A zero setting gives a connect time-out of -1000 ms, which fails every attempt at once.
TEST(UrlCheckerConnectTest, ZeroSecondsFailsEveryConnectionAtOnce) {
    test::SilentPeer peer;
    test::LoopbackServer server({{"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"}});
    for (const std::uint16_t port : {peer.Port(), server.Port()}) {
        Stopwatch stopwatch;
        EXPECT_EQ(Check(0, UrlForPort(port)), u"Timeout");
        EXPECT_LT(stopwatch.ElapsedMs(), 1000);
    }
    EXPECT_TRUE(server.Requests().empty());
}

// One second leaves a connect time-out of 0: no limit of our own, so a live server is reached.
TEST(UrlCheckerConnectTest, OneSecondStillConnects) {
    test::LoopbackServer server({{"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"}});
    EXPECT_EQ(Check(1, server.Url()), u"Completed");
}

// Time-outs far beyond the setting's range saturate instead of wrapping around into "fail at once".
TEST(UrlCheckerConnectTest, HugeTimeoutStillConnects) {
    test::LoopbackServer server({{"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"}});
    EXPECT_EQ(Check(std::numeric_limits<std::int32_t>::max(), server.Url()), u"Completed");
}

TEST(UrlCheckerConnectTest, UnreachableTargetsAreAborted) {
    test::RefusedPort refused;
    for (const std::u16string& url : {UrlForPort(refused.Port()), std::u16string(u"http://no-such-host.invalid/"),
                                      std::u16string(u""), std::u16string(u"127.0.0.1/page"),
                                      std::u16string(u"ftp://127.0.0.1/")}) {
        SCOPED_TRACE(std::string(url.begin(), url.end()));
        EXPECT_EQ(Check(5, url), u"Aborted");
    }
}

}  // namespace
}  // namespace larkspire
