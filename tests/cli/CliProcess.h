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

    explicit CliProcess(const std::vector<std::string>& arguments, ErrorOutput errorOutput = ErrorOutput::File);
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    void Signal(int signalNumber) const;
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

// The whole content of a file as bytes; empty when it cannot be read.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace larkspire::test
