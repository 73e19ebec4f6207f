#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>

#include "run/DetachedThread.h"

namespace larkspire::test {

// A thread starter for tests: starts detached threads like the program's, counts them, can refuse chosen
// starts as a platform out of threads would, and tells when every thread it started has ended.
class ThreadTracker {
public:
    ThreadTracker();

    ThreadStarter Starter() const;
    // Start attempts to refuse, counted from 0 in the order they are made.
    void Refuse(std::set<int> attempts);
    int Started() const;
    // Started threads that have not yet returned.
    int Alive() const;
    // True once every started thread has returned and freed what its body owned.
    bool WaitAllEnded(std::chrono::milliseconds limit = std::chrono::seconds(60)) const;

private:
    struct State {
        std::mutex mutex;
        std::condition_variable ended;
        std::set<int> refused;
        int attempts = 0;
        int started = 0;
        int alive = 0;
    };
    std::shared_ptr<State> state_;
};

}  // namespace larkspire::test
