#include "cli/CommandLine.h"

#include "lists/PosixFile.h"

#include <algorithm>
#include <optional>
#include <set>
#include <string_view>

namespace larkspire {

namespace {

struct PathOption {
    std::string_view name;
    QString PingCommandLine::*field;
};

constexpr PathOption kPathOptions[] = {
    {"--websites", &PingCommandLine::websitesPath},
    {"--services", &PingCommandLine::servicesPath},
    {"--urls", &PingCommandLine::urlsPath},
    {"--results", &PingCommandLine::resultsPath},
    {"--json", &PingCommandLine::jsonPath},
    {"--export-completed", &PingCommandLine::exportCompletedPath},
    {"--export-not-completed", &PingCommandLine::exportNotCompletedPath},
    {"--export-all", &PingCommandLine::exportAllPath},
    {"--export-failed", &PingCommandLine::exportFailedPath},
};

struct PaceOption {
    std::string_view name;
    int RunPace::*field;
    int min;
    int max;
};

constexpr PaceOption kPaceOptions[] = {
    {"--retries", &RunPace::retriesWhenAsked, 0, kMostRetriesWhenAsked},
    {"--retry-failures", &RunPace::retriesOfFailures, 0, kMostRetriesOfFailures},
    {"--per-host", &RunPace::checksPerHost, 1, kMostChecksPerHost},
    {"--rate", &RunPace::requestsPerSecond, 0, kMostRequestsPerSecond},
};

bool IsKnownOption(std::string_view name)
{
    return name == "--threads" || name == "--timeout" || name == "--verify-tls" ||
           std::any_of(std::begin(kPathOptions), std::end(kPathOptions),
                       [&](const PathOption& option) { return option.name == name; }) ||
           std::any_of(std::begin(kPaceOptions), std::end(kPaceOptions),
                       [&](const PaceOption& option) { return option.name == name; });
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// A whole number from min to max written in decimal digits alone.
int RangedNumber(std::string_view name, std::string_view text, int min, int max)
{
    const auto outOfRange = [&] {
        return UsageError(Quoted(name) + " takes a whole number from " + std::to_string(min) + " to " +
                          std::to_string(max) + ", not " + Quoted(text));
    };
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        throw outOfRange();
    long long value = 0;
    for (const char c : text) {
        value = value * 10 + (c - '0');
        if (value > max) throw outOfRange();
    }
    if (value < min) throw outOfRange();
    return static_cast<int>(value);
}

class Parser {
public:
    Parser(const std::vector<std::string>& arguments, int processorCount)
        : arguments_(arguments), processorCount_(processorCount)
    {
        command_.threads = std::max(processorCount, kMinThreads);
        command_.timeoutSeconds = kDefaultTimeoutSeconds;
    }

    PingCommandLine Parse()
    {
        while (next_ < arguments_.size()) {
            const std::string_view argument = arguments_[next_++];
            if (argument == "--help" || argument == "-h") return WithAction(PingCommandLine::Action::Help);
            if (argument == "--version") return WithAction(PingCommandLine::Action::Version);
            ReadOption(argument);
        }
        CheckListChoice();
        if (command_.resultsPath == "-" && command_.jsonPath == "-")
            throw UsageError("'--results' and '--json' cannot both write to standard output");
        return command_;
    }

private:
    PingCommandLine WithAction(PingCommandLine::Action action)
    {
        command_.action = action;
        return command_;
    }

    void ReadOption(std::string_view argument)
    {
        if (!argument.starts_with("--") || argument == "--")
            throw UsageError("unexpected argument " + Quoted(argument));
        const std::size_t equals = argument.find('=');
        const std::string_view name = argument.substr(0, equals);
        const std::optional<std::string_view> inlineValue =
            equals == std::string_view::npos ? std::nullopt : std::optional(argument.substr(equals + 1));
        if (!IsKnownOption(name)) throw UsageError("unknown option " + Quoted(name));
        if (!seen_.insert(std::string(name)).second) throw UsageError(Quoted(name) + " is given more than once");

        for (const PathOption& option : kPathOptions) {
            if (name != option.name) continue;
            const std::string_view value = Value(name, inlineValue);
            if (value.empty()) throw UsageError(Quoted(name) + " needs a file name");
            command_.*option.field = PathFromNative(QByteArray(value.data(), qsizetype(value.size())));
            return;
        }
        for (const PaceOption& option : kPaceOptions) {
            if (name != option.name) continue;
            command_.pace.*option.field = RangedNumber(name, Value(name, inlineValue), option.min, option.max);
            return;
        }
        if (name == "--verify-tls") {
            if (inlineValue) throw UsageError(Quoted(name) + " takes no value");
            command_.verifyTls = true;
            return;
        }
        if (name == "--threads") {
            command_.threads = RangedNumber(name, Value(name, inlineValue), kMinThreads, MaxThreads(processorCount_));
            return;
        }
        if (name == "--timeout") {
            command_.timeoutSeconds =
                RangedNumber(name, Value(name, inlineValue), kMinTimeoutSeconds, kMaxTimeoutSeconds);
            return;
        }
    }

    std::string_view Value(std::string_view name, std::optional<std::string_view> inlineValue)
    {
        if (inlineValue) return *inlineValue;
        if (next_ >= arguments_.size()) throw UsageError(Quoted(name) + " needs a value");
        return arguments_[next_++];
    }

    void CheckListChoice() const
    {
        const bool websites = !command_.websitesPath.isEmpty();
        const bool services = !command_.servicesPath.isEmpty();
        if (!command_.urlsPath.isEmpty()) {
            if (websites || services)
                throw UsageError("'--urls' replaces '--websites' and '--services'; give one or the other");
            return;
        }
        if (!websites || !services) throw UsageError("give '--websites' and '--services', or '--urls'");
    }

    const std::vector<std::string>& arguments_;
    const int processorCount_;
    std::size_t next_ = 0;
    std::set<std::string> seen_;
    PingCommandLine command_;
};

}  // namespace

int MaxThreads(int processorCount) { return std::max(kMaxThreadsSetting, processorCount); }

PingCommandLine ParseCommandLine(const std::vector<std::string>& arguments, int processorCount)
{
    return Parser(arguments, processorCount).Parse();
}

std::string UsageText(int processorCount)
{
    const int defaultThreads = std::max(processorCount, kMinThreads);
    // clang-format off
    return "Usage: larkspire-ping --websites FILE --services FILE [OPTION]...\n"
           "   or: larkspire-ping --urls FILE [OPTION]...\n"
           "Requests every URL once with an HTTP or HTTPS GET and reports a status per URL:\n"
           "\"Completed\", \"Error <code>\", \"Timeout\" or \"Aborted\".\n"
           "\n"
           "Lists (plain text, one entry per line; UTF-8 or UTF-16 with a byte-order mark, else Windows-1252):\n"
           "  --websites FILE              websites, one per line\n"
           "  --services FILE              URL templates holding {website}\n"
           "  --urls FILE                  ready URLs, one per line, in place of the two lists\n"
           "                               (an export of not-completed URLs finishes an aborted run)\n"
           "\n"
           "Settings:\n"
           "  --threads N                  parallel checks, 1 to " + std::to_string(MaxThreads(processorCount)) +
           " (default " + std::to_string(defaultThreads) + ", the processor count)\n"
           "  --timeout S                  time-out in seconds, " + std::to_string(kMinTimeoutSeconds) + " to " +
           std::to_string(kMaxTimeoutSeconds) + " (default " + std::to_string(kDefaultTimeoutSeconds) + ")\n"
           "  --verify-tls                 verify TLS certificates against the system's trust store and the\n"
           "                               host name; a failure is \"Aborted\" (default: any certificate)\n"
           "  --retries N                  checks again of a URL answered 429, or 503 with Retry-After, after\n"
           "                               the wait asked for (10 s doubling without one; over 120 s ends it),\n"
           "                               0 to " + std::to_string(kMostRetriesWhenAsked) + " (default 2)\n"
           "  --retry-failures N           checks again, after 1 s, 2 s, 4 s..., of a URL that timed out or\n"
           "                               met a reset, a refused connection or a TLS failure, 0 to " +
           std::to_string(kMostRetriesOfFailures) + " (default 0)\n"
           "  --per-host K                 at most K checks at a time per host, 1 to " +
           std::to_string(kMostChecksPerHost) + " (default: no limit)\n"
           "  --rate R                     at most R requests per second per host, 0 to " +
           std::to_string(kMostRequestsPerSecond) + " (default 0: no limit)\n"
           "\n"
           "Output, written when the run has ended or was aborted:\n"
           "  --results FILE               every URL, its status and the reason for it, TAB-separated, in UTF-8\n"
           "                               ('-': standard output)\n"
           "  --json FILE                  the same as JSON Lines: one object a line with \"url\", \"status\" and\n"
           "                               \"reason\", in UTF-8 ('-': standard output)\n"
           "  --export-completed FILE      the URLs whose status is \"Completed\"\n"
           "  --export-not-completed FILE  the URLs not checked (the rest of an aborted run)\n"
           "  --export-all FILE            every URL\n"
           "  --export-failed FILE         the URLs whose status is an error, a time-out or aborted\n"
           "  Exports are Windows-1252 with CR LF line ends, as the window writes them.\n"
           "\n"
           "  -h, --help                   show this text and exit\n"
           "      --version                show the version and exit\n"
           "\n"
           "Ctrl-C or SIGTERM while the lists load ends the program at once (status 1, nothing written).\n"
           "During the run it aborts: URLs not yet started stay unchecked, checks under way finish,\n"
           "and the files are still written. A second Ctrl-C ends the program at once.\n"
           "\n"
           "An option's value is the next argument, or follows '=' (--threads=8).\n"
           "\n"
           "An output file is replaced only once it is written whole; a failed write keeps its old content.\n"
           "\n"
           "Exit status: 0 when the run ended, 1 when it was aborted, 2 for a usage error or a file\n"
           "that cannot be read or written (standard output included), 3 when the run could not be started,\n"
           "4 when the run ended with URLs never checked (its workers could not start or ended early).\n";
    // clang-format on
}

}  // namespace larkspire
