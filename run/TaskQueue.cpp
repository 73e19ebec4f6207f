#include "run/TaskQueue.h"

#include <utility>

namespace larkspire {

TaskQueue::TaskQueue(std::size_t capacity) : capacity_(capacity), lowWater_(capacity / 2) {}

TaskQueue::~TaskQueue() { Shutdown(); }

bool TaskQueue::Push(Task task)
{
    std::unique_lock lock(mutex_);
    if (tasks_.size() >= capacity_) {
        ++pushersWaiting_;
        notFull_.wait(lock, [this] { return shutDown_ || tasks_.size() <= lowWater_; });
        --pushersWaiting_;
    }
    if (shutDown_) return false;
    tasks_.push_back(std::move(task));
    notEmpty_.notify_one();
    return true;
}

Task TaskQueue::Pop()
{
    std::unique_lock lock(mutex_);
    notEmpty_.wait(lock, [this] { return shutDown_ || !tasks_.empty(); });
    if (shutDown_) return {};
    Task task = std::move(tasks_.front());
    tasks_.pop_front();
    if (pushersWaiting_ > 0 && tasks_.size() <= lowWater_) notFull_.notify_all();
    return task;
}

void TaskQueue::Shutdown()
{
    std::lock_guard lock(mutex_);
    shutDown_ = true;
    notFull_.notify_all();
    notEmpty_.notify_all();
}

}  // namespace larkspire
