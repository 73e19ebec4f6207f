#include "run/PingRun.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "run/CountdownEvent.h"
#include "run/PingWorker.h"
#include "run/RowScheduler.h"
#include "run/RowTask.h"

namespace larkspire {

namespace {

// Whatever way the run leaves its workers' part, no worker is left waiting in the queue and the ticker stops.
class PoolCloser {
public:
    PoolCloser(TaskSource& queue, const std::shared_ptr<ElapsedTimeTicker>& ticker) : queue_(queue), ticker_(ticker) {}
    ~PoolCloser()
    {
        queue_.Shutdown();
        if (ticker_) ticker_->Terminate();
    }
    PoolCloser(const PoolCloser&) = delete;
    PoolCloser& operator=(const PoolCloser&) = delete;

private:
    TaskSource& queue_;
    const std::shared_ptr<ElapsedTimeTicker>& ticker_;
};

void StartWorkers(int workerCount, const std::shared_ptr<RowScheduler>& queue,
                  const std::shared_ptr<CountdownEvent>& countdown, const std::shared_ptr<std::mutex>& popLock,
                  const ThreadStarter& startThread)
{
    for (int i = 0; i < workerCount; ++i) {
        PingWorker::Create(queue, countdown, popLock, startThread);
    }
}

// The table does not change during a run, so the run thread reads the Urls in blocks, one hand-over each, and
// hands each task its Url: no row waits on the GUI thread for it.
constexpr int kUrlsPerRead = 1000;

// One task per row in row order. Stops when the scheduler refuses (no worker is left to take a task) or the window
// has gone.
void FeedRows(const std::shared_ptr<RunContext>& context, RowScheduler& queue, int rowCount)
{
    RunWindow& window = *context->window;
    std::vector<std::u16string> urls;
    for (int first = 0; first < rowCount; first += kUrlsPerRead) {
        const int count = std::min(kUrlsPerRead, rowCount - first);
        urls.clear();
        const bool read = context->HandOver([&] {
            for (int m = first; m < first + count; ++m) urls.push_back(window.RowUrl(m));
        });
        if (!read) return;
        for (int i = 0; i < count; ++i) {
            const std::uint32_t host = queue.HostNumber(RowScheduler::HostOfUrl(urls[i]));
            if (!queue.Add(first + i, host, MakeRowTask(context, queue, host, first + i, std::move(urls[i])))) return;
        }
    }
}

// Makes the pool, feeds it every row and waits until every worker has left, which they do once no row is under
// way or waiting. A failure while feeding ends the feeding only: the tasks already queued still run, and the
// failure goes on once the workers have left.
void RunPool(const std::shared_ptr<RunContext>& context, const RunOptions& options, int rowCount, int workerCount)
{
    auto queue = std::make_shared<RowScheduler>(kTaskQueueCapacity, options.pace, context->window->AbortFlag(),
                                                options.steadyClock);
    auto countdown = std::make_shared<CountdownEvent>(workerCount);
    auto popLock = std::make_shared<std::mutex>();
    const auto ticker = ElapsedTimeTicker::Create(context, options.clock, options.startThread);
    const PoolCloser closer(*queue, ticker);

    StartWorkers(workerCount, queue, countdown, popLock, options.startThread);
    std::exception_ptr feedFailure;
    try {
        FeedRows(context, *queue, rowCount);
    } catch (...) {
        feedFailure = std::current_exception();
    }
    queue->EndOfRows();
    countdown->Wait();
    if (feedFailure) std::rethrow_exception(feedFailure);
}

// The start pause, cut short by Abort: an Abort during the pause ends the run before any check.
void Pause(std::chrono::milliseconds pause, const std::atomic<bool>& abortFlag)
{
    constexpr auto kSlice = std::chrono::milliseconds(20);
    const auto end = std::chrono::steady_clock::now() + pause;
    for (auto now = std::chrono::steady_clock::now(); now < end && !abortFlag; now = std::chrono::steady_clock::now())
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kSlice, end - now));
}

// Everything between the running state and the idle state.
void PingAllRows(const std::shared_ptr<RunContext>& context, const RunOptions& options)
{
    RunWindow& window = *context->window;
    Pause(options.pause, window.AbortFlag());
    if (window.AbortFlag()) return;
    int threadsNumber = 1;
    int rowCount = 0;
    const bool read = context->HandOver([&] {
        threadsNumber = ThreadSettingValue(window.ThreadSettingText());
        rowCount = window.RowCount();
    });
    if (!read) return;
    RunPool(context, options, rowCount, std::min(threadsNumber, rowCount));
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

void RunPingTable(const std::shared_ptr<RunWindow>& window, const RunOptions& options)
{
    const auto context = std::make_shared<RunContext>(window, options.checker, options.pace);
    const bool running = context->HandOver([&] {
        // Cleared as Abort becomes enabled, so an Abort from here on, the pause included, holds.
        window->AbortFlag() = false;
        window->SetRunningState(true);
        window->ClearStatusColumn();
    });
    if (!running) return;
    std::exception_ptr failure;
    try {
        PingAllRows(context, options);
    } catch (...) {
        failure = std::current_exception();
    }
    context->HandOver([&] { window->SetRunningState(false); });
    if (failure) std::rethrow_exception(failure);
}

int ThreadSettingValue(const std::u16string& text)
{
    auto begin = text.begin();
    auto end = text.end();
    while (begin != end && IsBlank(*begin)) ++begin;
    while (begin != end && IsBlank(*(end - 1))) --end;
    bool negative = false;
    if (begin != end && (*begin == u'+' || *begin == u'-')) negative = *begin++ == u'-';
    if (begin == end) return 1;
    long long value = 0;
    for (auto it = begin; it != end; ++it) {
        if (*it < u'0' || *it > u'9') return 1;
        value = std::min<long long>(value * 10 + (*it - u'0'), INT_MAX);
    }
    return negative ? 1 : std::max<int>(static_cast<int>(value), 1);
}

}  // namespace larkspire
