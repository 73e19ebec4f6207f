#include "ping/MyConsumerItemThreadMod.h"

#include <utility>

namespace larkspire {

namespace {

void LeaveRun(CountdownEvent& signal, TaskQueue& queue) {
    if (signal.Signal()) queue.Shutdown();
}

}  // namespace

bool TMyConsumerItemMod::Create(std::shared_ptr<TaskQueue> aQueue, std::shared_ptr<CountdownEvent> aSignal,
                                std::shared_ptr<std::mutex> CritSec, const ThreadStarter& startThread) {
    try {
        std::shared_ptr<TMyConsumerItemMod> worker(new TMyConsumerItemMod(aQueue, aSignal, std::move(CritSec)));
        if (startThread([worker] { worker->Execute(); })) return true;
    } catch (...) {
        // No memory for the worker: it counts as refused like a thread the platform would not start.
    }
    LeaveRun(*aSignal, *aQueue);
    return false;
}

TMyConsumerItemMod::TMyConsumerItemMod(std::shared_ptr<TaskQueue> aQueue, std::shared_ptr<CountdownEvent> aSignal,
                                       std::shared_ptr<std::mutex> CritSec)
    : PQueue(std::move(aQueue)), PSignal(std::move(aSignal)), PCriticalSection(std::move(CritSec)) {}

void TMyConsumerItemMod::Execute() {
    NameThisThread("ConsumerItemMod");
    try {
        RunTasks();
    } catch (...) {
        // A task that raised ends this worker only, silently; the others go on.
    }
    LeaveRun(*PSignal, *PQueue);
}

void TMyConsumerItemMod::RunTasks() {
    for (;;) {
        Task task;
        {
            std::lock_guard lock(*PCriticalSection);
            task = PQueue->Pop();
        }
        if (!task) return;
        task();
    }
}

}  // namespace larkspire
