#include "run/HandOverLink.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <unordered_set>
#include <utility>

namespace larkspire {

// Outlives the link: the callables queued on the GUI thread reach it after the window may be gone.
struct HandOverLink::Shared {
    // Held around every call of the poster, so that once Close has returned the poster is never called again
    // and may refer to the window itself. Taken before mutex, never after it.
    std::mutex postMutex;
    std::mutex mutex;
    bool closed = false;
    // The hand-overs whose callers wait, so that Close can wake each of them.
    std::unordered_set<Pending*> waiting;
};

// One hand-over. Its step lives in the caller's frame, so it is run only while the caller still waits.
struct HandOverLink::Pending {
    enum class State { Waiting, Running, Done, Dropped };

    Pending(std::shared_ptr<Shared> shared, const std::function<void()>& step)
        : shared(std::move(shared)), step(step) {}

    std::shared_ptr<Shared> shared;
    const std::function<void()>& step;
    State state = State::Waiting;
    std::exception_ptr error;
    // Each caller waits on its own signal: a finished step wakes only the thread that handed it over.
    std::condition_variable changed;
};

// The callable queued on the GUI thread, shared by every copy the poster makes. When the last copy goes without
// having run, the hand-over is dropped, so its caller is released.
class HandOverLink::Ticket {
public:
    explicit Ticket(std::shared_ptr<Pending> pending) : pending_(std::move(pending)) {}
    Ticket(const Ticket&) = delete;
    Ticket& operator=(const Ticket&) = delete;

    ~Ticket() {
        Shared& shared = *pending_->shared;
        std::lock_guard lock(shared.mutex);
        if (pending_->state != Pending::State::Waiting) return;
        pending_->state = Pending::State::Dropped;
        pending_->changed.notify_one();
    }

    void Run() {
        Shared& shared = *pending_->shared;
        {
            std::lock_guard lock(shared.mutex);
            if (shared.closed || pending_->state != Pending::State::Waiting) return;
            pending_->state = Pending::State::Running;
        }
        std::exception_ptr error;
        try {
            pending_->step();
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard lock(shared.mutex);
        pending_->error = error;
        pending_->state = Pending::State::Done;
        pending_->changed.notify_one();
    }

private:
    std::shared_ptr<Pending> pending_;
};

HandOverLink::HandOverLink(Poster post) : shared_(std::make_shared<Shared>()), post_(std::move(post)) {}

bool HandOverLink::HandOver(const std::function<void()>& step) {
    const std::shared_ptr<Shared> shared = shared_;
    auto pending = std::make_shared<Pending>(shared, step);
    {
        std::lock_guard posting(shared->postMutex);
        {
            std::lock_guard lock(shared->mutex);
            if (shared->closed) return false;
            shared->waiting.insert(pending.get());
        }
        post_([ticket = std::make_shared<Ticket>(pending)] { ticket->Run(); });
    }

    std::unique_lock lock(shared->mutex);
    pending->changed.wait(lock, [&] {
        return pending->state == Pending::State::Done || pending->state == Pending::State::Dropped ||
               (shared->closed && pending->state == Pending::State::Waiting);
    });
    shared->waiting.erase(pending.get());
    if (pending->state != Pending::State::Done) {
        pending->state = Pending::State::Dropped;
        return false;
    }
    if (pending->error) std::rethrow_exception(pending->error);
    return true;
}

void HandOverLink::Close() {
    std::lock_guard posting(shared_->postMutex);
    std::lock_guard lock(shared_->mutex);
    shared_->closed = true;
    for (Pending* pending : shared_->waiting)
        pending->changed.notify_one();
}

}  // namespace larkspire
