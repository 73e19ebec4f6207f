#include "run/RowScheduler.h"

#include <algorithm>

namespace larkspire {
namespace {

// How often a worker that waits for a due time looks at the abort flag and the clock (a test's clock moves
// without waking anybody).
constexpr std::chrono::milliseconds kLookAgain{50};

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

std::chrono::steady_clock::duration StartInterval(int requestsPerSecond)
{
    if (requestsPerSecond <= 0) return {};
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::seconds(1)) / requestsPerSecond;
}

}  // namespace

RowScheduler::RowScheduler(std::size_t capacity, const RunPace& pace, const std::atomic<bool>& abortFlag,
                           SteadyClock clock)
    : capacity_(capacity),
      lowWater_(capacity / 2),
      pace_(pace),
      startInterval_(StartInterval(pace.requestsPerSecond)),
      abortFlag_(abortFlag),
      clock_(std::move(clock))
{}

std::u16string RowScheduler::HostOfUrl(const std::u16string& url)
{
    std::size_t begin = url.find(u"://");
    begin = begin == std::u16string::npos ? 0 : begin + 3;
    std::size_t end = url.find_first_of(u"/?#", begin);
    if (end == std::u16string::npos) end = url.size();
    const std::size_t at = url.rfind(u'@', end);
    if (at != std::u16string::npos && at >= begin) begin = at + 1;
    std::size_t hostEnd = end;
    if (begin < end && url[begin] == u'[') {
        const std::size_t close = url.find(u']', begin);
        if (close != std::u16string::npos && close < end) hostEnd = close + 1;
    } else {
        const std::size_t colon = url.find(u':', begin);
        if (colon != std::u16string::npos && colon < end) hostEnd = colon;
    }
    std::u16string host = url.substr(begin, hostEnd - begin);
    std::transform(host.begin(), host.end(), host.begin(), LowerAscii);
    return host;
}

std::uint32_t RowScheduler::HostNumber(const std::u16string& host)
{
    std::lock_guard lock(mutex_);
    const auto [it, added] = hostNumbers_.try_emplace(host, static_cast<std::uint32_t>(hosts_.size()));
    if (added) hosts_.emplace_back();
    return it->second;
}

bool RowScheduler::Add(std::int64_t row, std::uint32_t host, Task task)
{
    std::unique_lock lock(mutex_);
    if (held_ >= capacity_) {
        ++addersWaiting_;
        roomMade_.wait(lock, [this] { return shutDown_ || held_ <= lowWater_; });
        --addersWaiting_;
    }
    if (shutDown_) return false;
    Queue(Entry{row, host, std::move(task)});
    ++held_;
    changed_.notify_one();
    return true;
}

void RowScheduler::EndOfRows()
{
    std::lock_guard lock(mutex_);
    rowsEnded_ = true;
    changed_.notify_all();
}

void RowScheduler::Later(std::int64_t row, std::uint32_t host, Task task, std::chrono::steady_clock::time_point due)
{
    std::lock_guard lock(mutex_);
    if (shutDown_) return;
    retries_.emplace(due, Entry{row, host, std::move(task)});
    ++held_;
    // A worker may be waiting for a later time than this one.
    changed_.notify_all();
}

Task RowScheduler::Pop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        if (shutDown_) return {};
        const bool aborting = abortFlag_;
        const auto now = clock_();
        StartDueRetries(now, aborting);
        Entry taken;
        if (TakeStartable(now, aborting, taken)) {
            --held_;
            if (addersWaiting_ > 0 && held_ <= lowWater_) roomMade_.notify_all();
            return Wrapped(std::move(taken));
        }
        if (WorkOver()) {
            changed_.notify_all();
            return {};
        }
        const auto wake = NextWake();
        if (wake == Clock::time_point::max()) {
            changed_.wait(lock);
        } else {
            const auto realWait = std::min<Clock::duration>(wake - now, kLookAgain);
            changed_.wait_for(lock, std::max<Clock::duration>(realWait, Clock::duration::zero()));
        }
    }
}

