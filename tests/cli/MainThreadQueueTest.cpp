#include "base/LarkspireError.h"
#include "cli/MainThreadQueue.h"
#include "run/HandOverLink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace larkspire {
namespace {

using namespace std::chrono_literals;

auto Soon() { return std::chrono::steady_clock::now() + 20ms; }

// The main thread serving a run's hand-overs, as the headless window has it.
class MainThreadHandOvers : public testing::Test {
protected:
    MainThreadQueue queue_;
    std::atomic<int> posted_{0};
    HandOverLink link_{[this] {
        queue_.Post([this] { link_.RunPass(); });
        ++posted_;
    }};
};

TEST_F(MainThreadHandOvers, StepsRunOnTheServingThreadWhileTheirCallersWait)
{
    constexpr int kCallers = 8;
    constexpr int kStepsEach = 200;
    const std::thread::id serving = std::this_thread::get_id();
    int counter = 0;  // touched by the serving thread only
    std::atomic<int> wrong{0};
    std::atomic<int> finishedCallers{0};
    std::vector<std::thread> callers;
    for (int c = 0; c < kCallers; ++c) {
        callers.emplace_back([&] {
            for (int i = 0; i < kStepsEach; ++i) {
                int seen = -1;
                const bool ran = link_.HandOver([&] {
                    if (std::this_thread::get_id() != serving) ++wrong;
                    seen = ++counter;
                });
                // The caller returns only after its step has run.
                if (!ran || seen <= 0) ++wrong;
            }
            ++finishedCallers;
        });
    }
    const auto giveUp = std::chrono::steady_clock::now() + 60s;
    while (finishedCallers < kCallers && std::chrono::steady_clock::now() < giveUp) queue_.ServeUntil(Soon());
    for (std::thread& caller : callers) caller.join();
    EXPECT_EQ(counter, kCallers * kStepsEach);
    EXPECT_EQ(wrong, 0);
}

TEST_F(MainThreadHandOvers, AStepsExceptionReachesItsCaller)
{
    std::atomic<bool> caught{false};
    std::atomic<bool> done{false};
    std::thread caller([&] {
        try {
            link_.HandOver([] { throw LarkspireError("step failed"); });
        } catch (const LarkspireError& error) {
            caught = std::string(error.what()) == "step failed";
        }
        done = true;
    });
    while (!done) queue_.ServeUntil(Soon());
    caller.join();
    EXPECT_TRUE(caught);
}

TEST_F(MainThreadHandOvers, ClosingReleasesWaitingCallersWithoutRunningTheirSteps)
{
    std::atomic<bool> result{true};
    std::atomic<bool> stepRan{false};
    std::thread caller([&] { result = link_.HandOver([&] { stepRan = true; }); });
    while (posted_ == 0) std::this_thread::sleep_for(1ms);

    link_.Close();
    queue_.DiscardAll();
    caller.join();
    EXPECT_FALSE(result);
    EXPECT_FALSE(stepRan);
    EXPECT_FALSE(link_.HandOver([] {}));
}

}  // namespace
}  // namespace larkspire
