#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "run/RunPace.h"
#include "run/TaskSource.h"

namespace larkspire {

// The rows of a run between the feeder and the workers: rows not yet started, in table order, and rows waiting
// for a later check. A worker gets the first row in table order whose host is under its limits (checks under
// way, starts per second), so rows of other hosts go ahead of a host at its limit and no worker waits for one
// host while another has work. Waits are kept here, never slept by a worker. The run's work is over once
// every row has been added and none is held or under way; Pop then hands out end markers.
class RowScheduler final : public TaskSource, public std::enable_shared_from_this<RowScheduler> {
public:
    // capacity (at least 1) bounds the rows held, waiting ones included. Once abortFlag is set, rows are
    // handed out at once whatever their waits and hosts (their tasks see the flag and skip or end them).
    RowScheduler(std::size_t capacity, const RunPace& pace, const std::atomic<bool>& abortFlag, SteadyClock clock);

    // The host of a URL as the limits count it: its host name as written, in lower case.
    static std::u16string HostOfUrl(const std::u16string& url);
    // A small number for the host, the same for every call with the same host.
    std::uint32_t HostNumber(const std::u16string& host);

    // The feeder. Adds the task of row (rows are added in increasing order) for host. Waits while the
    // scheduler holds capacity rows, until it holds half. Returns false, dropping task, once shut down.
    bool Add(std::int64_t row, std::uint32_t host, Task task);
    // Every row has been added.
    void EndOfRows();
    // The run's clock, for the due times of Later.
    std::chrono::steady_clock::time_point Now() const { return clock_(); }
    // A running task of row: its next check is due at `due`. Called before the task returns; the due time is
    // taken before the waiting row is shown, so whoever sees it waiting sees a wait already under way.
    void Later(std::int64_t row, std::uint32_t host, Task task, std::chrono::steady_clock::time_point due);

    // The returned task counts as under way on its host until it has returned or raised.
    Task Pop() override;
    void Shutdown() override;

private:
    struct Entry {
        std::int64_t row;
        std::uint32_t host;
        Task task;
    };
    struct Host {
        std::deque<Entry> waiting;  // by row
        int running = 0;
        std::chrono::steady_clock::time_point nextStart{};
    };
    using Clock = std::chrono::steady_clock;

    void Queue(Entry entry);
    void UpdateReady(std::uint32_t host);
    void StartDueRetries(Clock::time_point now, bool aborting);
    bool TakeStartable(Clock::time_point now, bool aborting, Entry& taken);
    Clock::time_point NextWake() const;
    bool WorkOver() const;
    void Finished(std::uint32_t host);
    Task Wrapped(Entry entry);

    const std::size_t capacity_;
    const std::size_t lowWater_;
    const RunPace pace_;
    const Clock::duration startInterval_;
    const std::atomic<bool>& abortFlag_;
    const SteadyClock clock_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::condition_variable roomMade_;
    std::unordered_map<std::u16string, std::uint32_t> hostNumbers_;
    std::vector<Host> hosts_;
    // Hosts with a row and a free place, by their first row: the candidates of the next Pop.
    std::set<std::pair<std::int64_t, std::uint32_t>> ready_;
    std::multimap<Clock::time_point, Entry> retries_;
    std::size_t held_ = 0;
    int running_ = 0;
    int addersWaiting_ = 0;
    bool rowsEnded_ = false;
    bool shutDown_ = false;
};

}  // namespace larkspire
