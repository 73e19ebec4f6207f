#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>

namespace larkspire {

// Carries steps from background threads to the GUI thread of one window, in the order they were handed over, and
// releases every caller once the window is gone. A window implements RunWindow::Post and RunWindow::HandOver
// with it: its poster queues a callable on the GUI thread's event loop, and the window calls Close when it goes.
//
// The GUI thread runs the queued steps in passes: one callable is posted for a whole batch, and a pass stops
// after kPassBudget, posting itself again for the rest, so the event loop is never held for long.
class HandOverLink {
public:
    // Queues call to run once on the GUI thread. A poster may also drop call without running it (for example
    // when its event loop has ended): the link then counts as closed, and every caller is released.
    using Poster = std::function<void(std::function<void()> call)>;

    // How long one pass may run steps before it lets the event loop go on.
    static constexpr std::chrono::milliseconds kPassBudget{10};
    // Steps queued at most: a Post beyond it waits until the GUI thread has worked the backlog down to half.
    static constexpr std::size_t kMostQueuedSteps = 10000;

    explicit HandOverLink(Poster post);
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
    // The window is going away; called on the GUI thread, no step runs after it. Waiting callers are released,
    // and once it has returned the poster is never called again, so a poster may hold on to the window's objects.
    void Close();

private:
    struct Shared;
    struct Waiter;
    class PassCall;

    std::shared_ptr<Shared> shared_;
};

}  // namespace larkspire
