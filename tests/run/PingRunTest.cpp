#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "run/PingRun.h"
#include "run/RowTask.h"
#include "run/RunThread.h"
#include "tests/run/RunHarness.h"
#include "tests/run/WaitUntil.h"

namespace larkspire {
namespace {

using namespace std::chrono_literals;
using test::RowOfUrl;
using test::RunHarness;
using test::WaitUntil;

const std::u16string kPinging = u"Pinging page...";

// What the checker saw, from every worker thread.
class CheckLog {
public:
    void Add(int row, int timeout)
    {
        std::lock_guard lock(mutex_);
        rows_.push_back(row);
        timeouts_[row] = timeout;
        byThread_[std::this_thread::get_id()].push_back(row);
    }
    std::vector<int> Rows()
    {
        std::lock_guard lock(mutex_);
        return rows_;
    }
    std::map<int, int> Timeouts()
    {
        std::lock_guard lock(mutex_);
        return timeouts_;
    }
    std::map<std::thread::id, std::vector<int>> ByThread()
    {
        std::lock_guard lock(mutex_);
        return byThread_;
    }

private:
    std::mutex mutex_;
    std::vector<int> rows_;
    std::map<int, int> timeouts_;
    std::map<std::thread::id, std::vector<int>> byThread_;
};

std::vector<std::u16string> Repeated(std::size_t count, const std::u16string& status)
{
    return std::vector<std::u16string>(count, status);
}

// After every run: the window is idle, was only touched on its GUI thread, and nothing of the run is held.
void ExpectCleanEnd(RunHarness& run)
{
    EXPECT_EQ(run.window->Faults(), 0);
    EXPECT_FALSE(run.window->Running());
    EXPECT_EQ(RowTasksAlive(), 0u);
    EXPECT_EQ(run.window.use_count(), 1);
}

struct SettingCase {
    const char* name;
    std::u16string text;
    int value;
};

void PrintTo(const SettingCase& param, std::ostream* out) { *out << param.name; }

class ThreadSettingValueTest : public ::testing::TestWithParam<SettingCase> {};

TEST_P(ThreadSettingValueTest, ReadsAWholeNumberOfAtLeastOne)
{
    EXPECT_EQ(ThreadSettingValue(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Texts, ThreadSettingValueTest,
                         ::testing::Values(SettingCase{"Eight", u"8", 8}, SettingCase{"Sixty", u"60", 60},
                                           SettingCase{"Padded", u" 16 ", 16}, SettingCase{"PlusSign", u"+4", 4},
                                           SettingCase{"LeadingZeros", u"007", 7}, SettingCase{"One", u"1", 1},
                                           SettingCase{"Zero", u"0", 1}, SettingCase{"Negative", u"-3", 1},
                                           SettingCase{"Empty", u"", 1}, SettingCase{"Letters", u"abc", 1},
                                           SettingCase{"Fraction", u"2.5", 1}, SettingCase{"TrailingLetter", u"8x", 1},
                                           SettingCase{"SignOnly", u"+", 1},
                                           SettingCase{"TooLarge", u"99999999999999999999", INT_MAX}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PingRunTest, AnEmptyTableStartsNoWorkerAndEndsTerminated)
{
    RunHarness run(0, u"8");
    run.options.pause = 300ms;
    run.window->OnGui([&] { run.window->SetProcessedText(u"7"); });
    // The run thread's pause is a wait on the steady clock between this thread's two readings of it, so a busy
    // machine can only lengthen what this measures; a run that skipped the pause would end within milliseconds.
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(run.RunToEnd());
    EXPECT_GE(std::chrono::steady_clock::now() - started, 300ms) << "every run pauses, an empty one too";
    EXPECT_EQ(run.window->Events(),
              (std::vector<std::string>{"SetProcessedText(7)", "SetRunningState(true)", "ClearStatusColumn",
                                        "ThreadSettingText", "RowCount", "SetRunningState(false)",
                                        "ShowMessage(Ping terminated)"}));
    EXPECT_EQ(run.threads.Started(), 2) << "the run thread and the ticker, no worker";
    EXPECT_EQ(run.window->ProcessedText(), u"7");
    ExpectCleanEnd(run);
}

TEST(PingRunTest, OneRowIsClearedStartedCheckedAndFinished)
{
    RunHarness run(1, u"8");
    run.window->SetStatus(0, u"Error 404");
    run.window->OnGui([&] { run.window->TimeoutSeconds() = 12; });
    std::u16string statusDuringCheck;
    std::u16string checkedUrl;
    int checkedTimeout = 0;
    std::string threadName;
    run.options.checker = [&](const std::u16string& url, int timeout, const std::atomic<bool>&) {
        run.window->OnGui([&] { statusDuringCheck = run.window->Statuses().at(0); });
        checkedUrl = url;
        checkedTimeout = timeout;
        char name[16] = {};
        pthread_getname_np(pthread_self(), name, sizeof name);
        threadName = name;
        return CheckOutcome{u"Completed", {}, 5};
    };
    ASSERT_TRUE(run.RunToEnd());

    EXPECT_EQ(statusDuringCheck, kPinging);
    EXPECT_EQ(checkedUrl, test::UrlOfRow(0));
    EXPECT_EQ(checkedTimeout, 12);
    EXPECT_EQ(threadName, "PingWorker");
    EXPECT_EQ(run.window->Statuses(), Repeated(1, u"Completed"));
    EXPECT_EQ(run.window->Events(),
              (std::vector<std::string>{"SetRunningState(true)", "ClearStatusColumn", "ThreadSettingText", "RowCount",
                                        "RowUrl(0)", "SetRowStatus(0,Pinging page...)", "SetProcessedText(1)",
                                        "SetRowStatus(0,Completed,in 5 ms)", "SetRunningState(false)",
                                        "ShowMessage(Ping terminated)"}));
    EXPECT_EQ(run.threads.Started(), 3) << "the run thread, the ticker and one worker";
    ExpectCleanEnd(run);
}

struct PoolCase {
    const char* name;
    std::u16string setting;
    int rows;
    int workers;
};

void PrintTo(const PoolCase& param, std::ostream* out) { *out << param.name; }

class WorkerCountTest : public ::testing::TestWithParam<PoolCase> {};

// Every check waits until as many checks run at once as there should be workers, so a missing worker shows
// as a time-out and an extra one as too many checks at once.
TEST_P(WorkerCountTest, StartsTheSmallerOfTheSettingAndTheRowCount)
{
    const PoolCase& pool = GetParam();
    RunHarness run(pool.rows, pool.setting);
    std::atomic<int> inCheck{0};
    std::atomic<int> mostInCheck{0};
    std::atomic<bool> allIn{false};
    run.options.checker = [&](const std::u16string&, int, const std::atomic<bool>&) {
        const int now = ++inCheck;
        int most = mostInCheck;
        while (now > most && !mostInCheck.compare_exchange_weak(most, now)) {
        }
        if (now == pool.workers) allIn = true;
        WaitUntil([&] { return allIn.load(); }, 20s);
        --inCheck;
        return CheckOutcome{u"Completed", {}};
    };
    ASSERT_TRUE(run.RunToEnd());
    EXPECT_TRUE(allIn);
    EXPECT_EQ(mostInCheck, pool.workers);
    EXPECT_EQ(run.threads.Started(), 2 + pool.workers);
    EXPECT_EQ(run.window->Statuses(), Repeated(pool.rows, u"Completed"));
    ExpectCleanEnd(run);
}

INSTANTIATE_TEST_SUITE_P(Settings, WorkerCountTest,
                         ::testing::Values(PoolCase{"FewerRowsThanSetting", u"8", 3, 3},
                                           PoolCase{"MoreRowsThanSetting", u"8", 100, 8},
                                           PoolCase{"OneThread", u"1", 5, 1}, PoolCase{"ZeroMeansOne", u"0", 5, 1},
                                           PoolCase{"NegativeMeansOne", u"-2", 5, 1},
                                           PoolCase{"TextMeansOne", u"many", 5, 1},
                                           PoolCase{"RowsEqualSetting", u"4", 4, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

class LargeTableTest : public ::testing::TestWithParam<std::u16string> {};

// 12000 rows: more than the queue holds, so the run thread must wait for the workers.
TEST_P(LargeTableTest, ChecksEveryRowInRowOrderHoldingAtMostAQueueOfTasks)
{
    constexpr int kRows = 12000;
    RunHarness run(kRows, GetParam());
    const int workers = ThreadSettingValue(GetParam());
    const std::size_t mostHeld = kTaskQueueCapacity + workers + 1;  // queued, under way, and one being pushed
    CheckLog log;
    std::atomic<bool> queueFilled{false};
    std::atomic<std::size_t> mostAlive{0};
    run.options.checker = [&](const std::u16string& url, int timeout, const std::atomic<bool>&) {
        if (!queueFilled) {
            // Hold the first checks until the run has filled the queue.
            queueFilled = WaitUntil([] { return RowTasksAlive() >= kTaskQueueCapacity; });
            // Nothing to wait for: a run that overfilled the queue would do it now, so give it the time.
            std::this_thread::sleep_for(100ms);
        }
        std::size_t alive = RowTasksAlive();
        std::size_t most = mostAlive;
        while (alive > most && !mostAlive.compare_exchange_weak(most, alive)) {
        }
        log.Add(RowOfUrl(url), timeout);
        return CheckOutcome{u"Completed", {}};
    };
    ASSERT_TRUE(run.RunToEnd());

    EXPECT_TRUE(queueFilled);
    EXPECT_LE(mostAlive, mostHeld);
    std::vector<int> checked = log.Rows();
    std::sort(checked.begin(), checked.end());
    std::vector<int> everyRow(kRows);
    for (int m = 0; m < kRows; ++m) everyRow[m] = m;
    EXPECT_EQ(checked, everyRow) << "every row checked exactly once";
    for (const auto& [thread, rows] : log.ByThread()) {
        EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end())) << "each worker takes its rows in row order";
    }
    if (workers == 1) {
        EXPECT_EQ(run.window->StartOrder(), everyRow);
    }
    EXPECT_EQ(run.window->Statuses(), Repeated(kRows, u"Completed"));
    EXPECT_EQ(run.window->Messages(), std::vector<std::u16string>{u"Ping terminated"});
    ExpectCleanEnd(run);
}

INSTANTIATE_TEST_SUITE_P(Settings, LargeTableTest, ::testing::Values(u"1", u"4"), [](const auto& info) {
    return "Threads" + std::string(info.param.begin(), info.param.end());  // the settings are ASCII digits
});

TEST(PingRunTest, AbortSkipsRowsNotYetStartedAndLetsChecksUnderWayFinish)
{
    RunHarness run(50, u"2");
    std::atomic<bool> row11InCheck{false};
    CheckLog log;
    run.options.checker = [&](const std::u16string& url, int timeout, const std::atomic<bool>&) {
        const int row = RowOfUrl(url);
        log.Add(row, timeout);
        if (row == 10) {
            WaitUntil([&] { return row11InCheck.load(); });
            run.window->OnGui([&] { run.window->AbortFlag() = true; });
        }
        if (row == 11) {
            row11InCheck = true;
            WaitUntil([&] { return run.window->AbortFlag().load(); });
            return CheckOutcome{u"Timeout", {}};
        }
        return CheckOutcome{u"Completed", {}};
    };
    ASSERT_TRUE(run.RunToEnd());

    std::vector<std::u16string> expected = Repeated(11, u"Completed");
    expected.push_back(u"Timeout");
    expected.resize(50);
    EXPECT_EQ(run.window->Statuses(), expected);
    EXPECT_EQ(log.Rows().size(), 12u) << "no request for a skipped row";
    EXPECT_EQ(run.window->ProcessedText(), u"12");
    EXPECT_EQ(run.window->Messages(), std::vector<std::u16string>{u"Ping aborted"});
    ExpectCleanEnd(run);
}

TEST(PingRunTest, AnAbortLeftFromBeforeTheRunIsClearedAndEveryRowIsChecked)
{
    RunHarness run(5, u"2");
    run.window->OnGui([&] { run.window->AbortFlag() = true; });
    ASSERT_TRUE(run.RunToEnd());
    EXPECT_EQ(run.window->Statuses(), Repeated(5, u"Completed"));
    EXPECT_EQ(run.window->Messages(), std::vector<std::u16string>{u"Ping terminated"});
    ExpectCleanEnd(run);
}

TEST(PingRunTest, AbortDuringThePauseEndsTheRunBeforeAnyCheck)
{
    RunHarness run(5, u"2");
    run.options.pause = 30s;  // cut short by the Abort
    std::atomic<int> checks{0};
    run.options.checker = [&](const std::u16string&, int, const std::atomic<bool>&) {
        ++checks;
        return CheckOutcome{u"Completed", {}};
    };
    run.window->SetStatus(2, u"Error 404");
    run.window->onRunningStateChange = [&](bool running) {
        if (running) run.window->AbortFlag() = true;
    };
    ASSERT_TRUE(run.RunToEnd());
    EXPECT_EQ(checks, 0);
    EXPECT_EQ(run.window->Statuses(), Repeated(5, u"")) << "every row unchecked, the old statuses cleared";
    EXPECT_EQ(run.window->Events(), (std::vector<std::string>{"SetRunningState(true)", "ClearStatusColumn",
                                                              "SetRunningState(false)", "ShowMessage(Ping aborted)"}));
    EXPECT_EQ(run.threads.Started(), 1) << "only the run thread: no ticker, no worker";
    ExpectCleanEnd(run);
}

TEST(PingRunTest, AbortAfterTheLastRowBeganStillEndsAborted)
{
    RunHarness run(5, u"1");
    run.options.checker = [&](const std::u16string& url, int, const std::atomic<bool>&) {
        if (RowOfUrl(url) == 4) run.window->OnGui([&] { run.window->AbortFlag() = true; });
        return CheckOutcome{u"Completed", {}};
    };
    ASSERT_TRUE(run.RunToEnd());
    EXPECT_EQ(run.window->Statuses(), Repeated(5, u"Completed"));
    EXPECT_EQ(run.window->Messages(), std::vector<std::u16string>{u"Ping aborted"});
    ExpectCleanEnd(run);
}

TEST(PingRunTest, ATimeoutChangeDuringARunAppliesToRowsStartedAfterIt)
{
    RunHarness run(6, u"1");
    run.window->OnGui([&] { run.window->TimeoutSeconds() = 10; });
    CheckLog log;
    run.options.checker = [&](const std::u16string& url, int timeout, const std::atomic<bool>&) {
        log.Add(RowOfUrl(url), timeout);
        if (RowOfUrl(url) == 2) run.window->OnGui([&] { run.window->TimeoutSeconds() = 20; });
        return CheckOutcome{u"Completed", {}};
    };
    ASSERT_TRUE(run.RunToEnd());
    EXPECT_EQ(log.Timeouts(), (std::map<int, int>{{0, 10}, {1, 10}, {2, 10}, {3, 20}, {4, 20}, {5, 20}}));
    ExpectCleanEnd(run);
}

TEST(PingRunTest, ProcessedShowsTheNumberOfTheRowWhoseCheckStartedLast)
{
    RunHarness run(45, u"1");
    std::map<int, std::u16string> processedDuringCheck;
    run.options.checker = [&](const std::u16string& url, int, const std::atomic<bool>&) {
        run.window->OnGui([&] { processedDuringCheck[RowOfUrl(url)] = run.window->ProcessedText(); });
        return CheckOutcome{u"Completed", {}};
    };
    ASSERT_TRUE(run.RunToEnd());
    EXPECT_EQ(processedDuringCheck.at(0), u"1");
    EXPECT_EQ(processedDuringCheck.at(8), u"9");
    EXPECT_EQ(processedDuringCheck.at(41), u"42");
    EXPECT_EQ(run.window->ProcessedText(), u"45");
    ExpectCleanEnd(run);
}

// Returns the grid operation that came right before row m's start step wrote "Pinging page...".
std::string EventBeforeStartOf(const std::vector<std::string>& events, int m)
{
    const std::string start = "SetRowStatus(" + std::to_string(m) + ",Pinging page...)";
    const auto at = std::find(events.begin(), events.end(), start);
    if (at == events.end() || at == events.begin()) return "(no start of row " + std::to_string(m) + ")";
    return *(at - 1);
}

TEST(PingRunTest, TheRowBeingStartedStaysTenRowsBelowTheTopOfTheView)
{
    RunHarness run(30, u"1");
    ASSERT_TRUE(run.RunToEnd());
    const auto events = run.window->Events();
    EXPECT_EQ(EventBeforeStartOf(events, 9), "SetRowStatus(8,Completed)") << "rows 0 to 9 do not scroll";
    EXPECT_EQ(EventBeforeStartOf(events, 10), "MakeTopRow(0)");
    EXPECT_EQ(EventBeforeStartOf(events, 25), "MakeTopRow(15)");
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const std::string& event) { return event.rfind("MakeTopRow(", 0) == 0; }),
              20);
    ExpectCleanEnd(run);
}

TEST(PingRunTest, ARaisingTaskEndsOnlyItsWorkerAndKeepsItsRowAsStarted)
{
    RunHarness run(30, u"2");
    std::atomic<bool> oneWorkerLeft{false};
    run.options.checker = [&](const std::u16string& url, int, const std::atomic<bool>&) -> CheckOutcome {
        const int row = RowOfUrl(url);
        if (row == 3) throw std::runtime_error("checker failed");
        // The run thread, the ticker and the worker that did not raise.
        if (row == 20) oneWorkerLeft = WaitUntil([&] { return run.threads.Alive() == 3; });
        return CheckOutcome{u"Completed", {}};
    };
    ASSERT_TRUE(run.RunToEnd());
    std::vector<std::u16string> expected = Repeated(30, u"Completed");
    expected[3] = kPinging;
    EXPECT_EQ(run.window->Statuses(), expected);
    EXPECT_TRUE(oneWorkerLeft);
    EXPECT_EQ(run.window->Messages(), std::vector<std::u16string>{u"Ping terminated"});
    ExpectCleanEnd(run);
}

TEST(PingRunTest, ARunEndsWhenEveryWorkerRaisedWhileMoreRowsRemainThanTheQueueHolds)
{
    RunHarness run(12000, u"2");
    run.options.checker = [](const std::u16string&, int, const std::atomic<bool>&) -> CheckOutcome { throw 1; };
    ASSERT_TRUE(run.RunToEnd());
    const auto statuses = run.window->Statuses();
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), kPinging), 2);
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), u""), 12000 - 2);
    EXPECT_EQ(run.window->Messages(), std::vector<std::u16string>{u"Ping terminated"});
    ExpectCleanEnd(run);
}

