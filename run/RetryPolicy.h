#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "base/CheckOutcome.h"
#include "run/RunPace.h"

namespace larkspire {

// The longest wait a server may ask for; a longer one ends the row.
inline constexpr std::chrono::seconds kLongestAskedWait{120};
// The wait after a 429 without Retry-After, doubled on every retry.
inline constexpr std::chrono::seconds kFirstUnaskedWait{10};

// The checks of one row so far beyond its first.
struct RetryCount {
    int whenAsked = 0;
    int ofFailures = 0;
};

// A row's next check: after `wait`, as retry `number` of `of`.
struct RetryWait {
    std::chrono::seconds wait;
    int number;
    int of;
};

// Whether the row whose check ended with outcome is checked again, counting that retry in count. An answer
// that asks for more than kLongestAskedWait is not retried, and its reason becomes "asked to wait N s".
std::optional<RetryWait> NextRetry(CheckOutcome& outcome, const RunPace& pace, RetryCount& count);

// "waiting 10 s (retry 1 of 2)": the reason a waiting row shows.
std::u16string WaitingReason(const RetryWait& retry);

}  // namespace larkspire
