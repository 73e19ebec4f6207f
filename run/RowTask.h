#pragma once

#include <cstddef>
#include <memory>

#include "run/RunContext.h"
#include "run/TaskQueue.h"

namespace larkspire {

// Makes the task that checks `row` of the run's window. Making it touches nothing; the task, run once by a
// worker, skips the row when Abort has been asked or the window is gone, and otherwise shows the row as started,
// checks its Url with a time-out read at that moment and writes the final status into the row.
Task MakeRowTask(std::shared_ptr<RunContext> context, int row);

// Row tasks made and not yet released, in every run of the process: what a run holds in memory.
std::size_t RowTasksAlive();

}  // namespace larkspire
