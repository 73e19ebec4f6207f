#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace larkspire {

// The program's main thread as an event loop: calls posted from any thread run on it, in order. It carries the
// run's hand-overs, as the window's event loop does for the desktop program.
class MainThreadQueue {
public:
    MainThreadQueue() = default;
    MainThreadQueue(const MainThreadQueue&) = delete;
    MainThreadQueue& operator=(const MainThreadQueue&) = delete;

    // Any thread.
    void Post(std::function<void()> call);
    // Main thread: waits until a call comes or deadline passes, then runs every call waiting.
    void ServeUntil(std::chrono::steady_clock::time_point deadline);
    // Main thread: drops the calls still waiting, without running them.
    void DiscardAll();

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> calls_;
};

}  // namespace larkspire
