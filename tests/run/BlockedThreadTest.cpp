#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tests/run/BlockedThread.h"
#include "tests/run/WaitUntil.h"

namespace larkspire {
namespace {

// The queue and event tests rely on IsAsleep telling a thread that waits from one that works.
TEST(BlockedThreadTest, IsAsleepSeesAConditionVariableWaitAndNotARunningThread)
{
    std::atomic<bool> stop{false};
    std::atomic<pid_t> spinnerId{0};
    std::thread spinner([&] {
        spinnerId = test::ThisThreadId();
        while (!stop) {
        }
    });
    std::mutex mutex;
    std::condition_variable wake;
    bool woken = false;
    std::atomic<pid_t> waiterId{0};
    std::thread waiter([&] {
        waiterId = test::ThisThreadId();
        std::unique_lock lock(mutex);
        wake.wait(lock, [&] { return woken; });
    });

    EXPECT_TRUE(test::WaitUntil([&] { return test::IsAsleep(waiterId); }));
    ASSERT_TRUE(test::WaitUntil([&] { return spinnerId != 0; }));
    EXPECT_FALSE(test::IsAsleep(spinnerId));
    EXPECT_FALSE(test::IsAsleep(0));
    {
        std::lock_guard lock(mutex);
        woken = true;
    }
    wake.notify_one();
    stop = true;
    const pid_t ended = spinnerId;
    spinner.join();
    waiter.join();
    EXPECT_FALSE(test::IsAsleep(ended)) << "an ended thread";
}

}  // namespace
}  // namespace larkspire
