#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace larkspire::test {

// A thread with an event loop of its own, standing in for the GUI thread of a window.
class GuiThread {
public:
    GuiThread();
    // Ends the loop; callables still queued are dropped without running, as an ended event loop drops them.
    ~GuiThread();
    GuiThread(const GuiThread&) = delete;
    GuiThread& operator=(const GuiThread&) = delete;

    // Queues call to run on the loop, after those queued before it.
    void Post(std::function<void()> call);
    // Runs call on the loop and waits for it.
    void Run(const std::function<void()>& call);
    std::thread::id Id() const { return thread_.get_id(); }

private:
    void Loop();

    std::mutex mutex_;
    std::condition_variable queued_;
    std::deque<std::function<void()>> calls_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace larkspire::test
