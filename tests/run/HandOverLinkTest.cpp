#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

#include "run/HandOverLink.h"
#include "tests/run/GuiThread.h"
#include "tests/run/WaitUntil.h"

namespace larkspire {
namespace {

using namespace std::chrono_literals;

class HandOverLinkTest : public ::testing::Test {
protected:
    test::GuiThread gui;
    std::atomic<int> posts{0};
    HandOverLink link{[this](std::function<void()> call) {
        gui.Post(std::move(call));
        ++posts;
    }};
};

TEST_F(HandOverLinkTest, RunsTheStepOnTheGuiThreadAndWaitsForIt) {
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

TEST_F(HandOverLinkTest, AnExceptionOfTheStepReachesTheCaller) {
    EXPECT_THROW(link.HandOver([] { throw std::runtime_error("step failed"); }), std::runtime_error);
    EXPECT_TRUE(link.HandOver([] {})) << "the link goes on working";
}

TEST_F(HandOverLinkTest, AfterCloseNoStepRuns) {
    gui.Run([&] { link.Close(); });
    bool ran = false;
    EXPECT_FALSE(link.HandOver([&] { ran = true; }));
    gui.Run([] {});
    EXPECT_FALSE(ran);
}

TEST_F(HandOverLinkTest, AStepStillQueuedWhenTheWindowGoesIsDroppedAndItsCallerReleased) {
    std::promise<void> unblock;
    // The window goes away while the GUI thread is busy, with the step queued behind.
    gui.Post([this, future = unblock.get_future().share()] {
        future.wait();
        link.Close();
    });
    std::atomic<bool> ran{false};
    auto caller = std::async(std::launch::async, [&] { return link.HandOver([&] { ran = true; }); });
    ASSERT_TRUE(test::WaitUntil([&] { return posts == 1; }));
    unblock.set_value();
    EXPECT_FALSE(caller.get());
    gui.Run([] {});
    EXPECT_FALSE(ran);
}

TEST_F(HandOverLinkTest, AStepUnderWayWhenTheWindowGoesIsWaitedFor) {
    bool finished = false;
    EXPECT_TRUE(link.HandOver([&] {
        link.Close();
        // A slow step, so a HandOver released by Close would return before it finished.
        std::this_thread::sleep_for(50ms);
        finished = true;
    }));
    EXPECT_TRUE(finished);
}

TEST(HandOverLinkCloseTest, CloseWaitsForAPostUnderWayAndNoPostFollowsIt) {
    test::GuiThread gui;
    std::promise<void> unblock;
    std::shared_future<void> unblocked = unblock.get_future().share();
    std::atomic<int> posts{0};
    std::atomic<bool> postAfterClose{false};
    std::atomic<bool> closed{false};
    HandOverLink link([&](std::function<void()> call) {
        if (closed) postAfterClose = true;
        ++posts;
        unblocked.wait();
        gui.Post(std::move(call));
    });
    std::atomic<bool> ran{false};
    auto caller = std::async(std::launch::async, [&] { return link.HandOver([&] { ran = true; }); });
    ASSERT_TRUE(test::WaitUntil([&] { return posts == 1; }));
    auto closer = std::async(std::launch::async, [&] {
        link.Close();
        closed = true;
    });
    EXPECT_EQ(closer.wait_for(100ms), std::future_status::timeout) << "a post is under way";
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
    EXPECT_FALSE(postAfterClose);
    EXPECT_EQ(posts, 1);
}

TEST(HandOverLinkDropTest, ACallerIsReleasedWhenTheEventLoopDropsItsStep) {
    HandOverLink link([](std::function<void()> call) { call = nullptr; });
    bool ran = false;
    EXPECT_FALSE(link.HandOver([&] { ran = true; }));
    EXPECT_FALSE(ran);
}

TEST(HandOverLinkDropTest, StepsQueuedOnAnEndedLoopReleaseTheirCallers) {
    auto gui = std::make_unique<test::GuiThread>();
    std::atomic<bool> posted{false};
    HandOverLink link([&](std::function<void()> call) {
        gui->Post(std::move(call));
        posted = true;
    });
    std::promise<void> unblock;
    gui->Post([future = unblock.get_future().share()] { future.wait(); });
    std::atomic<bool> ran{false};
    auto caller = std::async(std::launch::async, [&] { return link.HandOver([&] { ran = true; }); });
    ASSERT_TRUE(test::WaitUntil([&] { return posted.load(); }));
    unblock.set_value();
    gui.reset();
    // The loop may or may not have reached the step before it ended; either way the caller is released and
    // told the truth.
    EXPECT_EQ(caller.get(), ran.load());
}

}  // namespace
}  // namespace larkspire
