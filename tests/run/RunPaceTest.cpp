#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "base/PingStatus.h"
#include "run/PingRun.h"
#include "run/RetryPolicy.h"
#include "run/RowScheduler.h"
#include "run/RowTask.h"
#include "tests/run/RunHarness.h"
#include "tests/run/WaitUntil.h"

namespace larkspire {
namespace {

using namespace std::chrono_literals;
using test::RowOfUrl;
using test::RunHarness;
using test::WaitUntil;

CheckOutcome Asked(std::int32_t seconds, std::int32_t code = 429)
{
    CheckOutcome outcome{ErrorStatus(code), {}, 5};
    outcome.recheck = Recheck::WhenAsked;
    outcome.askedWaitSeconds = seconds;
    return outcome;
}

CheckOutcome Passing()
{
    CheckOutcome outcome{u"Aborted", u"connection reset"};
    outcome.recheck = Recheck::MayPass;
    return outcome;
}

struct PolicyCase {
    const char* name;
    CheckOutcome outcome;
    RunPace pace;
    std::vector<std::u16string> reasons;  // the waiting reason of each retry, then the final reason
};

class RetryPolicyTest : public ::testing::TestWithParam<PolicyCase> {};

TEST_P(RetryPolicyTest, WaitsAsAskedOrDoublingAndStopsAtTheSetting)
{
    RetryCount count;
    std::vector<std::u16string> reasons;
    for (int i = 0; i < 12; ++i) {
        CheckOutcome outcome = GetParam().outcome;
        const auto retry = NextRetry(outcome, GetParam().pace, count);
        if (!retry) {
            reasons.push_back(outcome.reason);
            break;
        }
        reasons.push_back(WaitingReason(*retry));
    }
    EXPECT_EQ(reasons, GetParam().reasons);
}

RunPace Pace(int whenAsked, int ofFailures)
{
    RunPace pace;
    pace.retriesWhenAsked = whenAsked;
    pace.retriesOfFailures = ofFailures;
    return pace;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RetryPolicyTest,
    ::testing::Values(
        PolicyCase{
            "AskedSeconds", Asked(3), Pace(2, 0), {u"waiting 3 s (retry 1 of 2)", u"waiting 3 s (retry 2 of 2)", u""}},
        PolicyCase{"UnaskedDoubles",
                   Asked(-1),
                   Pace(2, 0),
                   {u"waiting 10 s (retry 1 of 2)", u"waiting 20 s (retry 2 of 2)", u""}},
        PolicyCase{"UnaskedCappedAtTheLongestWait",
                   Asked(-1),
                   Pace(5, 0),
                   {u"waiting 10 s (retry 1 of 5)", u"waiting 20 s (retry 2 of 5)", u"waiting 40 s (retry 3 of 5)",
                    u"waiting 80 s (retry 4 of 5)", u"waiting 120 s (retry 5 of 5)", u""}},
        PolicyCase{"AskedTheLongestWait", Asked(120, 503), Pace(1, 0), {u"waiting 120 s (retry 1 of 1)", u""}},
        PolicyCase{"AskedTooLong", Asked(121), Pace(2, 0), {u"asked to wait 121 s"}},
        PolicyCase{"RetriesOff", Asked(1), Pace(0, 5), {u""}},
        PolicyCase{"FailuresOffByDefault", Passing(), RunPace{}, {u"connection reset"}},
        PolicyCase{"FailuresBackOff",
                   Passing(),
                   Pace(0, 3),
                   {u"waiting 1 s (retry 1 of 3)", u"waiting 2 s (retry 2 of 3)", u"waiting 4 s (retry 3 of 3)",
                    u"connection reset"}},
        PolicyCase{"LastingFailureNever", CheckOutcome{u"Aborted", u"host not found"}, Pace(5, 5), {u"host not found"}},
        PolicyCase{"OtherErrorNever", CheckOutcome{u"Error 500"}, Pace(5, 5), {u""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RowSchedulerHost, IsTheHostNameAsWrittenInLowerCase)
{
    EXPECT_EQ(RowScheduler::HostOfUrl(u"http://Example.COM/path"), u"example.com");
    EXPECT_EQ(RowScheduler::HostOfUrl(u"https://user:pw@Host.org:8443/a?b"), u"host.org");
    EXPECT_EQ(RowScheduler::HostOfUrl(u"http://[::1]:80/"), u"[::1]");
    EXPECT_EQ(RowScheduler::HostOfUrl(u"http://www.example.com"), u"www.example.com");
    EXPECT_EQ(RowScheduler::HostOfUrl(u"example.com/x"), u"example.com");
}

// A clock that moves only when the test moves it, and counts how often the run looked at it.
std::atomic<std::int64_t> testClockMs{0};
std::atomic<std::uint64_t> testClockLooks{0};
std::chrono::steady_clock::time_point TestClockNow()
{
    ++testClockLooks;
    return std::chrono::steady_clock::time_point{} + 1h + std::chrono::milliseconds(testClockMs.load());
}

// Waits until the run has looked at the test clock `looks` more times; a waiting worker looks at least every
// 50 ms.
bool RunLookedAgain(std::uint64_t looks)
{
    const std::uint64_t until = testClockLooks + looks;
    return WaitUntil([&] { return testClockLooks >= until; });
}

// What the checker saw and the window showed, for runs whose answers a script gives.
class ScriptedRun {
public:
    ScriptedRun(int rows, std::u16string threads, RunPace pace) : run(rows, std::move(threads))
    {
        testClockMs = 0;
        run.options.pace = pace;
        run.options.steadyClock = TestClockNow;
        run.options.checker = [this](const std::u16string& url, int, const std::atomic<bool>&) {
            std::lock_guard lock(mutex_);
            const int row = RowOfUrl(url);
            checks_.push_back({row, testClockMs.load()});
            auto& answers = answers_[row];
            if (answers.empty()) return CheckOutcome{u"Completed"};
            CheckOutcome next = answers.front();
            answers.erase(answers.begin());
            return next;
        };
    }
    void Answer(int row, std::vector<CheckOutcome> answers) { answers_[row] = std::move(answers); }
    std::vector<std::pair<int, std::int64_t>> Checks()
    {
        std::lock_guard lock(mutex_);
        return checks_;
    }
    std::size_t CheckCount() { return Checks().size(); }
    bool ShowsEvent(const std::string& event)
    {
        const auto events = run.window->Events();
        return std::find(events.begin(), events.end(), event) != events.end();
    }

    RunHarness run;

private:
    std::mutex mutex_;
    std::map<int, std::vector<CheckOutcome>> answers_;
    std::vector<std::pair<int, std::int64_t>> checks_;
};

TEST(RunPaceTest, A429IsCheckedAgainAfterTheWaitWhileTheWorkerTakesOtherRows)
{
    ScriptedRun scripted(3, u"1", RunPace{});
    scripted.Answer(0, {Asked(-1), Asked(-1), Asked(-1)});
    scripted.run.Start();

    // One worker: rows 1 and 2 are checked while row 0 waits its 10 s.
    ASSERT_TRUE(WaitUntil([&] { return scripted.CheckCount() == 3; }));
    EXPECT_TRUE(
        WaitUntil([&] { return scripted.ShowsEvent("SetRowStatus(0,Pinging page...,waiting 10 s (retry 1 of 2))"); }));
    testClockMs = 9'900;
    // The one worker takes no row between two looks at the clock without checking it: after two looks at
    // 9.9 s, a row handed out at that time has been checked.
    ASSERT_TRUE(RunLookedAgain(2));
    EXPECT_EQ(scripted.CheckCount(), 3u) << "checked again before its wait ended";
    testClockMs = 10'000;
    ASSERT_TRUE(WaitUntil([&] { return scripted.CheckCount() == 4; }));
    EXPECT_TRUE(
        WaitUntil([&] { return scripted.ShowsEvent("SetRowStatus(0,Pinging page...,waiting 20 s (retry 2 of 2))"); }));
    testClockMs = 30'000;
    ASSERT_TRUE(WaitUntil([&] { return scripted.CheckCount() == 5; }));
    ASSERT_TRUE(scripted.run.WaitForEnd());

    const std::vector<std::pair<int, std::int64_t>> expected = {{0, 0}, {1, 0}, {2, 0}, {0, 10'000}, {0, 30'000}};
    EXPECT_EQ(scripted.Checks(), expected);
    EXPECT_EQ(scripted.run.window->Statuses(), (std::vector<std::u16string>{u"Error 429", u"Completed", u"Completed"}));
    EXPECT_EQ(scripted.run.window->Messages(), std::vector<std::u16string>{u"Ping terminated"});
    EXPECT_EQ(RowTasksAlive(), 0u);
}

TEST(RunPaceTest, PassingFailuresAreRetriedOnlyWhenAskedAndThenBackOff)
{
    RunPace pace;
    pace.retriesOfFailures = 2;
    ScriptedRun scripted(1, u"2", pace);
    scripted.Answer(0, {Passing(), Passing()});
    scripted.run.Start();
    ASSERT_TRUE(
        WaitUntil([&] { return scripted.ShowsEvent("SetRowStatus(0,Pinging page...,waiting 1 s (retry 1 of 2))"); }));
    testClockMs = 1'000;
    ASSERT_TRUE(
        WaitUntil([&] { return scripted.ShowsEvent("SetRowStatus(0,Pinging page...,waiting 2 s (retry 2 of 2))"); }));
    testClockMs = 3'000;
    ASSERT_TRUE(scripted.run.WaitForEnd());
    const std::vector<std::pair<int, std::int64_t>> expected = {{0, 0}, {0, 1'000}, {0, 3'000}};
    EXPECT_EQ(scripted.Checks(), expected);
    EXPECT_EQ(scripted.run.window->Statuses(), std::vector<std::u16string>{u"Completed"});
}

TEST(RunPaceTest, WithRetriesOffEveryRowIsCheckedOnceAsBefore)
{
    RunPace off;
    off.retriesWhenAsked = 0;
    ScriptedRun scripted(4, u"2", off);
    scripted.Answer(1, {Asked(1)});
    scripted.Answer(2, {Passing()});
    ASSERT_TRUE(scripted.run.RunToEnd());
    EXPECT_EQ(scripted.CheckCount(), 4u);
    EXPECT_EQ(scripted.run.window->Statuses(),
              (std::vector<std::u16string>{u"Completed", u"Error 429", u"Aborted", u"Completed"}));
}

TEST(RunPaceTest, AbortDuringAWaitEndsTheRunAtOnceWithTheLastAnswer)
{
    ScriptedRun scripted(2, u"2", RunPace{});
    scripted.Answer(0, {Asked(100)});
    scripted.run.Start();
    ASSERT_TRUE(
        WaitUntil([&] { return scripted.ShowsEvent("SetRowStatus(0,Pinging page...,waiting 100 s (retry 1 of 2))"); }));
    scripted.run.window->AbortFlag() = true;
    // The clock stays at the start of the 100 s wait, so only the Abort can end the run.
    ASSERT_TRUE(scripted.run.WaitForEnd());
    EXPECT_EQ(scripted.CheckCount(), 2u);
    EXPECT_EQ(scripted.run.window->Statuses(), (std::vector<std::u16string>{u"Error 429", u"Completed"}));
    EXPECT_TRUE(scripted.ShowsEvent("SetRowStatus(0,Error 429,in 5 ms)"));
    EXPECT_EQ(scripted.run.window->Messages(), std::vector<std::u16string>{u"Ping aborted"});
}

// Checks under way per host, as a checker sees them.
class HostLoad {
public:
    void Enter(const std::u16string& host)
    {
        std::lock_guard lock(mutex_);
        most_[host] = std::max(most_[host], ++now_[host]);
    }
    void Leave(const std::u16string& host)
    {
        std::lock_guard lock(mutex_);
        --now_[host];
    }
    std::map<std::u16string, int> Most()
    {
        std::lock_guard lock(mutex_);
        return most_;
    }

private:
    std::mutex mutex_;
    std::map<std::u16string, int> now_;
    std::map<std::u16string, int> most_;
};

// Each host's rows in a block of their own, so that a run without the limit would start eight checks of the
// first host. Every check waits until eight are under way at once, which the run reaches only by starting
// the rows of other hosts ahead of a host at its limit; after that nobody waits.
TEST(RunPaceTest, NoHostEverHasMoreChecksAtOnceThanItsLimitAndEveryWorkerStaysBusy)
{
    std::vector<std::u16string> urls;
    for (int m = 0; m < 200; ++m) urls.push_back(u"http://Host" + std::u16string(1, u'A' + m / 50) + u".test/");
    RunHarness run(urls, u"8");
    run.options.pace.checksPerHost = 2;
    HostLoad load;
    std::atomic<int> underWay{0};
    std::atomic<int> mostUnderWay{0};
    std::atomic<bool> released{false};
    run.options.checker = [&](const std::u16string& url, int, const std::atomic<bool>&) {
        const std::u16string host = RowScheduler::HostOfUrl(url);
        load.Enter(host);
        int now = ++underWay;
        int most = mostUnderWay;
        while (now > most && !mostUnderWay.compare_exchange_weak(most, now)) {
        }
        if (now == 8) released = true;
        // A run that never gets there fails below; one time-out releases everybody, so it fails soon.
        if (!WaitUntil([&] { return released.load(); }, 20s)) released = true;
        --underWay;
        load.Leave(host);
        return CheckOutcome{u"Completed"};
    };
    ASSERT_TRUE(run.RunToEnd());
    const std::map<std::u16string, int> expected = {
        {u"hosta.test", 2}, {u"hostb.test", 2}, {u"hostc.test", 2}, {u"hostd.test", 2}};
    EXPECT_EQ(load.Most(), expected);
    EXPECT_EQ(mostUnderWay, 8) << "four hosts of two places each keep all eight workers busy";
    EXPECT_EQ(run.window->Statuses(), std::vector<std::u16string>(200, u"Completed"));
}

TEST(RunPaceTest, RowsStartInTableOrderWhenTheLimitsAllow)
{
    RunHarness run(50, u"1");
    run.options.pace.checksPerHost = 1;
    run.options.pace.requestsPerSecond = 1000;
    ASSERT_TRUE(run.RunToEnd());
    std::vector<int> everyRow(50);
    for (int m = 0; m < 50; ++m) everyRow[m] = m;
    EXPECT_EQ(run.window->StartOrder(), everyRow);
}

// Should an assertion end a test early, the test clock jumps past every wait, so the run ends before what its
// checker uses goes.
class RunEndedAtExit {
public:
    explicit RunEndedAtExit(RunHarness& run) : run_(run) {}
    ~RunEndedAtExit()
    {
        testClockMs = std::chrono::milliseconds(24h).count();
        EXPECT_TRUE(run_.WaitForEnd());
    }
    RunEndedAtExit(const RunEndedAtExit&) = delete;
    RunEndedAtExit& operator=(const RunEndedAtExit&) = delete;

private:
    RunHarness& run_;
};

// On the test clock: it moves to the next start's time only once the check before has been seen, so a check
// records the time the run started it at, and a start that came too soon records the time of the one before.
TEST(RunPaceTest, ChecksOfOneHostStartNoFasterThanTheRate)
{
    RunHarness run(12, u"6");
    testClockMs = 0;
    run.options.steadyClock = TestClockNow;
    run.options.pace.requestsPerSecond = 20;
    std::mutex mutex;
    std::vector<std::int64_t> starts;
    const auto startCount = [&] {
        std::lock_guard lock(mutex);
        return starts.size();
    };
    run.options.checker = [&](const std::u16string&, int, const std::atomic<bool>&) {
        std::lock_guard lock(mutex);
        starts.push_back(testClockMs);
        return CheckOutcome{u"Completed"};
    };
    run.Start();
    const RunEndedAtExit endRun(run);
    std::vector<std::int64_t> expected;
    for (std::int64_t k = 0; k < 12; ++k) {
        if (k > 0) {
            // 1 ms short of the next start: every waiting worker looks within 50 ms, and none may start.
            testClockMs = 50 * k - 1;
            ASSERT_TRUE(RunLookedAgain(6));
        }
        testClockMs = 50 * k;
        ASSERT_TRUE(WaitUntil([&] { return startCount() >= static_cast<std::size_t>(k + 1); })) << "start " << k;
        expected.push_back(50 * k);
    }
    ASSERT_TRUE(run.WaitForEnd());
    std::lock_guard lock(mutex);
    EXPECT_EQ(starts, expected);
}

}  // namespace
}  // namespace larkspire
