#include "run/CountdownEvent.h"

namespace larkspire {

CountdownEvent::CountdownEvent(int count) : count_(count) {}

bool CountdownEvent::Signal()
{
    std::lock_guard lock(mutex_);
    if (count_ <= 0) return false;
    if (--count_ > 0) return false;
    set_.notify_all();
    return true;
}

void CountdownEvent::Wait()
{
    std::unique_lock lock(mutex_);
    set_.wait(lock, [this] { return count_ <= 0; });
}

}  // namespace larkspire
