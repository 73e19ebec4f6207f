#pragma once

#include <atomic>
#include <chrono>
#include <optional>

namespace larkspire {

// A clock a check's budget can be measured on instead of the steady clock: tests put in one that moves only when
// they move it. Used from the thread that runs the check.
class CheckClock {
public:
    virtual std::chrono::steady_clock::time_point Now() const = 0;

protected:
    ~CheckClock() = default;
};

// The time one whole check may take, and the Abort that cuts it short: every wait of the check goes through
// here, so a check ends within its limit, and within its grace time after Abort, whatever the server does.
// Used by the one thread that runs the check.
class CheckBudget {
public:
    using Clock = std::chrono::steady_clock;
    // How often a wait looks at the abort flag.
    static constexpr std::chrono::milliseconds AbortPollStep{100};

    // No limit and nothing to abort it: every wait is only its own.
    CheckBudget() = default;
    // wholeLimit: the longest the check may take from now (none for no limit); afterAbort: how long it may go
    // on once abortRequested is set. The limits and every wait's own end are measured on clock, which must
    // outlive the budget (none: the steady clock).
    CheckBudget(std::optional<std::chrono::milliseconds> wholeLimit, std::chrono::milliseconds afterAbort,
                const std::atomic<bool>* abortRequested, const CheckClock* clock = nullptr);

    // The time on the budget's clock, for the waits of a check that keep an end of their own.
    Clock::time_point Now() const { return clock_ != nullptr ? clock_->Now() : Clock::now(); }

    // Waits until the socket is ready for `events` (poll flags) or has failed or closed, at most `milliseconds`
    // (negative: no limit of its own). Returns false when that time ran out.
    // Throws CheckTimeLimitError or CheckCutError when the check must end first.
    bool WaitForSocket(int descriptor, short events, int milliseconds) const;

    // Waits at most `milliseconds` (negative: no limit of its own) for ready(sliceMs), which waits at most
    // sliceMs (negative: without limit) and says whether what it waits for happened; the same errors as
    // WaitForSocket.
    template <typename Ready>
    bool WaitUntil(Ready ready, int milliseconds) const;

    // Throws when the check must end now.
    void ThrowIfOver() const;

private:
    // The longest next single wait, given the caller's own end (none: no limit of its own); -1 for no limit.
    int NextWaitMs(std::optional<Clock::time_point> ownEnd) const;

    // A pointer, not a std::function, so the process-wide unlimited budget stays trivially destructible.
    const CheckClock* clock_ = nullptr;
    std::optional<Clock::time_point> deadline_;
    std::chrono::milliseconds wholeLimit_{0};
    std::chrono::milliseconds afterAbort_{0};
    const std::atomic<bool>* abortRequested_ = nullptr;
    mutable std::optional<Clock::time_point> cutAt_;  // set when the abort is first seen
};

template <typename Ready>
bool CheckBudget::WaitUntil(Ready ready, int milliseconds) const
{
    const std::optional<Clock::time_point> ownEnd =
        milliseconds < 0 ? std::nullopt : std::optional(Now() + std::chrono::milliseconds(milliseconds));
    for (;;) {
        ThrowIfOver();
        if (ready(NextWaitMs(ownEnd))) return true;
        if (ownEnd && Now() >= *ownEnd) return false;
    }
}

}  // namespace larkspire