void RowScheduler::Shutdown()
{
    std::lock_guard lock(mutex_);
    shutDown_ = true;
    changed_.notify_all();
    roomMade_.notify_all();
}

// Keeps each host's rows in row order: a retried row goes back before the later rows of its host.
void RowScheduler::Queue(Entry entry)
{
    const std::uint32_t host = entry.host;
    auto& rows = hosts_[host].waiting;
    if (!rows.empty()) ready_.erase({rows.front().row, host});
    const auto at = std::upper_bound(rows.begin(), rows.end(), entry.row,
                                     [](std::int64_t row, const Entry& e) { return row < e.row; });
    rows.insert(at, std::move(entry));
    UpdateReady(host);
}

void RowScheduler::UpdateReady(std::uint32_t host)
{
    const Host& state = hosts_[host];
    if (state.waiting.empty()) return;
    const auto key = std::make_pair(state.waiting.front().row, host);
    if (pace_.checksPerHost <= 0 || state.running < pace_.checksPerHost) {
        ready_.insert(key);
    } else {
        ready_.erase(key);
    }
}

void RowScheduler::StartDueRetries(Clock::time_point now, bool aborting)
{
    while (!retries_.empty() && (aborting || retries_.begin()->first <= now)) {
        auto node = retries_.extract(retries_.begin());
        Queue(std::move(node.mapped()));
    }
}

bool RowScheduler::TakeStartable(Clock::time_point now, bool aborting, Entry& taken)
{
    for (auto it = ready_.begin(); it != ready_.end(); ++it) {
        const std::uint32_t host = it->second;
        Host& state = hosts_[host];
        if (!aborting && state.nextStart > now) continue;
        ready_.erase(it);
        taken = std::move(state.waiting.front());
        state.waiting.pop_front();
        ++state.running;
        ++running_;
        if (startInterval_ > Clock::duration::zero()) state.nextStart = now + startInterval_;
        UpdateReady(host);
        return true;
    }
    if (!aborting) return false;
    // Abort: a host at its limit holds nobody back any more.
    for (Host& state : hosts_) {
        if (state.waiting.empty()) continue;
        taken = std::move(state.waiting.front());
        state.waiting.pop_front();
        ++state.running;
        ++running_;
        return true;
    }
    return false;
}

RowScheduler::Clock::time_point RowScheduler::NextWake() const
{
    auto wake = retries_.empty() ? Clock::time_point::max() : retries_.begin()->first;
    for (const auto& [row, host] : ready_) wake = std::min(wake, hosts_[host].nextStart);
    return wake;
}

bool RowScheduler::WorkOver() const { return rowsEnded_ && held_ == 0 && running_ == 0; }

void RowScheduler::Finished(std::uint32_t host)
{
    std::lock_guard lock(mutex_);
    Host& state = hosts_[host];
    --state.running;
    --running_;
    UpdateReady(host);
    if (WorkOver()) {
        changed_.notify_all();
    } else {
        changed_.notify_one();
    }
}

Task RowScheduler::Wrapped(Entry entry)
{
    // Under way until the task has returned or raised: a raising task still frees its host's place.
    class UnderWay {
    public:
        UnderWay(std::shared_ptr<RowScheduler> scheduler, std::uint32_t host)
            : scheduler_(std::move(scheduler)), host_(host)
        {}
        ~UnderWay() { scheduler_->Finished(host_); }
        UnderWay(const UnderWay&) = delete;
        UnderWay& operator=(const UnderWay&) = delete;

    private:
        const std::shared_ptr<RowScheduler> scheduler_;
        const std::uint32_t host_;
    };
    return [self = shared_from_this(), host = entry.host, task = std::move(entry.task)] {
        const UnderWay underWay(self, host);
        task();
    };
}

}  // namespace larkspire