struct RefusalCase {
    const char* name;
    std::set<int> refused;  // start attempts: 0 the run thread, 1 the ticker, then the workers
    int rows;
    bool rowsChecked;
    int started;
};

void PrintTo(const RefusalCase& param, std::ostream* out) { *out << param.name; }

class ThreadRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ThreadRefusalTest, TheRunNeverWaitsForAThreadThatDidNotStart)
{
    const RefusalCase& refusal = GetParam();
    RunHarness run(refusal.rows, u"3");
    run.threads.Refuse(refusal.refused);
    run.window->OnGui([&] { run.window->SetElapsedText(u"12:34:56"); });
    ASSERT_TRUE(run.RunToEnd());
    EXPECT_EQ(run.threads.Started(), refusal.started);
    EXPECT_EQ(run.window->Statuses(), Repeated(refusal.rows, refusal.rowsChecked ? u"Completed" : u""));
    EXPECT_EQ(run.window->Messages(), std::vector<std::u16string>{u"Ping terminated"});
    if (refusal.refused.count(1) != 0) {
        EXPECT_EQ(run.window->ElapsedText(), u"12:34:56") << "no ticker";
    }
    ExpectCleanEnd(run);
}

INSTANTIATE_TEST_SUITE_P(Refusals, ThreadRefusalTest,
                         ::testing::Values(RefusalCase{"NoTicker", {1}, 20, true, 4},
                                           RefusalCase{"OneWorkerOfThree", {3}, 50, true, 4},
                                           RefusalCase{"EveryWorker", {2, 3, 4}, 12000, false, 2},
                                           RefusalCase{"NothingButTheRunThread", {1, 2, 3, 4}, 12000, false, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PingRunTest, StartThrowsWhenTheRunThreadCannotStartAndTouchesNothing)
{
    RunHarness run(3, u"1");
    run.threads.Refuse({0});
    EXPECT_THROW(run.Start(), ThreadStartError);
    EXPECT_TRUE(run.window->Events().empty());
    EXPECT_EQ(run.window.use_count(), 1);
}

TEST(PingRunTest, WhenTheWindowGoesMidRunTheRunEndsWithoutTouchingIt)
{
    RunHarness run(2000, u"2");
    std::atomic<bool> closed{false};
    CheckLog log;
    run.options.checker = [&](const std::u16string& url, int timeout, const std::atomic<bool>&) {
        const int row = RowOfUrl(url);
        log.Add(row, timeout);
        if (row == 5) {
            run.window->Close();
            closed = true;
        }
        if (row > 5) WaitUntil([&] { return closed.load(); });
        return CheckOutcome{u"Completed", {}};
    };
    ASSERT_TRUE(run.RunToEnd());
    EXPECT_EQ(run.window->Faults(), 0) << "nothing of the window touched after it went";
    EXPECT_TRUE(run.window->Messages().empty());
    EXPECT_TRUE(run.window->Running()) << "the window was gone before the run could make it idle";
    EXPECT_LE(log.Rows().size(), 7u) << "rows 0 to 5, and at most the one the other worker had started";
    EXPECT_EQ(RowTasksAlive(), 0u);
    EXPECT_EQ(run.window.use_count(), 1);
}

TEST(PingRunTest, WhenTheWindowIsGoneBeforeTheRunBeginsNothingHappens)
{
    RunHarness run(20, u"2");
    run.window->Close();
    ASSERT_TRUE(run.RunToEnd());
    EXPECT_EQ(run.threads.Started(), 1) << "only the run thread";
    EXPECT_EQ(run.window->Faults(), 0);
    EXPECT_TRUE(run.window->Events().empty());
    EXPECT_EQ(run.window.use_count(), 1);
}

}  // namespace
}  // namespace larkspire
