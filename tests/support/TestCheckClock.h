#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <thread>

#include "net/CheckBudget.h"

namespace larkspire::test {

// A check's clock that moves only when the test moves it, and counts how often the check looked at it: a check
// that has looked at it again since the test moved it has seen the new time.
class TestCheckClock final : public CheckClock {
public:
    std::chrono::steady_clock::time_point Now() const override;
    void Set(std::chrono::milliseconds sinceStart) { sinceStartMs_ = sinceStart.count(); }
    std::uint64_t Looks() const { return looks_; }

private:
    std::atomic<std::int64_t> sinceStartMs_{0};
    mutable std::atomic<std::uint64_t> looks_{0};
};

// A wait run on a thread of its own against a TestCheckClock, so that the test can move the clock while the wait
// is under way. What the wait throws is kept for the test; the thread has ended once one of the Ends
// calls has returned.
class ClockedWait {
public:
    ClockedWait(TestCheckClock& clock, std::function<void()> wait);
    // Moves the clock far ahead, so that a wait that failed its test still ends, and joins.
    ~ClockedWait();
    ClockedWait(const ClockedWait&) = delete;
    ClockedWait& operator=(const ClockedWait&) = delete;

    // Waits until the wait has looked at the clock `looks` more times, or has ended; false on neither within
    // a generous bound.
    bool LetItLook(std::uint64_t looks);
    // The wait is still under way after it has seen the clock 1 ms short of `at`, and ends once it shows `at`.
    // Only for a wait that took every time it measures from before the clock moved (see LetItLook).
    ::testing::AssertionResult EndsAt(std::chrono::milliseconds at);
    // The wait ends once the clock shows `at`, however far that moves it at once.
    ::testing::AssertionResult EndsWhenItShows(std::chrono::milliseconds at);
    // The wait ends while the clock stays where it is.
    ::testing::AssertionResult EndsWithoutTheClockMoving();
    // Throws what the wait threw, if anything.
    void Rethrow() const;

private:
    bool WaitForEnd();
    void Finish();

    TestCheckClock& clock_;
    std::atomic<bool> ended_{false};
    std::exception_ptr failure_;
    std::thread thread_;
};

}  // namespace larkspire::test
