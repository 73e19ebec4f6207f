#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "http/UrlChecker.h"
#include "run/RowTask.h"
#include "tests/run/RunHarness.h"
#include "tests/run/WaitUntil.h"
#include "tests/support/HostLoadServer.h"

namespace larkspire {
namespace {

using namespace std::chrono_literals;

// Runs with the program's own checker against hosts 127.0.0.1, 127.0.0.2, ... that count requests under way.
class HttpPaceTest : public ::testing::Test {
protected:
    test::RunHarness& Run(std::vector<std::u16string> urls, std::u16string threads) {
        run_ = std::make_unique<test::RunHarness>(std::move(urls), std::move(threads));
        run_->options.checker = CheckUrlStatus;
        return *run_;
    }
    static std::chrono::milliseconds Gap(const std::vector<std::chrono::steady_clock::time_point>& arrivals) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(arrivals.at(1) - arrivals.at(0));
    }

    test::HostLoadServer server_{3};
    std::unique_ptr<test::RunHarness> run_;
};

TEST_F(HttpPaceTest, NoHostSeesMoreRequestsAtOnceThanItsLimit) {
    std::vector<std::u16string> urls;
    for (int m = 0; m < 60; ++m) urls.push_back(server_.Url(1 + m % 3, "/ok/" + std::to_string(m)));
    auto& run = Run(urls, u"12");
    run.options.pace.checksPerHost = 2;
    ASSERT_TRUE(run.RunToEnd());
    for (int host = 1; host <= 3; ++host) EXPECT_EQ(server_.MostAtOnce(host), 2) << "host " << host;
    EXPECT_EQ(server_.RequestCount(), 60u);
    EXPECT_EQ(run.window->Statuses(), std::vector<std::u16string>(60, u"Completed"));
}

TEST_F(HttpPaceTest, OneHostGetsNoMoreThanTheRate) {
    std::vector<std::u16string> urls;
    for (int m = 0; m < 10; ++m) urls.push_back(server_.Url(2, "/ok/" + std::to_string(m)));
    auto& run = Run(urls, u"10");
    run.options.pace.requestsPerSecond = 10;
    ASSERT_TRUE(run.RunToEnd());
    const auto arrivals = server_.HostArrivals(2);
    ASSERT_EQ(arrivals.size(), 10u);
    // Ten threads without the rate would send all ten at once; at 10 a second they span 900 ms, less what a
    // loaded machine's connects may shift one arrival by.
    EXPECT_GE(arrivals.back() - arrivals.front(), 700ms);
}

// The waits the servers ask for, each answered once with the asked-for status, then 200.
TEST_F(HttpPaceTest, RowsAreCheckedAgainAfterTheWaitTheServerAskedFor) {
    auto& run = Run({server_.Url(1, "/429/1/1"), server_.Url(2, "/503date/2/1"), server_.Url(3, "/reset/1"),
                     server_.Url(1, "/ok")},
                    u"4");
    run.options.pace.retriesOfFailures = 1;
    ASSERT_TRUE(run.RunToEnd());
    EXPECT_EQ(run.window->Statuses(), std::vector<std::u16string>(4, u"Completed"));
    EXPECT_GE(Gap(server_.Arrivals("/429/1/1")), 950ms);
    EXPECT_LT(Gap(server_.Arrivals("/429/1/1")), 3s);
    // A date has whole seconds: two seconds ahead asks for one to three.
    EXPECT_GE(Gap(server_.Arrivals("/503date/2/1")), 950ms);
    EXPECT_LT(Gap(server_.Arrivals("/503date/2/1")), 4s);
    EXPECT_GE(Gap(server_.Arrivals("/reset/1")), 950ms);
    EXPECT_EQ(server_.Arrivals("/ok").size(), 1u);
}

TEST_F(HttpPaceTest, WithEverySettingOffEachRowIsRequestedOnce) {
    auto& run = Run({server_.Url(1, "/429/1/1"), server_.Url(2, "/503date/1/1"), server_.Url(3, "/reset/1"),
                     server_.Url(1, "/ok")},
                    u"4");
    run.options.pace.retriesWhenAsked = 0;
    ASSERT_TRUE(run.RunToEnd());
    EXPECT_EQ(run.window->Statuses(),
              (std::vector<std::u16string>{u"Error 429", u"Error 503", u"Aborted", u"Completed"}));
    EXPECT_EQ(server_.RequestCount(), 4u);
}

TEST_F(HttpPaceTest, AWaitLongerThanTheLongestEndsTheRowAndAbortEndsAWaitAtOnce) {
    auto& run = Run({server_.Url(1, "/429/121/1"), server_.Url(2, "/429/100/1")}, u"2");
    run.Start();
    ASSERT_TRUE(test::WaitUntil([&] { return server_.RequestCount() == 2; }));
    ASSERT_TRUE(test::WaitUntil([&] { return run.window->Statuses().at(0) == u"Error 429"; }));
    std::this_thread::sleep_for(100ms);
    const auto aborted = std::chrono::steady_clock::now();
    run.window->OnGui([&] { run.window->AbortFlag() = true; });
    ASSERT_TRUE(run.WaitForEnd());
    EXPECT_LT(std::chrono::steady_clock::now() - aborted, 2s);
    EXPECT_EQ(run.window->Statuses(), (std::vector<std::u16string>{u"Error 429", u"Error 429"}));
    const auto events = run.window->Events();
    EXPECT_NE(std::find_if(events.begin(), events.end(),
                           [](const std::string& e) { return e.find("SetRowStatus(0,Error 429,asked to wait 121 s") == 0; }),
              events.end());
    EXPECT_EQ(server_.RequestCount(), 2u);
    EXPECT_EQ(RowTasksAlive(), 0u);
}

}  // namespace
}  // namespace larkspire
