#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "run/CountdownEvent.h"
#include "tests/run/BlockedThread.h"
#include "tests/run/WaitUntil.h"

namespace larkspire {
namespace {

using namespace std::chrono_literals;

TEST(CountdownEventTest, AnEventOfCountZeroIsSetFromTheStart)
{
    CountdownEvent event(0);
    event.Wait();
    EXPECT_FALSE(event.Signal());
}

TEST(CountdownEventTest, WaitReturnsOnlyAfterTheLastSignal)
{
    CountdownEvent event(3);
    std::atomic<bool> released{false};
    std::atomic<pid_t> waiterId{0};
    std::thread waiter([&] {
        waiterId = test::ThisThreadId();
        event.Wait();
        released = true;
    });
    EXPECT_FALSE(event.Signal());
    EXPECT_FALSE(event.Signal());
    EXPECT_TRUE(test::WaitUntil([&] { return released || test::IsAsleep(waiterId); }));
    EXPECT_FALSE(released) << "Wait returned before the last signal";
    EXPECT_TRUE(event.Signal());
    EXPECT_TRUE(test::WaitUntil([&] { return released.load(); }));
    waiter.join();
    EXPECT_FALSE(event.Signal()) << "a set event stays set";
    event.Wait();
}

TEST(CountdownEventTest, ExactlyOneOfManySimultaneousSignalsSetsTheEvent)
{
    constexpr int kSignallers = 16;
    CountdownEvent event(kSignallers);
    std::atomic<int> setters{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kSignallers; ++i) {
        threads.emplace_back([&] {
            if (event.Signal()) ++setters;
        });
    }
    event.Wait();
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(setters, 1);
}

}  // namespace
}  // namespace larkspire
