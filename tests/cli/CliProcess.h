#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace larkspire::test {

// How a larkspire-ping process ended and what it printed.
struct CliOutcome {
    bool exited = false;  // false when a signal ended it
    int status = -1;      // the exit status, or the signal number
    std::string out;
    std::string err;
};

// One run of the built larkspire-ping with the given arguments, standard input empty, its output collected in
// files of its own. The process is killed if it outlives the bound.
class CliProcess {
public:
    // Where standard error goes: a file, or a terminal (a pseudo-terminal the test reads).
    enum class ErrorOutput { File, Terminal };

    // Where standard output goes: a file, a pipe whose reading end is already closed, or /dev/full.
    enum class StandardOutput { File, ClosedPipe, FullDevice };
    struct Setup {
        ErrorOutput errorOutput = ErrorOutput::File;
        StandardOutput standardOutput = StandardOutput::File;
        // Resource limits for the process, as prlimit(1) options ("--fsize=4096"); none when empty.
        std::vector<std::string> limits;
    };

    explicit CliProcess(const std::vector<std::string>& arguments, ErrorOutput errorOutput = ErrorOutput::File);
    CliProcess(const std::vector<std::string>& arguments, const Setup& setup);
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    void Signal(int signalNumber) const;
    // Terminal only: waits until standard error has shown `text`; false when the process ended or bound passed first.
    bool WaitForErrorText(const std::string& text, std::chrono::seconds bound);
    // Whether the process has ended; reaps it when it has.
    bool HasEnded();
    // Waits for the end, killing the process once bound has passed (the outcome then shows SIGKILL).
    CliOutcome Wait(std::chrono::seconds bound = std::chrono::seconds(60));

private:
    void DrainTerminal();

    std::string outPath_;
    std::string errPath_;
    int terminal_ = -1;  // the test's side of the pseudo-terminal
    std::string terminalText_;
    pid_t pid_ = -1;
    bool reaped_ = false;
    int waitStatus_ = 0;
};

// Runs larkspire-ping to its end.
CliOutcome RunCli(const std::vector<std::string>& arguments);
CliOutcome RunCli(const std::vector<std::string>& arguments, const CliProcess::Setup& setup);

// The program that sets resource limits for a child (util-linux's prlimit), or empty when there is none.
std::string PrlimitProgram();

// The whole content of a file as bytes; empty when it cannot be read.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace larkspire::test
