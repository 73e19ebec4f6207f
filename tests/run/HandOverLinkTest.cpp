#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "run/HandOverLink.h"
#include "tests/run/BlockedThread.h"
#include "tests/run/GuiThread.h"
#include "tests/run/WaitUntil.h"

namespace larkspire {
namespace {

using namespace std::chrono_literals;

class HandOverLinkTest : public ::testing::Test {
protected:
    std::atomic<int> wakes{0};
    HandOverLink link{[this] {
        gui.Post([this] { link.RunPass(); });
        ++wakes;
    }};
    // After the link, so that its loop has ended, and runs no pass, before the link goes.
    test::GuiThread gui;
};

TEST_F(HandOverLinkTest, RunsTheStepOnTheGuiThreadAndWaitsForIt)
{
    std::thread::id ranOn;
    bool finished = false;
    EXPECT_TRUE(link.HandOver([&] {
        // A slow step, so a HandOver that did not wait would return before it finished.
        std::this_thread::sleep_for(50ms);
        ranOn = std::this_thread::get_id();
        finished = true;
    }));
    EXPECT_TRUE(finished);
    EXPECT_EQ(ranOn, gui.Id());
}

TEST_F(HandOverLinkTest, AnExceptionOfTheStepReachesTheCaller)
{
    EXPECT_THROW(link.HandOver([] { throw std::runtime_error("step failed"); }), std::runtime_error);
    EXPECT_TRUE(link.HandOver([] {})) << "the link goes on working";
}

TEST_F(HandOverLinkTest, AfterCloseNoStepRuns)
{
    gui.Run([&] { link.Close(); });
    bool ran = false;
    EXPECT_FALSE(link.HandOver([&] { ran = true; }));
    gui.Run([] {});
    EXPECT_FALSE(ran);
}

TEST_F(HandOverLinkTest, AStepStillQueuedWhenTheWindowGoesIsDroppedAndItsCallerReleased)
{
    std::promise<void> unblock;
    // The window goes away while the GUI thread is busy, with the step queued behind.
    gui.Post([this, future = unblock.get_future().share()] {
        future.wait();
        link.Close();
    });
    std::atomic<bool> ran{false};
    auto caller = std::async(std::launch::async, [&] { return link.HandOver([&] { ran = true; }); });
    ASSERT_TRUE(test::WaitUntil([&] { return wakes == 1; }));
    unblock.set_value();
    EXPECT_FALSE(caller.get());
    gui.Run([] {});
    EXPECT_FALSE(ran);
}

TEST_F(HandOverLinkTest, AStepUnderWayWhenTheWindowGoesIsWaitedFor)
{
    bool finished = false;
    EXPECT_TRUE(link.HandOver([&] {
        link.Close();
        // A slow step, so a HandOver released by Close would return before it finished.
        std::this_thread::sleep_for(50ms);
        finished = true;
    }));
    EXPECT_TRUE(finished);
}

// The GUI thread held by a call of its own until Release, as a busy event loop would be.
class HeldGui {
public:
    explicit HeldGui(test::GuiThread& gui, std::function<void()> thenOnGui = {})
    {
        gui.Post([released = release_.get_future().share(), then = std::move(thenOnGui)] {
            released.wait();
            if (then) then();
        });
    }
    void Release() { release_.set_value(); }

private:
    std::promise<void> release_;
};

TEST_F(HandOverLinkTest, PostsReturnAtOnceAndEveryStepRunsInTheOrderGiven)
{
    constexpr int kPosters = 3;
    constexpr int kStepsEach = 200;
    std::vector<std::string> ran;  // GUI thread only
    HeldGui held(gui);
    std::vector<std::future<bool>> posters;
    for (int p = 0; p < kPosters; ++p) {
        posters.push_back(std::async(std::launch::async, [&, p] {
            bool all = true;
            for (int i = 0; i < kStepsEach; ++i)
                all = link.Post([&ran, p, i] { ran.push_back(std::to_string(p) + ":" + std::to_string(i)); }) && all;
            return all;
        }));
    }
    for (auto& poster : posters) {
        ASSERT_EQ(poster.wait_for(20s), std::future_status::ready) << "a Post waited for the held GUI thread";
        EXPECT_TRUE(poster.get());
    }
    auto waited = std::async(std::launch::async, [&] { return link.HandOver([&] { ran.push_back("end"); }); });
    held.Release();
    EXPECT_TRUE(waited.get());
    gui.Run([] {});

    ASSERT_EQ(ran.size(), static_cast<std::size_t>(kPosters * kStepsEach + 1));
    EXPECT_EQ(ran.back(), "end") << "a waited-for step runs after every step posted before it";
    std::vector<int> next(kPosters, 0);
    for (std::size_t k = 0; k + 1 < ran.size(); ++k) {
        const int p = std::stoi(ran[k]);
        EXPECT_EQ(ran[k], std::to_string(p) + ":" + std::to_string(next[p]++)) << "each poster's steps in order";
    }
}

TEST_F(HandOverLinkTest, APassThatSpentItsBudgetLetsTheEventsQueuedMeanwhileRunFirst)
{
    std::vector<std::string> ran;  // GUI thread only
    std::atomic<int> done{0};
    HeldGui held(gui);
    for (const char* name : {"slow 1", "slow 2", "slow 3"}) {
        link.Post([&, name] {
            std::this_thread::sleep_for(HandOverLink::kPassBudget + 1ms);
            ran.push_back(name);
            ++done;
        });
    }
    gui.Post([&] {
        ran.push_back("other event");
        ++done;
    });
    held.Release();
    ASSERT_TRUE(test::WaitUntil([&] { return done == 4; }));
    gui.Run([] {});
    EXPECT_EQ(ran, (std::vector<std::string>{"slow 1", "other event", "slow 2", "slow 3"}));
    EXPECT_EQ(wakes, 3) << "each pass ran one step and asked for the next";
}

TEST_F(HandOverLinkTest, ClosingDropsTheQueuedStepsAndRefusesLaterOnes)
{
    std::atomic<int> ran{0};
    HeldGui held(gui, [&] { link.Close(); });
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(link.Post([&] { ++ran; }));
    held.Release();
    gui.Run([] {});
    EXPECT_EQ(ran, 0) << "nothing applied once the window is gone";
    EXPECT_FALSE(link.Post([&] { ++ran; }));
    gui.Run([] {});
    EXPECT_EQ(ran, 0);
}

TEST_F(HandOverLinkTest, APostBeyondTheBacklogLimitWaitsUntilHalfOfItIsWorkedOff)
{
    std::atomic<std::size_t> ran{0};
    HeldGui held(gui);
    for (std::size_t i = 0; i < HandOverLink::kMostQueuedSteps; ++i) ASSERT_TRUE(link.Post([&] { ++ran; }));
    std::atomic<pid_t> posterId{0};
    std::atomic<bool> returned{false};
    std::size_t ranWhenReturned = 0;
    std::thread poster([&] {
        posterId = test::ThisThreadId();
        link.Post([&] { ++ran; });
        ranWhenReturned = ran;
        returned = true;
    });
    EXPECT_TRUE(test::WaitUntil([&] { return returned || test::IsAsleep(posterId); }));
    EXPECT_FALSE(returned) << "the Post beyond the limit did not wait";
    held.Release();
    poster.join();
    // Released once half the backlog was taken; the last step taken may still have been running.
    EXPECT_GE(ranWhenReturned + 1, HandOverLink::kMostQueuedSteps / 2);
    ASSERT_TRUE(link.HandOver([] {}));
    EXPECT_EQ(ran, HandOverLink::kMostQueuedSteps + 1);
}

// A free of memory another thread allocated can wait for that thread's allocator lock, which a worker at low
// priority may hold for tens of milliseconds once preempted: the steps are destroyed by the posting threads.
TEST_F(HandOverLinkTest, TheGuiThreadDestroysNoStepItRan)
{
    constexpr int kSteps = 100;
    struct Witness {
        std::thread::id gui;
        std::atomic<int>& destroyed;
        std::atomic<int>& destroyedOnGui;
        ~Witness()
        {
            if (std::this_thread::get_id() == gui) ++destroyedOnGui;
            ++destroyed;
        }
    };
    std::atomic<int> ran{0};
    std::atomic<int> destroyed{0};
    std::atomic<int> destroyedOnGui{0};
    for (int i = 0; i < kSteps; ++i) {
        auto witness = std::make_shared<Witness>(gui.Id(), destroyed, destroyedOnGui);
        ASSERT_TRUE(link.Post([&ran, witness = std::move(witness)] { ++ran; }));
    }
    // Later posts destroy what the passes before them ran.
    ASSERT_TRUE(test::WaitUntil([&] { return link.HandOver([] {}) && destroyed == kSteps; }));
    EXPECT_EQ(ran, kSteps);
    EXPECT_EQ(destroyedOnGui, 0);
}

TEST(HandOverLinkCloseTest, CloseWaitsForAWakeUnderWayAndNoWakeFollowsIt)
{
    test::GuiThread gui;
    std::promise<void> unblock;
    std::shared_future<void> unblocked = unblock.get_future().share();
    std::atomic<int> wakes{0};
    std::atomic<bool> wakeAfterClose{false};
    std::atomic<bool> closed{false};
    HandOverLink link([&] {
        if (closed) wakeAfterClose = true;
        ++wakes;
        unblocked.wait();
        gui.Post([&] { link.RunPass(); });
    });
    std::atomic<bool> ran{false};
    auto caller = std::async(std::launch::async, [&] { return link.HandOver([&] { ran = true; }); });
    ASSERT_TRUE(test::WaitUntil([&] { return wakes == 1; }));
    auto closer = std::async(std::launch::async, [&] {
        link.Close();
        closed = true;
    });
    EXPECT_EQ(closer.wait_for(100ms), std::future_status::timeout) << "a wake is under way";
    unblock.set_value();
    closer.get();
    // The step posted before Close may have run before it or been dropped; the caller is told which.
    const bool first = caller.get();
    gui.Run([] {});
    EXPECT_EQ(first, ran.load());
    ran = false;
    EXPECT_FALSE(link.HandOver([&] { ran = true; }));
    gui.Run([] {});
    EXPECT_FALSE(ran);
    EXPECT_FALSE(wakeAfterClose);
    EXPECT_EQ(wakes, 1);
}

}  // namespace
}  // namespace larkspire
