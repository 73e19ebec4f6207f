#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "run/DetachedThread.h"
#include "run/RunContext.h"

namespace larkspire {

// The local date and time as milliseconds since 1970-01-01 00:00 on the local wall clock.
using WallClock = std::function<std::chrono::milliseconds()>;

// The program's clock: the system's local date and time.
std::chrono::milliseconds LocalWallTimeNow();

// "hh:mm:ss" of an elapsed time: hours of the day (so 25 hours show 01:00:00), minutes and whole seconds.
// A negative time (the clock was put back) shows its size.
std::u16string FormatElapsed(std::chrono::milliseconds elapsed);

// The ticker of a ping run: shows the elapsed time of the run in timeValueLabel every 250 ms.
class ElapsedTimeTicker {
public:
    // Starts the ticker on a thread of its own and returns at once. It takes its start time when its thread
    // begins, updates at once and then after every 250 ms sleep, until Terminate has been asked or the window is
    // gone, and deletes itself once both its thread and the caller have let go of it.
    // Returns none when the platform refused to start it: the run then goes on without a ticker.
    static std::shared_ptr<ElapsedTimeTicker> Create(std::shared_ptr<RunContext> context, WallClock clock,
                                                     const ThreadStarter& startThread);

    // Only sets the terminated flag: the ticker finishes its sleep and ends without a further update.
    void Terminate();

private:
    ElapsedTimeTicker(std::shared_ptr<RunContext> context, WallClock clock);

    void Execute();
    void ShowElapsed();

    const std::shared_ptr<RunContext> context_;
    const WallClock clock_;
    std::atomic<bool> terminated_{false};
    std::chrono::milliseconds startTime_{};
};

}  // namespace larkspire
