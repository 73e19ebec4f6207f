#include "net/CheckBudget.h"

#include <algorithm>
#include <type_traits>

#include "net/CheckReasons.h"
#include "net/NetworkErrors.h"
#include "net/SocketWait.h"

namespace larkspire {

static_assert(std::is_trivially_destructible_v<CheckBudget>, "the unlimited budget lives until the process ends");

CheckBudget::CheckBudget(std::optional<std::chrono::milliseconds> wholeLimit, std::chrono::milliseconds afterAbort,
                         const std::atomic<bool>* abortRequested, const CheckClock* clock)
    : clock_(clock), afterAbort_(afterAbort), abortRequested_(abortRequested)
{
    if (wholeLimit) {
        deadline_ = Now() + *wholeLimit;
        wholeLimit_ = *wholeLimit;
    }
}

void CheckBudget::ThrowIfOver() const
{
    const Clock::time_point now = Now();
    if (!cutAt_ && abortRequested_ != nullptr && abortRequested_->load()) cutAt_ = now + afterAbort_;
    if (cutAt_ && now >= *cutAt_) throw CheckCutError();
    if (deadline_ && now >= *deadline_) {
        throw CheckTimeLimitError(reason::CheckTookLongerThan(static_cast<int>(wholeLimit_.count())));
    }
}

int CheckBudget::NextWaitMs(std::optional<Clock::time_point> ownEnd) const
{
    const Clock::time_point now = Now();
    std::optional<Clock::duration> wait;
    const auto consider = [&](Clock::duration candidate) { wait = wait ? std::min(*wait, candidate) : candidate; };
    if (ownEnd) consider(*ownEnd - now);
    if (deadline_) consider(*deadline_ - now);
    if (cutAt_) consider(*cutAt_ - now);
    if (abortRequested_ != nullptr && !cutAt_) consider(AbortPollStep);
    if (!wait) return -1;
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(*wait).count();
    return static_cast<int>(std::clamp<long long>(milliseconds, 0, 24LL * 3600 * 1000));
}

bool CheckBudget::WaitForSocket(int descriptor, short events, int milliseconds) const
{
    return WaitUntil([&](int slice) { return larkspire::WaitForSocket(descriptor, events, slice); }, milliseconds);
}

}  // namespace larkspire
