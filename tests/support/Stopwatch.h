#pragma once

#include <chrono>

namespace larkspire::test {

// Milliseconds since construction, for checking how long a wait lasted.
class Stopwatch {
public:
    long long ElapsedMs() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace larkspire::test
