#pragma once

#include <chrono>
#include <functional>

namespace larkspire {

// How politely a run treats the services it checks: when it checks a row again, and how fast it goes to one
// host. Every field at its off value (0) gives one check per row with no limit, but for retriesWhenAsked,
// which is on by default because the service itself asks for it.
struct RunPace {
    // Checks again of a row answered 429, or 503 with Retry-After ("Retries on 429/503").
    int retriesWhenAsked = 2;
    // Checks again of a row that failed in a way that may pass ("Retry failures").
    int retriesOfFailures = 0;
    // Checks under way at once on one host; 0 is no limit.
    int checksPerHost = 0;
    // Checks started per second on one host; 0 is no limit.
    int requestsPerSecond = 0;
};

// The ranges the settings take in the window and on the command line.
inline constexpr int kMostRetriesWhenAsked = 10;
inline constexpr int kMostRetriesOfFailures = 5;
inline constexpr int kMostChecksPerHost = 60;
inline constexpr int kMostRequestsPerSecond = 1000;

// The clock a run's waits are measured on; tests put in one of their own.
using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;

}  // namespace larkspire
