#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "run/DetachedThread.h"
#include "run/ElapsedTimeTicker.h"
#include "run/RowChecker.h"
#include "run/RunPace.h"
#include "run/RunWindow.h"

namespace larkspire {

// How a run does what it does not take from its window. The checker is always handed in (the programs hand in
// the HTTP URL checker); tests shorten the pause and put in their own clocks and thread starter.
struct RunOptions {
    std::chrono::milliseconds pause{2000};
    RowChecker checker;
    RunPace pace;
    WallClock clock = LocalWallTimeNow;
    // What the waits of retries and of the pace per host are measured on.
    SteadyClock steadyClock = std::chrono::steady_clock::now;
    ThreadStarter startThread = StartDetachedThread;
};

// Most tasks a run holds queued at once, whatever the size of the table.
constexpr std::size_t kTaskQueueCapacity = 5000;

// One ping run over every row of window, on the calling thread, which must not be the GUI thread: it blocks for
// the whole run and reaches the window only through its steps. Clears the abort request and puts the window into
// its running state, clears the statuses and pauses; unless Abort came meanwhile, checks every row with a pool
// of at most the thread setting's number of workers; then puts the window back into its idle state, after every
// status of the run has reached it. Returns early, touching nothing more of the window, once the window is gone.
void RunPingTable(const std::shared_ptr<RunWindow>& window, const RunOptions& options);

// The thread setting read from its text: a decimal whole number, blanks around it ignored. A text that is not a
// whole number, or a number below 1, counts as 1; a number too large for an int counts as the largest int.
int ThreadSettingValue(const std::u16string& text);

}  // namespace larkspire
