#include "cli/AbortSignals.h"

#include "cli/PingProgram.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>

namespace larkspire {

namespace {

std::atomic<int> signalsReceived{0};
std::atomic<bool> runStarted{false};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free counter");
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

extern "C" void OnAbortSignal(int signalNumber)
{
    if (!runStarted.load()) _exit(ExitRunAborted);
    if (signalsReceived.fetch_add(1) > 0) _exit(128 + signalNumber);
}

sigset_t AbortSignalSet()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

}  // namespace

void AbortSignals::Install()
{
    struct sigaction action {};
    action.sa_handler = OnAbortSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void AbortSignals::RunStarts() { runStarted = true; }

bool AbortSignals::Requested() { return signalsReceived.load() > 0; }

AbortSignals::HeldForNewThreads::HeldForNewThreads()
{
    const sigset_t held = AbortSignalSet();
    pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

AbortSignals::HeldForNewThreads::~HeldForNewThreads() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

}  // namespace larkspire
