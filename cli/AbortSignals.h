#pragma once

#include <csignal>

namespace larkspire {

// Ctrl-C (SIGINT) and SIGTERM. Before the run has started (while the lists load) the first ends the process at
// once with status 1: nothing was checked and nothing is to be written. Once it has started, they are the
// program's Abort: the first asks for an abort, which the main thread polls; the second ends the process at once
// with status 128 + the signal number (130 for Ctrl-C).
class AbortSignals {
public:
    // Installs the handlers for the whole process.
    static void Install();
    // From now on the first signal asks for an abort instead of ending the process.
    static void RunStarts();
    // Whether an abort has been asked. Safe to poll from any thread.
    static bool Requested();

    // While it lives, the calling thread does not take the two signals, and threads started meanwhile inherit
    // that. The run's threads are started under it, so only the main thread ever sees the signals and no wait
    // of a check is cut short by one.
    class HeldForNewThreads {
    public:
        HeldForNewThreads();
        ~HeldForNewThreads();
        HeldForNewThreads(const HeldForNewThreads&) = delete;
        HeldForNewThreads& operator=(const HeldForNewThreads&) = delete;

    private:
        sigset_t previous_;
    };
};

}  // namespace larkspire
