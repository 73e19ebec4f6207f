#pragma once

#include <condition_variable>
#include <mutex>

namespace larkspire {

// An event that is set once Signal has been called as often as its initial count; it then stays set.
// An event made with a count of zero (or less) is set from the start.
class CountdownEvent {
public:
    explicit CountdownEvent(int count);
    CountdownEvent(const CountdownEvent&) = delete;
    CountdownEvent& operator=(const CountdownEvent&) = delete;

    // Lowers the count by one; any thread may call it. Returns true for the one call that set the event.
    bool Signal();
    // Waits, without a time limit, until the event is set.
    void Wait();

private:
    std::mutex mutex_;
    std::condition_variable set_;
    int count_;
};

}  // namespace larkspire
