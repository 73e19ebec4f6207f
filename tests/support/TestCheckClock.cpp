#include "tests/support/TestCheckClock.h"

#include <utility>

namespace larkspire::test {
namespace {

using namespace std::chrono_literals;

// Bounds of waits for the checked thread: generous, since only a failing test reaches them.
constexpr auto Patience = 30s;
// Far beyond every limit a test sets: ends whatever wait a failed test left under way.
constexpr auto FarAhead = std::chrono::hours(24 * 365);

bool PollUntil(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + Patience;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

}  // namespace

std::chrono::steady_clock::time_point TestCheckClock::Now() const
{
    ++looks_;
    // Far from the steady clock's epoch, so that no time the check takes from it is near a limit of the type.
    return std::chrono::steady_clock::time_point{} + std::chrono::hours(1) + std::chrono::milliseconds(sinceStartMs_);
}

ClockedWait::ClockedWait(TestCheckClock& clock, std::function<void()> wait) : clock_(clock)
{
    thread_ = std::thread([this, wait = std::move(wait)] {
        try {
            wait();
        } catch (...) {
            failure_ = std::current_exception();
        }
        ended_ = true;
    });
}

ClockedWait::~ClockedWait() { Finish(); }

bool ClockedWait::LetItLook(std::uint64_t looks)
{
    const std::uint64_t until = clock_.Looks() + looks;
    return PollUntil([&] { return ended_ || clock_.Looks() >= until; });
}

::testing::AssertionResult ClockedWait::EndsAt(std::chrono::milliseconds at)
{
    clock_.Set(at - 1ms);
    // A wait looks at the clock at least once in three looks for each of its limits, and only looks again
    // after it has acted on what it saw: four looks, and it has seen the new time and not ended.
    if (!LetItLook(4)) {
        Finish();
        return ::testing::AssertionFailure() << "the wait stopped looking at the clock";
    }
    if (ended_) {
        Finish();
        return ::testing::AssertionFailure() << "ended before " << at.count() << " ms";
    }
    return EndsWhenItShows(at);
}

::testing::AssertionResult ClockedWait::EndsWhenItShows(std::chrono::milliseconds at)
{
    clock_.Set(at);
    const bool ended = WaitForEnd();
    Finish();
    if (!ended) return ::testing::AssertionFailure() << "still under way at " << at.count() << " ms";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ClockedWait::EndsWithoutTheClockMoving()
{
    const bool ended = WaitForEnd();
    Finish();
    if (!ended) return ::testing::AssertionFailure() << "waited for the clock";
    return ::testing::AssertionSuccess();
}

void ClockedWait::Rethrow() const
{
    if (failure_) std::rethrow_exception(failure_);
}

bool ClockedWait::WaitForEnd()
{
    return PollUntil([&] { return ended_.load(); });
}

void ClockedWait::Finish()
{
    if (!thread_.joinable()) return;
    if (!ended_) clock_.Set(FarAhead);
    thread_.join();
}

}  // namespace larkspire::test
