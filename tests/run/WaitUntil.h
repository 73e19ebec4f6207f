#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace larkspire::test {

// Polls condition until it holds or limit has passed; the limits tests pass are generous on purpose.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(30))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace larkspire::test
