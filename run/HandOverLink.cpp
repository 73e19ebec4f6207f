#include "run/HandOverLink.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <utility>

namespace larkspire {

// Outlives the link: the pass callables queued on the GUI thread reach it after the window may be gone.
struct HandOverLink::Shared {
    explicit Shared(Poster post) : post(std::move(post)) {}

    // Posts the next pass unless the link is closed.
    void PostPass(const std::shared_ptr<Shared>& self);
    // GUI thread: runs queued steps in order until none is left or the budget is spent.
    void RunPass(const std::shared_ptr<Shared>& self);
    // No step runs from now on; the queued ones are dropped and every waiting caller is released.
    void Close();

    const Poster post;
    // Held around every call of the poster, so that once Close has returned the poster is never called again
    // and may refer to the window itself. Taken before mutex, never after it.
    std::mutex postMutex;
    std::mutex mutex;
    // A waited-for step has run, or the link closed: wakes the callers of HandOver (the run thread, the ticker).
    std::condition_variable handedOver;
    // The backlog has shrunk to half, or the link closed: wakes the posters held by a full backlog.
    std::condition_variable room;
    std::deque<std::function<void()>> steps;
    bool passPosted = false;
    bool closed = false;
    int postersWaiting = 0;
};

// A HandOver caller's step. It lives in the caller's frame, so it is run only while the caller still waits.
struct HandOverLink::Waiter {
    enum class State { Queued, Running, Done, Dropped };

    explicit Waiter(const std::function<void()>& step) : step(step) {}

    const std::function<void()>& step;
    State state = State::Queued;
    std::exception_ptr error;
};

// The callable of one pass, shared by every copy the poster makes. When the last copy goes without having run,
// the event loop has dropped it and will serve no more: the link closes, so no caller waits for ever.
class HandOverLink::PassCall {
public:
    explicit PassCall(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
    PassCall(const PassCall&) = delete;
    PassCall& operator=(const PassCall&) = delete;

    ~PassCall() {
        if (!ran_) shared_->Close();
    }

    void Run() {
        ran_ = true;
        shared_->RunPass(shared_);
    }

private:
    std::shared_ptr<Shared> shared_;
    bool ran_ = false;
};

void HandOverLink::Shared::PostPass(const std::shared_ptr<Shared>& self) {
    std::lock_guard posting(postMutex);
    {
        std::lock_guard lock(mutex);
        if (closed) return;
    }
    post([call = std::make_shared<PassCall>(self)] { call->Run(); });
}

void HandOverLink::Shared::RunPass(const std::shared_ptr<Shared>& self) {
    const auto deadline = std::chrono::steady_clock::now() + kPassBudget;
    for (;;) {
        std::function<void()> step;
        {
            std::lock_guard lock(mutex);
            if (closed) return;
            if (steps.empty()) {
                passPosted = false;
                return;
            }
            if (std::chrono::steady_clock::now() >= deadline) break;
            step = std::move(steps.front());
            steps.pop_front();
            if (postersWaiting > 0 && steps.size() <= kMostQueuedSteps / 2) room.notify_all();
        }
        try {
            step();
        } catch (...) {
            // Nobody waits for a posted step, so its failure has nowhere to go; the steps after it still run.
        }
    }
    // The rest comes in a later pass, after the events that have queued up meanwhile.
    PostPass(self);
}

void HandOverLink::Shared::Close() {
    std::deque<std::function<void()>> dropped;
    std::lock_guard lock(mutex);
    closed = true;
    dropped.swap(steps);
    handedOver.notify_all();
    room.notify_all();
}

HandOverLink::HandOverLink(Poster post) : shared_(std::make_shared<Shared>(std::move(post))) {}

HandOverLink::~HandOverLink() {
    Close();
}

bool HandOverLink::Post(std::function<void()> step) {
    Shared& shared = *shared_;
    bool postPass = false;
    {
        std::unique_lock lock(shared.mutex);
        if (shared.steps.size() >= kMostQueuedSteps) {
            ++shared.postersWaiting;
            shared.room.wait(lock, [&] { return shared.closed || shared.steps.size() <= kMostQueuedSteps / 2; });
            --shared.postersWaiting;
        }
        if (shared.closed) return false;
        shared.steps.push_back(std::move(step));
        postPass = !std::exchange(shared.passPosted, true);
    }
    if (postPass) shared.PostPass(shared_);
    return true;
}

bool HandOverLink::HandOver(const std::function<void()>& step) {
    const std::shared_ptr<Shared> shared = shared_;
    const auto waiter = std::make_shared<Waiter>(step);
    const bool queued = Post([link = shared.get(), waiter] {
        {
            std::lock_guard lock(link->mutex);
            if (link->closed || waiter->state != Waiter::State::Queued) return;
            waiter->state = Waiter::State::Running;
        }
        std::exception_ptr error;
        try {
            waiter->step();
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard lock(link->mutex);
        waiter->error = error;
        waiter->state = Waiter::State::Done;
        link->handedOver.notify_all();
    });
    if (!queued) return false;

    std::unique_lock lock(shared->mutex);
    shared->handedOver.wait(lock, [&] {
        return waiter->state == Waiter::State::Done || (shared->closed && waiter->state == Waiter::State::Queued);
    });
    if (waiter->state != Waiter::State::Done) {
        waiter->state = Waiter::State::Dropped;
        return false;
    }
    if (waiter->error) std::rethrow_exception(waiter->error);
    return true;
}

void HandOverLink::Close() {
    std::lock_guard posting(shared_->postMutex);
    shared_->Close();
}

}  // namespace larkspire
