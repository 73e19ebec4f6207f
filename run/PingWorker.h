#pragma once

#include <memory>
#include <mutex>

#include "run/CountdownEvent.h"
#include "run/DetachedThread.h"
#include "run/TaskSource.h"

namespace larkspire {

// A worker of a ping run: takes tasks from the run's source and runs them until it takes an end marker.
class PingWorker {
public:
    // Starts a worker on a thread of its own and returns at once. The worker pops under popLock, runs each task,
    // and when its loop ends (at an end marker, or through a task or pop that raised) signals finished exactly
    // once and deletes itself. Nobody keeps it or waits for its thread.
    // Returns false when the worker could not be started; finished is then signalled on its behalf, so that nobody
    // waits for it. Whoever signals finished last shuts the source down: with no worker left, nothing may wait to add.
    static bool Create(std::shared_ptr<TaskSource> queue, std::shared_ptr<CountdownEvent> finished,
                       std::shared_ptr<std::mutex> popLock, const ThreadStarter& startThread);

private:
    PingWorker(std::shared_ptr<TaskSource> queue, std::shared_ptr<CountdownEvent> finished,
               std::shared_ptr<std::mutex> popLock);

    void Execute();
    void RunTasks();

    const std::shared_ptr<TaskSource> queue_;
    const std::shared_ptr<CountdownEvent> finished_;
    const std::shared_ptr<std::mutex> popLock_;
};

}  // namespace larkspire
