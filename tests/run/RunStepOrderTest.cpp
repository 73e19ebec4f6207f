#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "run/RowTask.h"
#include "tests/run/RunHarness.h"
#include "tests/run/WaitUntil.h"

namespace larkspire {
namespace {

using namespace std::chrono_literals;
using test::RowOfUrl;
using test::RunHarness;

// Checks that go on while the GUI thread is held: more than any worker count, fewer than one read of Urls.
constexpr int kChecksWhileHeld = 200;

bool IsStatusEvent(const std::string& event) { return event.rfind("SetRowStatus(", 0) == 0; }

int RowOfEvent(const std::string& event) { return std::stoi(event.substr(event.find('(') + 1)); }

bool IsStartEvent(const std::string& event) { return event.find(",Pinging page...") != std::string::npos; }

// The rows each worker thread checked, in the order it checked them.
class RowsByThread {
public:
    void Add(int row)
    {
        std::lock_guard lock(mutex_);
        rows_[std::this_thread::get_id()].push_back(row);
    }
    std::map<std::thread::id, std::vector<int>> Get()
    {
        std::lock_guard lock(mutex_);
        return rows_;
    }

private:
    std::mutex mutex_;
    std::map<std::thread::id, std::vector<int>> rows_;
};

struct OrderCase {
    const char* name;
    std::u16string setting;
};

void PrintTo(const OrderCase& param, std::ostream* out) { *out << param.name; }

class RunStepOrderTest : public ::testing::TestWithParam<OrderCase> {};

// Row 0's check posts a step that holds the GUI thread (no other row is checked before it is queued) until
// kChecksWhileHeld checks have ended: a worker that waited for the window would never get there. The steps queued
// meanwhile then reach the window in the order each worker made them, every row's start before its finish, and
// every one before the idle state and the end message.
TEST_P(RunStepOrderTest, WorkersGoOnWhileTheGuiIsHeldAndTheirStepsArriveInOrderBeforeTheEndSteps)
{
    constexpr int kRows = 1500;
    RunHarness run(kRows, GetParam().setting);
    std::atomic<int> checks{0};
    std::atomic<bool> heldUntilChecked{false};
    std::atomic<bool> holdQueued{false};
    RowsByThread byThread;
    run.options.checker = [&](const std::u16string& url, int, const std::atomic<bool>&) {
        const int row = RowOfUrl(url);
        if (row == 0) {
            run.window->Post([&] { heldUntilChecked = test::WaitUntil([&] { return checks >= kChecksWhileHeld; }); });
            holdQueued = true;
        }
        test::WaitUntil([&] { return holdQueued.load(); });
        byThread.Add(row);
        ++checks;
        return CheckOutcome{u"Completed", {}};
    };
    ASSERT_TRUE(run.RunToEnd());
    EXPECT_TRUE(heldUntilChecked) << "the workers stopped while the GUI thread was held";

    const std::vector<std::string> events = run.window->Events();
    const auto idle = std::find(events.begin(), events.end(), "SetRunningState(false)");
    ASSERT_NE(idle, events.end());
    EXPECT_EQ(std::vector<std::string>(idle, events.end()),
              (std::vector<std::string>{"SetRunningState(false)", "ShowMessage(Ping terminated)"}));
    std::vector<int> finishOrder;
    std::map<int, int> startsSeen;
    for (auto it = events.begin(); it != idle; ++it) {
        if (!IsStatusEvent(*it)) continue;
        const int row = RowOfEvent(*it);
        if (IsStartEvent(*it)) {
            ++startsSeen[row];
            continue;
        }
        EXPECT_EQ(startsSeen[row], 1) << "row " << row << " finished without one start before it";
        finishOrder.push_back(row);
    }
    EXPECT_EQ(static_cast<int>(finishOrder.size()), kRows);
    for (const auto& [thread, rows] : byThread.Get()) {
        std::vector<int> applied;
        std::copy_if(finishOrder.begin(), finishOrder.end(), std::back_inserter(applied),
                     [&](int row) { return std::find(rows.begin(), rows.end(), row) != rows.end(); });
        EXPECT_EQ(applied, rows) << "a worker's statuses reach the window in the order it made them";
    }
    EXPECT_EQ(run.window->Statuses(), std::vector<std::u16string>(kRows, u"Completed"));
    EXPECT_EQ(run.window->Faults(), 0);
    EXPECT_EQ(RowTasksAlive(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Settings, RunStepOrderTest,
                         ::testing::Values(OrderCase{"OneWorker", u"1"}, OrderCase{"FourWorkers", u"4"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The window goes while the steps of many checks are still queued behind a busy GUI thread: none of them is
// applied, and the run ends on its own.
TEST(RunStepOrderTest, NothingQueuedIsAppliedOnceTheWindowIsGone)
{
    RunHarness run(1500, u"2");
    std::atomic<int> checks{0};
    std::atomic<bool> holdQueued{false};
    int appliedAtGoing = -1;
    int checkedAtGoing = -1;
    run.options.checker = [&](const std::u16string& url, int, const std::atomic<bool>&) {
        if (RowOfUrl(url) == 0) {
            run.window->Post([&] {
                test::WaitUntil([&] { return checks >= kChecksWhileHeld; });
                const auto events = run.window->Events();
                appliedAtGoing = static_cast<int>(std::count_if(events.begin(), events.end(), IsStatusEvent));
                checkedAtGoing = checks;
                run.window->GoAway();
            });
            holdQueued = true;
        }
        test::WaitUntil([&] { return holdQueued.load(); });
        ++checks;
        return CheckOutcome{u"Completed", {}};
    };
    ASSERT_TRUE(run.RunToEnd());
    ASSERT_GE(checkedAtGoing, kChecksWhileHeld);
    EXPECT_LT(appliedAtGoing, 2 * checkedAtGoing) << "steps were still queued when the window went";
    const auto events = run.window->Events();
    EXPECT_EQ(std::count_if(events.begin(), events.end(), IsStatusEvent), appliedAtGoing);
    EXPECT_EQ(run.window->Faults(), 0) << "nothing of the window touched after it went";
    EXPECT_TRUE(run.window->Messages().empty());
    EXPECT_EQ(RowTasksAlive(), 0u);
    EXPECT_EQ(run.window.use_count(), 1);
}

}  // namespace
}  // namespace larkspire
