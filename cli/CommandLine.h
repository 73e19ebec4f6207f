#pragma once

#include <QString>

#include <string>
#include <vector>

#include "base/LarkspireError.h"
#include "run/RunPace.h"

namespace larkspire {

// The arguments do not make a valid command; what() says why.
class UsageError : public LarkspireError {
public:
    using LarkspireError::LarkspireError;
};

// What one call of larkspire-ping asks for. Paths are as given, empty when not given.
struct PingCommandLine {
    enum class Action { Ping, Help, Version };

    Action action = Action::Ping;
    QString websitesPath;
    QString servicesPath;
    QString urlsPath;  // in place of the two lists
    int threads = 0;
    int timeoutSeconds = 0;
    bool verifyTls = false;  // https servers must show a trusted certificate for their host
    RunPace pace;            // retries and the pace per host
    QString resultsPath;     // "-" for standard output
    QString jsonPath;        // "-" for standard output
    QString exportCompletedPath;
    QString exportNotCompletedPath;
    QString exportAllPath;
    QString exportFailedPath;
};

inline constexpr int kMinThreads = 1;
inline constexpr int kMaxThreadsSetting = 60;
inline constexpr int kMinTimeoutSeconds = 1;
inline constexpr int kMaxTimeoutSeconds = 300;
inline constexpr int kDefaultTimeoutSeconds = 3;

// The largest thread setting: 60, or the processor count where that is above 60, as the window's slider allows.
int MaxThreads(int processorCount);

// Reads the arguments after the program name; "--name value" and "--name=value" both work. The first --help or
// --version met decides the action. Throws UsageError for anything else that is not a complete, valid command.
PingCommandLine ParseCommandLine(const std::vector<std::string>& arguments, int processorCount);

// The text --help prints.
std::string UsageText(int processorCount);

}  // namespace larkspire
