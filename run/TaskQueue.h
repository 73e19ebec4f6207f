#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

#include "run/TaskSource.h"

namespace larkspire {

// A bounded first-in first-out queue of tasks, shared by a feeding thread and its workers.
class TaskQueue final : public TaskSource {
public:
    // capacity is at least 1 and fixed for the queue's life.
    explicit TaskQueue(std::size_t capacity);
    ~TaskQueue() override;
    TaskQueue(const TaskQueue&) = delete;
    TaskQueue& operator=(const TaskQueue&) = delete;

    // Waits, without a time limit, while the queue is full, then appends task at the tail. A push that had to wait
    // goes on once the workers have taken the queue down to half its capacity, so the feeder is woken once per
    // half a queue rather than once per task.
    // Returns false, without queueing task, once the queue has been shut down.
    bool Push(Task task);
    // Waits, without a time limit, while the queue is empty, then removes the task at the head.
    // Yields an empty task once the queue has been shut down.
    Task Pop() override;
    // Releases every waiting Push and Pop at once, and makes later ones return at once.
    // Tasks still queued are never handed out; they are released with the queue.
    void Shutdown() override;

private:
    const std::size_t capacity_;
    const std::size_t lowWater_;
    std::mutex mutex_;
    std::condition_variable notFull_;
    std::condition_variable notEmpty_;
    std::deque<Task> tasks_;
    bool shutDown_ = false;
    int pushersWaiting_ = 0;
};

}  // namespace larkspire
