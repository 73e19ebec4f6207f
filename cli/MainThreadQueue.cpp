#include "cli/MainThreadQueue.h"

namespace larkspire {

void MainThreadQueue::Post(std::function<void()> call)
{
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
    }
    posted_.notify_one();
}

void MainThreadQueue::ServeUntil(std::chrono::steady_clock::time_point deadline)
{
    std::deque<std::function<void()>> batch;
    {
        std::unique_lock lock(mutex_);
        posted_.wait_until(lock, deadline, [this] { return !calls_.empty(); });
        batch.swap(calls_);
    }
    for (std::function<void()>& call : batch) call();
}

void MainThreadQueue::DiscardAll()
{
    std::deque<std::function<void()>> dropped;
    std::lock_guard lock(mutex_);
    dropped.swap(calls_);
}

}  // namespace larkspire
