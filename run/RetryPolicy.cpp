#include "run/RetryPolicy.h"

#include <algorithm>

#include "base/AsciiText.h"

namespace larkspire {
namespace {

std::u16string SecondsText(std::int64_t seconds) { return DecimalText(seconds) + u" s"; }

std::optional<RetryWait> RetryWhenAsked(CheckOutcome& outcome, const RunPace& pace, RetryCount& count)
{
    if (count.whenAsked >= pace.retriesWhenAsked) return std::nullopt;
    std::chrono::seconds wait;
    if (outcome.askedWaitSeconds >= 0) {
        wait = std::chrono::seconds(outcome.askedWaitSeconds);
        if (wait > kLongestAskedWait) {
            outcome.reason = u"asked to wait " + SecondsText(outcome.askedWaitSeconds);
            return std::nullopt;
        }
    } else {
        wait = std::min(kFirstUnaskedWait * (std::int64_t{1} << std::min(count.whenAsked, 16)), kLongestAskedWait);
    }
    ++count.whenAsked;
    return RetryWait{wait, count.whenAsked, pace.retriesWhenAsked};
}

std::optional<RetryWait> RetryOfFailure(const RunPace& pace, RetryCount& count)
{
    if (count.ofFailures >= pace.retriesOfFailures) return std::nullopt;
    const std::chrono::seconds wait(std::int64_t{1} << count.ofFailures);
    ++count.ofFailures;
    return RetryWait{wait, count.ofFailures, pace.retriesOfFailures};
}

}  // namespace

std::optional<RetryWait> NextRetry(CheckOutcome& outcome, const RunPace& pace, RetryCount& count)
{
    switch (outcome.recheck) {
    case Recheck::WhenAsked:
        return RetryWhenAsked(outcome, pace, count);
    case Recheck::MayPass:
        return RetryOfFailure(pace, count);
    case Recheck::Never:
        break;
    }
    return std::nullopt;
}

std::u16string WaitingReason(const RetryWait& retry)
{
    return u"waiting " + SecondsText(retry.wait.count()) + u" (retry " + DecimalText(retry.number) + u" of " +
           DecimalText(retry.of) + u")";
}

}  // namespace larkspire
