#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>

namespace larkspire {

// Carries steps from background threads to the GUI thread of one window, in the order they were handed over, and
// releases every caller once the window is gone. A window implements RunWindow::Post and RunWindow::HandOver
// with it: its waker has the GUI thread's event loop call RunPass, and the window calls Close when it goes or
// when its event loop will call RunPass no more.
//
// The GUI thread runs the queued steps in passes: the waker is called once for a whole batch, and a pass stops
// after kPassBudget, waking the loop again for the rest, so the event loop is never held for long.
//
// Workers run at a lower priority than the GUI thread, so the GUI thread must never wait for something a worker
// holds: a worker preempted while holding it may not run again for tens of milliseconds. Posting takes no lock
// the GUI thread takes, and the steps the GUI thread has run are destroyed by later posters, not by the GUI
// thread: freeing memory another thread allocated can wait for that thread's allocator lock.
class HandOverLink {
public:
    // Has the GUI thread call RunPass once, soon; called on any thread, it must not wait for the GUI thread. A
    // window whose GUI thread must never wait for a worker makes it allocate nothing that the GUI thread frees.
    using Waker = std::function<void()>;

    // How long one pass may run steps before it lets the event loop go on.
    static constexpr std::chrono::milliseconds kPassBudget{10};
    // Steps queued at most: a Post beyond it waits until the GUI thread has worked the backlog down to half.
    static constexpr std::size_t kMostQueuedSteps = 10000;

    explicit HandOverLink(Waker wake);
    ~HandOverLink();
    HandOverLink(const HandOverLink&) = delete;
    HandOverLink& operator=(const HandOverLink&) = delete;

    // Any thread but the GUI thread. Queues step behind every step handed over before it and returns without
    // waiting for it to run. Returns false, dropping step, once the link is closed.
    bool Post(std::function<void()> step);
    // Any thread but the GUI thread. Runs step on the GUI thread after every step handed over before it and
    // waits until it has run; an exception the step throws is rethrown here. Returns false without running step
    // once the link is closed, also for a step already queued. A step that has begun is always waited for.
    bool HandOver(const std::function<void()>& step);
    // GUI thread, asked by the waker: runs the queued steps in order, for at most kPassBudget; when steps are
    // left, wakes the loop again, so that the events queued meanwhile come first.
    void RunPass();
    // The window is going away; called on the GUI thread, no step runs after it. Waiting callers are released,
    // and once it has returned the waker is never called again, so a waker may hold on to the window's objects.
    void Close();

private:
    struct Shared;
    struct Waiter;

    std::shared_ptr<Shared> shared_;
};

}  // namespace larkspire
