#pragma once

#include <functional>
#include <memory>

namespace larkspire {

// Carries synchronous hand-overs from background threads to the GUI thread of one window, and releases every
// caller once the window is gone. A window implements RunWindow::HandOver with it: its poster queues a callable
// on the GUI thread's event loop, and the window calls Close when it goes away.
class HandOverLink {
public:
    // Queues call to run once on the GUI thread. A poster may also drop call without running it (for example
    // when its event loop has ended): the caller that waits for it is then released.
    using Poster = std::function<void(std::function<void()> call)>;

    explicit HandOverLink(Poster post);

    // Any thread but the GUI thread. Runs step on the GUI thread and waits until it has run; an exception the
    // step throws is rethrown here. Returns false without running step once the link is closed, also for a step
    // already waiting in the event loop. A step that has begun is always waited for.
    bool HandOver(const std::function<void()>& step);
    // Any thread, usually the GUI thread as the window goes away. No step runs after it, and once it has
    // returned the poster is never called again, so a poster may hold on to the window's own objects.
    void Close();

private:
    struct Shared;
    struct Pending;
    class Ticket;

    std::shared_ptr<Shared> shared_;
    Poster post_;
};

}  // namespace larkspire
