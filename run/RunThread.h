#pragma once

#include <memory>

#include "run/PingRun.h"
#include "run/RunWindow.h"

namespace larkspire {

// What Start does: starts the run thread for window and returns at once; the GUI thread never waits for it.
// The run thread performs RunPingTable and then, also when that raised, hands ShowRunEnd to the GUI
// thread as its last act; it ends, and frees itself, once the message has been dismissed.
// Throws ThreadStartError when the platform refused to start the thread; nothing of the window was touched then.
void StartRun(std::shared_ptr<RunWindow> window, RunOptions options);

// The end handler, on the GUI thread: shows "Ping aborted" when Abort was asked, else "Ping terminated".
void ShowRunEnd(RunWindow& window);

}  // namespace larkspire
