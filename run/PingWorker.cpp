#include "run/PingWorker.h"

#include <utility>

namespace larkspire {

namespace {

void LeaveRun(CountdownEvent& signal, TaskQueue& queue) {
    if (signal.Signal()) queue.Shutdown();
}

}  // namespace

bool PingWorker::Create(std::shared_ptr<TaskQueue> aQueue, std::shared_ptr<CountdownEvent> aSignal,
                                std::shared_ptr<std::mutex> CritSec, const ThreadStarter& startThread) {
    try {
        std::shared_ptr<PingWorker> worker(new PingWorker(aQueue, aSignal, std::move(CritSec)));
        if (startThread([worker] { worker->Execute(); })) return true;
    } catch (...) {
        // No memory for the worker: it counts as refused like a thread the platform would not start.
    }
    LeaveRun(*aSignal, *aQueue);
    return false;
}

PingWorker::PingWorker(std::shared_ptr<TaskQueue> aQueue, std::shared_ptr<CountdownEvent> aSignal,
                                       std::shared_ptr<std::mutex> CritSec)
    : queue_(std::move(aQueue)), finished_(std::move(aSignal)), popLock_(std::move(CritSec)) {}

void PingWorker::Execute() {
    NameThisThread("PingWorker");
    try {
        RunTasks();
    } catch (...) {
        // A task that raised ends this worker only, silently; the others go on.
    }
    LeaveRun(*finished_, *queue_);
}

void PingWorker::RunTasks() {
    for (;;) {
        Task task;
        {
            std::lock_guard lock(*popLock_);
            task = queue_->Pop();
        }
        if (!task) return;
        task();
    }
}

}  // namespace larkspire
