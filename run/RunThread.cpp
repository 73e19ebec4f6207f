#include "run/RunThread.h"

#include <utility>

namespace larkspire {

void StartRun(std::shared_ptr<RunWindow> window, RunOptions options)
{
    const ThreadStarter startThread = options.startThread;
    const bool started = startThread([window = std::move(window), options = std::move(options)] {
        NameThisThread("PingRun");
        try {
            RunPingTable(window, options);
        } catch (...) {
            // A run that failed still ends with its message; the failure itself is not shown.
        }
        try {
            window->HandOver([&] { ShowRunEnd(*window); });
        } catch (...) {
            // The message box failed: nothing is left to tell.
        }
    });
    if (!started) throw ThreadStartError();
}

void ShowRunEnd(RunWindow& window) { window.ShowMessage(window.AbortFlag() ? u"Ping aborted" : u"Ping terminated"); }

}  // namespace larkspire
