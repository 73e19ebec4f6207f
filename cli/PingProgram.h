#pragma once

namespace larkspire {

// Exit statuses of larkspire-ping.
enum ExitStatus : int {
    ExitRunEnded = 0,
    ExitRunAborted = 1,
    ExitUsageOrFile = 2,
    ExitRunNotStarted = 3,
    ExitRowsNotChecked = 4,  // the run ended, not aborted, yet rows were never checked (workers failed)
};

// The whole program: reads the command line, builds the ping table from the lists as the window does, runs it
// headless with the window's run, writes the requested files and returns the exit status.
int RunPingProgram(int argc, char** argv);

}  // namespace larkspire
