#include "tests/run/ThreadTracker.h"

#include <utility>

namespace larkspire::test {

ThreadTracker::ThreadTracker() : state_(std::make_shared<State>()) {}

ThreadStarter ThreadTracker::Starter() const
{
    return [state = state_](std::function<void()> body) {
        {
            std::lock_guard lock(state->mutex);
            if (state->refused.count(state->attempts++) != 0) return false;
            ++state->alive;
        }
        const bool started = StartDetachedThread([state, body = std::move(body)]() mutable {
            body();
            body = nullptr;
            std::lock_guard lock(state->mutex);
            --state->alive;
            state->ended.notify_all();
        });
        std::lock_guard lock(state->mutex);
        if (started) {
            ++state->started;
        } else {
            --state->alive;
        }
        return started;
    };
}

void ThreadTracker::Refuse(std::set<int> attempts)
{
    std::lock_guard lock(state_->mutex);
    state_->refused = std::move(attempts);
}

int ThreadTracker::Started() const
{
    std::lock_guard lock(state_->mutex);
    return state_->started;
}

int ThreadTracker::Alive() const
{
    std::lock_guard lock(state_->mutex);
    return state_->alive;
}

bool ThreadTracker::WaitAllEnded(std::chrono::milliseconds limit) const
{
    std::unique_lock lock(state_->mutex);
    return state_->ended.wait_for(lock, limit, [this] { return state_->alive == 0; });
}

}  // namespace larkspire::test
