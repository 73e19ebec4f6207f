#include "CliProcess.h"

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace larkspire::test {

namespace {

std::string TemporaryPath()
{
    char pattern[] = "/tmp/larkspire-cli-XXXXXX";
    const int descriptor = mkstemp(pattern);
    if (descriptor < 0) throw std::runtime_error("no temporary file");
    close(descriptor);
    return pattern;
}

}  // namespace

CliProcess::CliProcess(const std::vector<std::string>& arguments, ErrorOutput errorOutput)
    : CliProcess(arguments, Setup{errorOutput, StandardOutput::File, {}})
{}

CliProcess::CliProcess(const std::vector<std::string>& arguments, const Setup& setup)
    : outPath_(TemporaryPath()), errPath_(TemporaryPath())
{
    int terminalSide = -1;
    if (setup.errorOutput == ErrorOutput::Terminal) {
        winsize size{};
        size.ws_col = 200;
        size.ws_row = 24;
        if (openpty(&terminal_, &terminalSide, nullptr, nullptr, &size) != 0)
            throw std::runtime_error("no pseudo-terminal");
        fcntl(terminal_, F_SETFL, fcntl(terminal_, F_GETFL) | O_NONBLOCK);
    }
    std::vector<std::string> argv;
    if (!setup.limits.empty()) {
        argv.push_back(PrlimitProgram());
        argv.insert(argv.end(), setup.limits.begin(), setup.limits.end());
        argv.push_back("--");
    }
    argv.push_back(LARKSPIRE_PING_EXE);
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv) pointers.push_back(argument.data());
    pointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    int pipeEnds[2] = {-1, -1};
    switch (setup.standardOutput) {
    case StandardOutput::File:
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        break;
    case StandardOutput::ClosedPipe:
        // Nobody will ever read: every write of the child fails with EPIPE (or SIGPIPE).
        if (pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
        close(pipeEnds[0]);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
        break;
    case StandardOutput::FullDevice:
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/full", O_WRONLY, 0);
        break;
    }
    if (terminalSide >= 0) {
        posix_spawn_file_actions_adddup2(&actions, terminalSide, STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, terminalSide);
        posix_spawn_file_actions_addclose(&actions, terminal_);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    // The test program's own signal mask and dispositions must not leak into the child.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigfillset(&defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int failed = posix_spawn(&pid_, argv[0].c_str(), &actions, &attributes, pointers.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (terminalSide >= 0) close(terminalSide);
    if (pipeEnds[1] >= 0) close(pipeEnds[1]);
    if (failed != 0) throw std::runtime_error("cannot start " + argv[0]);
}

CliProcess::~CliProcess()
{
    if (!reaped_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &waitStatus_, 0);
    }
    if (terminal_ >= 0) close(terminal_);
    unlink(outPath_.c_str());
    unlink(errPath_.c_str());
}

// Keeps the pseudo-terminal from filling up, which would stall the process.
void CliProcess::DrainTerminal()
{
    if (terminal_ < 0) return;
    char buffer[4096];
    ssize_t count;
    while ((count = read(terminal_, buffer, sizeof buffer)) > 0)
        terminalText_.append(buffer, static_cast<std::size_t>(count));
}

void CliProcess::Signal(int signalNumber) const
{
    if (!reaped_) kill(pid_, signalNumber);
}

bool CliProcess::WaitForErrorText(const std::string& text, std::chrono::seconds bound)
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (std::chrono::steady_clock::now() < deadline) {
        DrainTerminal();
        if (terminalText_.find(text) != std::string::npos) return true;
        if (HasEnded()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

bool CliProcess::HasEnded()
{
    DrainTerminal();
    if (!reaped_ && waitpid(pid_, &waitStatus_, WNOHANG) == pid_) reaped_ = true;
    return reaped_;
}

CliOutcome CliProcess::Wait(std::chrono::seconds bound)
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!HasEnded()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &waitStatus_, 0);
            reaped_ = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    CliOutcome outcome;
    outcome.exited = WIFEXITED(waitStatus_);
    outcome.status = outcome.exited ? WEXITSTATUS(waitStatus_) : WTERMSIG(waitStatus_);
    outcome.out = ReadBytes(outPath_);
    DrainTerminal();
    outcome.err = terminal_ >= 0 ? terminalText_ : ReadBytes(errPath_);
    return outcome;
}

CliOutcome RunCli(const std::vector<std::string>& arguments) { return CliProcess(arguments).Wait(); }

CliOutcome RunCli(const std::vector<std::string>& arguments, const CliProcess::Setup& setup)
{
    return CliProcess(arguments, setup).Wait();
}

std::string PrlimitProgram()
{
    for (const char* path : {"/usr/bin/prlimit", "/bin/prlimit"}) {
        if (access(path, X_OK) == 0) return path;
    }
    return {};
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
}

}  // namespace larkspire::test
