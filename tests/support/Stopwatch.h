#pragma once

#include <chrono>

namespace larkspire::test {

// Milliseconds since construction, for checking how long a wait lasted.
class Stopwatch {
public:
    long long ElapsedMs() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Slack for time bounds on a loaded two-core machine, sanitizers included.
constexpr long long SchedulingMarginMs = 1500;

}  // namespace larkspire::test
