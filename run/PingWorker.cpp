#include "run/PingWorker.h"

#include <utility>

namespace larkspire {

namespace {

// Checks at loopback speed keep every processor busy; at the bottom of the nice scale, below the threads that
// serve the window (its GUI thread, the run thread, the ticker), they still take every processor cycle those
// leave, and the event loop stays responsive. Ten steps down, sixty runnable workers still outweighed the GUI
// thread often enough to keep it waiting for a processor for over 50 ms.
constexpr int kWorkerNiceness = 19;

void LeaveRun(CountdownEvent& signal, TaskSource& queue)
{
    if (signal.Signal()) queue.Shutdown();
}

}  // namespace

bool PingWorker::Create(std::shared_ptr<TaskSource> queue, std::shared_ptr<CountdownEvent> finished,
                        std::shared_ptr<std::mutex> popLock, const ThreadStarter& startThread)
{
    try {
        std::shared_ptr<PingWorker> worker(new PingWorker(queue, finished, std::move(popLock)));
        if (startThread([worker] { worker->Execute(); })) return true;
    } catch (...) {
        // No memory for the worker: it counts as refused like a thread the platform would not start.
    }
    LeaveRun(*finished, *queue);
    return false;
}

PingWorker::PingWorker(std::shared_ptr<TaskSource> queue, std::shared_ptr<CountdownEvent> finished,
                       std::shared_ptr<std::mutex> popLock)
    : queue_(std::move(queue)), finished_(std::move(finished)), popLock_(std::move(popLock))
{}

void PingWorker::Execute()
{
    NameThisThread("PingWorker");
    LowerThisThreadPriority(kWorkerNiceness);
    try {
        RunTasks();
    } catch (...) {
        // A task that raised ends this worker only, silently; the others go on.
    }
    LeaveRun(*finished_, *queue_);
}

void PingWorker::RunTasks()
{
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
