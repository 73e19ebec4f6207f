#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "run/RowScheduler.h"
#include "run/RunContext.h"

namespace larkspire {

// Makes the task that checks `row` of the run's window, whose Url the run has read at its start. Making it touches
// nothing; the task, run by a worker, skips the row when Abort has been asked or the window is gone, and
// otherwise posts the row's start to the window, checks url with a time-out read at that moment and posts the
// final status. It never waits for the window. When the run's pace has the row checked again, the task posts
// "Pinging page..." with the wait as its reason and hands itself back to scheduler for later, which must then
// outlive it; an Abort during the wait gives the row the outcome of its last check.
Task MakeRowTask(std::shared_ptr<RunContext> context, RowScheduler& scheduler, std::uint32_t host, int row,
                 std::u16string url);

// Row tasks made and not yet released, in every run of the process: what a run holds in memory.
std::size_t RowTasksAlive();

}  // namespace larkspire
