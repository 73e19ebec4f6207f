#pragma once

#include <memory>
#include <mutex>

#include "ping/CountdownEvent.h"
#include "ping/DetachedThread.h"
#include "ping/TaskQueue.h"

namespace larkspire {

// A worker of a ping run: takes tasks from the run's queue and runs them until it takes an end marker.
class TMyConsumerItemMod {
public:
    // Starts a worker on a thread of its own and returns at once. The worker pops under CritSec, runs each task,
    // and when its loop ends (at an end marker, or through a task or pop that raised) signals aSignal exactly
    // once and deletes itself. Nobody keeps it or waits for its thread.
    // Returns false when the worker could not be started; aSignal is then signalled on its behalf, so that nobody
    // waits for it. Whoever signals aSignal last shuts aQueue down: with no worker left, nothing may wait to push.
    static bool Create(std::shared_ptr<TaskQueue> aQueue, std::shared_ptr<CountdownEvent> aSignal,
                       std::shared_ptr<std::mutex> CritSec, const ThreadStarter& startThread);

private:
    TMyConsumerItemMod(std::shared_ptr<TaskQueue> aQueue, std::shared_ptr<CountdownEvent> aSignal,
                       std::shared_ptr<std::mutex> CritSec);

    void Execute();
    void RunTasks();

    const std::shared_ptr<TaskQueue> PQueue;
    const std::shared_ptr<CountdownEvent> PSignal;
    const std::shared_ptr<std::mutex> PCriticalSection;
};

}  // namespace larkspire
