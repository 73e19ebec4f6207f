#include "ping/RunThread.h"

#include <utility>

namespace larkspire {

void StartRun(std::shared_ptr<RunWindow> window, RunOptions options) {
    const ThreadStarter startThread = options.startThread;
    const bool started = startThread([window = std::move(window), options = std::move(options)] {
        NameThisThread("ParallelPing2");
        try {
            ParallelPing2(window, options);
        } catch (...) {
            // A run that failed still ends with its message; the failure itself is not shown.
        }
        try {
            window->HandOver([&] { TaskTerminated(*window); });
        } catch (...) {
            // The message box failed: nothing is left to tell.
        }
    });
    if (!started) throw ThreadStartError();
}

void TaskTerminated(RunWindow& window) {
    window.ShowMessage(window.StopThreadingFlag() ? u"Ping aborted" : u"Ping terminated");
}

}  // namespace larkspire
