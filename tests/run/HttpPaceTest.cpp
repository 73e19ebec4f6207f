#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <regex>
#include <set>
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
using test::WaitUntil;

// Runs with the program's own checker against hosts 127.0.0.1, 127.0.0.2, ... that count requests under way.
// The run's waits are measured on a clock of the test's, which moves only when the test moves it; the checker
// notes the time on it at which each check of a URL began.
class HttpPaceTest : public ::testing::Test {
protected:
    test::RunHarness& Run(std::vector<std::u16string> urls, std::u16string threads)
    {
        run_ = std::make_unique<test::RunHarness>(std::move(urls), std::move(threads));
        run_->options.steadyClock = [this] {
            ++looks_;
            return std::chrono::steady_clock::time_point{} + 1h + std::chrono::milliseconds(clockMs_.load());
        };
        run_->options.checker = [this](const std::u16string& url, int timeout, const std::atomic<bool>& abort) {
            {
                std::lock_guard lock(mutex_);
                checkedAt_[url].push_back(clockMs_);
            }
            return CheckUrlStatus(url, timeout, abort);
        };
        return *run_;
    }
    // Whatever a test found, its run ends before the fixture goes: the clock jumps past every wait.
    void TearDown() override
    {
        clockMs_ = std::chrono::milliseconds(24h).count();
        if (run_) {
            EXPECT_TRUE(run_->WaitForEnd());
        }
    }

    void SetClock(std::int64_t ms) { clockMs_ = ms; }
    // Waits until the run has looked at the clock `looks` more times; a waiting worker looks at least every
    // 50 ms.
    bool RunLookedAgain(std::uint64_t looks)
    {
        const std::uint64_t until = looks_ + looks;
        return WaitUntil([&] { return looks_ >= until; });
    }
    std::vector<std::int64_t> CheckedAt(const std::u16string& url)
    {
        std::lock_guard lock(mutex_);
        return checkedAt_[url];
    }
    std::size_t CheckCount()
    {
        std::lock_guard lock(mutex_);
        std::size_t count = 0;
        for (const auto& [url, times] : checkedAt_) count += times.size();
        return count;
    }
    bool Shows(const std::string& event)
    {
        const auto events = run_->window->Events();
        return std::find(events.begin(), events.end(), event) != events.end();
    }

    test::HostLoadServer server_{3};
    std::unique_ptr<test::RunHarness> run_;

private:
    std::atomic<std::int64_t> clockMs_{0};
    std::atomic<std::uint64_t> looks_{0};
    std::mutex mutex_;
    std::map<std::u16string, std::vector<std::int64_t>> checkedAt_;
};

// Each host's rows in a block of their own, and the server answers nobody until every host has had two
// requests under way at once: a run without the limit sends all twelve to the first host, and a run that did
// not start other hosts' rows ahead of a host at its limit never gets there.
TEST_F(HttpPaceTest, NoHostSeesMoreRequestsAtOnceThanItsLimit)
{
    std::vector<std::u16string> urls;
    for (int m = 0; m < 60; ++m) urls.push_back(server_.Url(1 + m / 20, "/ok/" + std::to_string(m)));
    auto& run = Run(urls, u"12");
    run.options.pace.checksPerHost = 2;
    server_.HoldAnswersUntilEveryHostHad(2);
    ASSERT_TRUE(run.RunToEnd());
    for (int host = 1; host <= 3; ++host) EXPECT_EQ(server_.MostAtOnce(host), 2) << "host " << host;
    EXPECT_EQ(server_.RequestCount(), 60u);
    EXPECT_EQ(run.window->Statuses(), std::vector<std::u16string>(60, u"Completed"));
}

// The clock moves to the next start's time only once the request before has reached the server, so each check
// notes the time the run started it at; one that started too soon notes the time of the one before.
TEST_F(HttpPaceTest, OneHostGetsNoMoreThanTheRate)
{
    std::vector<std::u16string> urls;
    for (int m = 0; m < 10; ++m) urls.push_back(server_.Url(2, "/ok/" + std::to_string(m)));
    auto& run = Run(urls, u"10");
    run.options.pace.requestsPerSecond = 10;
    run.Start();
    for (std::int64_t k = 0; k < 10; ++k) {
        if (k > 0) {
            // 1 ms short of the next start: every waiting worker looks within 50 ms, and none may start.
            SetClock(100 * k - 1);
            ASSERT_TRUE(RunLookedAgain(10));
        }
        SetClock(100 * k);
        ASSERT_TRUE(WaitUntil([&] { return server_.HostArrivals(2).size() >= static_cast<std::size_t>(k + 1); }))
            << "request " << k;
    }
    ASSERT_TRUE(run.WaitForEnd());
    EXPECT_EQ(server_.HostArrivals(2).size(), 10u);
    for (std::int64_t k = 0; k < 10; ++k) {
        EXPECT_EQ(CheckedAt(urls[k]), std::vector<std::int64_t>{100 * k}) << "row " << k;
    }
}

