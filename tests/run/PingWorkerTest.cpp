#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "run/PingWorker.h"
#include "run/TaskQueue.h"
#include "tests/run/ThreadTracker.h"
#include "tests/run/WaitUntil.h"

namespace larkspire {
namespace {

using namespace std::chrono_literals;

// The objects a run shares with its workers, and a record of what the workers did.
class PingWorkerTest : public ::testing::Test {
protected:
    void MakePool(int workers) { countdown = std::make_shared<CountdownEvent>(workers); }
    bool StartWorker() { return PingWorker::Create(queue, countdown, popLock, threads.Starter()); }
    Task Record(int value)
    {
        return [this, value] {
            std::lock_guard lock(mutex);
            ran.push_back(value);
        };
    }
    std::vector<int> Ran()
    {
        std::lock_guard lock(mutex);
        return ran;
    }

    std::shared_ptr<TaskQueue> queue = std::make_shared<TaskQueue>(100);
    std::shared_ptr<CountdownEvent> countdown;
    std::shared_ptr<std::mutex> popLock = std::make_shared<std::mutex>();
    test::ThreadTracker threads;
    std::mutex mutex;
    std::vector<int> ran;
};

TEST_F(PingWorkerTest, RunsTasksInQueueOrderUntilTheEndMarkerThenSignalsAndFreesItself)
{
    MakePool(1);
    ASSERT_TRUE(StartWorker());
    for (int i = 0; i < 20; ++i) queue->Push(Record(i));
    queue->Push(Task{});
    countdown->Wait();
    ASSERT_TRUE(threads.WaitAllEnded());
    std::vector<int> expected;
    for (int i = 0; i < 20; ++i) expected.push_back(i);
    EXPECT_EQ(Ran(), expected);
    EXPECT_EQ(queue.use_count(), 1) << "the worker let go of the queue";
    EXPECT_EQ(countdown.use_count(), 1);
    EXPECT_EQ(popLock.use_count(), 1);
}

// The worker's thread carries its name and runs at the bottom of the nice scale, so that the window's threads
// come first on busy processors.
TEST_F(PingWorkerTest, TheWorkerThreadCarriesItsNameAndALowerPriority)
{
    MakePool(1);
    ASSERT_TRUE(StartWorker());
    std::string name;
    int workerNice = 0;
    queue->Push([&] {
        char buffer[16] = {};
        pthread_getname_np(pthread_self(), buffer, sizeof buffer);
        name = buffer;
        workerNice = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
    });
    queue->Push(Task{});
    countdown->Wait();
    EXPECT_EQ(name, "PingWorker");
    const int startingNice = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
    EXPECT_EQ(workerNice, std::min(startingNice + 19, 19));
}

TEST_F(PingWorkerTest, ARaisingTaskEndsOnlyItsWorkerWhichStillSignalsOnce)
{
    MakePool(2);
    ASSERT_TRUE(StartWorker());
    ASSERT_TRUE(StartWorker());
    std::atomic<bool> raised{false};
    queue->Push([&] {
        raised = true;
        throw std::runtime_error("task failed");
    });
    ASSERT_TRUE(test::WaitUntil([&] { return raised.load(); }));
    ASSERT_TRUE(test::WaitUntil([&] { return threads.Alive() == 1; }));
    for (int i = 0; i < 10; ++i) queue->Push(Record(i));
    queue->Push(Task{});
    queue->Push(Task{});
    countdown->Wait();
    ASSERT_TRUE(threads.WaitAllEnded());
    EXPECT_EQ(Ran().size(), 10u) << "the other worker took every remaining task";
    EXPECT_FALSE(countdown->Signal()) << "two workers, two signals: the event is already set";
}

TEST_F(PingWorkerTest, AWorkerEndsThroughAnExceptionOfAnyType)
{
    MakePool(1);
    ASSERT_TRUE(StartWorker());
    queue->Push([] { throw 42; });
    countdown->Wait();
    EXPECT_TRUE(threads.WaitAllEnded());
}

TEST_F(PingWorkerTest, WhenTheLastWorkerHasLeftTheQueueRefusesPushes)
{
    MakePool(2);
    ASSERT_TRUE(StartWorker());
    ASSERT_TRUE(StartWorker());
    queue->Push([] { throw std::runtime_error("first"); });
    queue->Push([] { throw std::runtime_error("second"); });
    countdown->Wait();
    ASSERT_TRUE(test::WaitUntil([&] { return !queue->Push(Task{}); }))
        << "no worker is left to take a task, so a full queue must not hold the pusher";
}

TEST_F(PingWorkerTest, AWorkerThePlatformRefusesCountsAsLeftAtOnce)
{
    MakePool(2);
    threads.Refuse({1});
    EXPECT_TRUE(StartWorker());
    EXPECT_FALSE(StartWorker());
    EXPECT_EQ(threads.Started(), 1);
    EXPECT_TRUE(queue->Push(Task{})) << "one worker is still there to take it";
    countdown->Wait();
    EXPECT_TRUE(threads.WaitAllEnded());
}

TEST_F(PingWorkerTest, WhenEveryWorkerIsRefusedNothingWaits)
{
    MakePool(3);
    threads.Refuse({0, 1, 2});
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(StartWorker());
    countdown->Wait();
    EXPECT_FALSE(queue->Push(Record(0)));
    EXPECT_EQ(threads.Started(), 0);
}

}  // namespace
}  // namespace larkspire
