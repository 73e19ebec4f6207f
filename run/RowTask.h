#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "run/RunContext.h"
#include "run/TaskQueue.h"

namespace larkspire {

// Makes the task that checks `row` of the run's window, whose Url the run has read at its start. Making it touches
// nothing; the task, run once by a worker, skips the row when Abort has been asked or the window is gone, and
// otherwise posts the row's start to the window, checks url with a time-out read at that moment and posts the
// final status. It never waits for the window.
Task MakeRowTask(std::shared_ptr<RunContext> context, int row, std::u16string url);

// Row tasks made and not yet released, in every run of the process: what a run holds in memory.
std::size_t RowTasksAlive();

}  // namespace larkspire
