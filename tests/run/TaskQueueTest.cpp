#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "run/TaskQueue.h"
#include "tests/run/BlockedThread.h"
#include "tests/run/WaitUntil.h"

namespace larkspire {
namespace {

using namespace std::chrono_literals;

Task Recorder(std::vector<int>& ran, int value)
{
    return [&ran, value] { ran.push_back(value); };
}

TEST(TaskQueueTest, TasksComeOutInTheOrderTheyWentIn)
{
    TaskQueue queue(10);
    std::vector<int> ran;
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(queue.Push(Recorder(ran, i)));
    for (int i = 0; i < 5; ++i) queue.Pop()();
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(TaskQueueTest, PushWaitsWhileTheQueueIsFull)
{
    TaskQueue queue(2);
    std::vector<int> ran;
    queue.Push(Recorder(ran, 0));
    queue.Push(Recorder(ran, 1));
    std::atomic<bool> pushed{false};
    std::atomic<pid_t> pusherId{0};
    std::thread pusher([&] {
        pusherId = test::ThisThreadId();
        queue.Push(Recorder(ran, 2));
        pushed = true;
    });
    EXPECT_TRUE(test::WaitUntil([&] { return pushed || test::IsAsleep(pusherId); }));
    EXPECT_FALSE(pushed) << "Push did not wait";
    queue.Pop()();
    EXPECT_TRUE(test::WaitUntil([&] { return pushed.load(); }));
    pusher.join();
    queue.Pop()();
    queue.Pop()();
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2}));
}

// A pusher that found the queue full sleeps on while the workers take it down to half, so the feeder is woken
// once per half a queue, not for every task taken.
TEST(TaskQueueTest, AWaitingPushGoesOnOnlyOnceTheQueueIsDownToHalf)
{
    TaskQueue queue(4);
    std::vector<int> ran;
    for (int i = 0; i < 4; ++i) queue.Push(Recorder(ran, i));
    std::atomic<bool> pushed{false};
    std::atomic<pid_t> pusherId{0};
    std::thread pusher([&] {
        pusherId = test::ThisThreadId();
        queue.Push(Recorder(ran, 4));
        pushed = true;
    });
    ASSERT_TRUE(test::WaitUntil([&] { return pushed || test::IsAsleep(pusherId); }));
    queue.Pop()();
    // A wake-up would have made the pusher runnable inside Pop, so it would no longer be asleep.
    EXPECT_TRUE(test::IsAsleep(pusherId) && !pushed) << "woken with three tasks of four still queued";
    queue.Pop()();
    EXPECT_TRUE(test::WaitUntil([&] { return pushed.load(); }));
    pusher.join();
    for (int i = 0; i < 3; ++i) queue.Pop()();
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(TaskQueueTest, PopWaitsWhileTheQueueIsEmpty)
{
    TaskQueue queue(2);
    std::atomic<bool> popped{false};
    std::atomic<int> value{0};
    std::atomic<pid_t> popperId{0};
    std::thread popper([&] {
        popperId = test::ThisThreadId();
        queue.Pop()();
        popped = true;
    });
    EXPECT_TRUE(test::WaitUntil([&] { return popped || test::IsAsleep(popperId); }));
    EXPECT_FALSE(popped) << "Pop did not wait";
    queue.Push([&] { value = 7; });
    EXPECT_TRUE(test::WaitUntil([&] { return popped.load(); }));
    popper.join();
    EXPECT_EQ(value, 7);
}

TEST(TaskQueueTest, ShutdownReleasesWaitingPushersAndPoppers)
{
    TaskQueue full(1);
    full.Push([] {});
    TaskQueue empty(1);
    std::atomic<int> pushResult{-1};
    std::atomic<int> popWasEmpty{-1};
    std::atomic<pid_t> pusherId{0};
    std::atomic<pid_t> popperId{0};
    std::thread pusher([&] {
        pusherId = test::ThisThreadId();
        pushResult = full.Push([] {}) ? 1 : 0;
    });
    std::thread popper([&] {
        popperId = test::ThisThreadId();
        popWasEmpty = empty.Pop() ? 0 : 1;
    });
    // Both must be waiting when the queues shut down, or this would only show that later calls return at once.
    EXPECT_TRUE(test::WaitUntil([&] { return pushResult != -1 || test::IsAsleep(pusherId); }));
    EXPECT_TRUE(test::WaitUntil([&] { return popWasEmpty != -1 || test::IsAsleep(popperId); }));
    EXPECT_EQ(pushResult, -1) << "Push on a full queue did not wait";
    EXPECT_EQ(popWasEmpty, -1) << "Pop on an empty queue did not wait";
    full.Shutdown();
    empty.Shutdown();
    pusher.join();
    popper.join();
    EXPECT_EQ(pushResult, 0);
    EXPECT_EQ(popWasEmpty, 1);
}

TEST(TaskQueueTest, AfterShutdownNothingGoesInOrComesOut)
{
    TaskQueue queue(3);
    bool ran = false;
    queue.Push([&] { ran = true; });
    queue.Shutdown();
    EXPECT_FALSE(queue.Push([] {}));
    EXPECT_FALSE(queue.Pop());
    EXPECT_FALSE(ran);
}

TEST(TaskQueueTest, DestroyingTheQueueReleasesQueuedTasksWithoutRunningThem)
{
    auto held = std::make_shared<int>(0);
    bool ran = false;
    {
        TaskQueue queue(3);
        queue.Push([held, &ran] { ran = true; });
        queue.Push([held, &ran] { ran = true; });
        EXPECT_EQ(held.use_count(), 3);
    }
    EXPECT_EQ(held.use_count(), 1);
    EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace larkspire