// The wait row 1's server asked for, in seconds: its date has whole seconds, so two seconds ahead asks for one
// to three. 0 when the row shows no such wait.
int AskedSeconds(const std::vector<std::string>& events)
{
    const std::regex waiting(R"(SetRowStatus\(1,Pinging page\.\.\.,waiting ([1-3]) s \(retry 1 of 2\)\))");
    for (const std::string& event : events) {
        std::smatch match;
        if (std::regex_match(event, match, waiting)) return std::stoi(match[1]);
    }
    return 0;
}

// The waits the servers ask for, each answered once with the asked-for status, then 200. The clock stands
// still 1 ms short of each row's due time until the run has looked at it, then moves to the due time.
TEST_F(HttpPaceTest, RowsAreCheckedAgainAfterTheWaitTheServerAskedFor)
{
    const std::vector<std::u16string> urls = {server_.Url(1, "/429/1/1"), server_.Url(2, "/503date/2/1"),
                                              server_.Url(3, "/reset/1"), server_.Url(1, "/ok")};
    auto& run = Run(urls, u"4");
    run.options.pace.retriesOfFailures = 1;
    run.Start();
    ASSERT_TRUE(WaitUntil([&] {
        return Shows("SetRowStatus(0,Pinging page...,waiting 1 s (retry 1 of 2))") &&
               AskedSeconds(run.window->Events()) != 0 &&
               Shows("SetRowStatus(2,Pinging page...,waiting 1 s (retry 1 of 1))");
    }));
    const std::int64_t dateDueMs = AskedSeconds(run.window->Events()) * 1000;
    const std::map<std::u16string, std::int64_t> dueMs = {{urls[0], 1000}, {urls[1], dateDueMs}, {urls[2], 1000}};
    for (const std::int64_t due : std::set<std::int64_t>{1000, dateDueMs}) {
        SetClock(due - 1);
        ASSERT_TRUE(RunLookedAgain(8));
        SetClock(due);
        ASSERT_TRUE(WaitUntil([&] {
            return std::all_of(dueMs.begin(), dueMs.end(),
                               [&](const auto& row) { return row.second > due || CheckedAt(row.first).size() == 2; });
        })) << "at "
            << due << " ms";
    }
    ASSERT_TRUE(run.WaitForEnd());
    EXPECT_EQ(run.window->Statuses(), std::vector<std::u16string>(4, u"Completed"));
    for (const auto& [url, due] : dueMs) {
        EXPECT_EQ(CheckedAt(url), (std::vector<std::int64_t>{0, due})) << std::string(url.begin(), url.end());
    }
    EXPECT_EQ(server_.Arrivals("/429/1/1").size(), 2u);
    EXPECT_EQ(server_.Arrivals("/503date/2/1").size(), 2u);
    EXPECT_EQ(server_.Arrivals("/reset/1").size(), 2u);
    EXPECT_EQ(server_.Arrivals("/ok").size(), 1u);
}

TEST_F(HttpPaceTest, WithEverySettingOffEachRowIsRequestedOnce)
{
    auto& run = Run(
        {server_.Url(1, "/429/1/1"), server_.Url(2, "/503date/1/1"), server_.Url(3, "/reset/1"), server_.Url(1, "/ok")},
        u"4");
    run.options.pace.retriesWhenAsked = 0;
    ASSERT_TRUE(run.RunToEnd());
    EXPECT_EQ(run.window->Statuses(),
              (std::vector<std::u16string>{u"Error 429", u"Error 503", u"Aborted", u"Completed"}));
    EXPECT_EQ(server_.RequestCount(), 4u);
}

TEST_F(HttpPaceTest, AWaitLongerThanTheLongestEndsTheRowAndAbortEndsAWaitAtOnce)
{
    auto& run = Run({server_.Url(1, "/429/121/1"), server_.Url(2, "/429/100/1")}, u"2");
    run.Start();
    ASSERT_TRUE(WaitUntil([&] { return run.window->Statuses().at(0) == u"Error 429"; }));
    ASSERT_TRUE(WaitUntil([&] { return Shows("SetRowStatus(1,Pinging page...,waiting 100 s (retry 1 of 2))"); }));
    run.window->OnGui([&] { run.window->AbortFlag() = true; });
    // The clock stays at the start of the 100 s wait, so only the Abort can end the run.
    ASSERT_TRUE(run.WaitForEnd());
    EXPECT_EQ(run.window->Statuses(), (std::vector<std::u16string>{u"Error 429", u"Error 429"}));
    const auto events = run.window->Events();
    EXPECT_NE(
        std::find_if(events.begin(), events.end(),
                     [](const std::string& e) { return e.find("SetRowStatus(0,Error 429,asked to wait 121 s") == 0; }),
        events.end());
    EXPECT_EQ(server_.RequestCount(), 2u);
    EXPECT_EQ(RowTasksAlive(), 0u);
}

}  // namespace
}  // namespace larkspire
