#include "tests/run/GuiThread.h"

#include <future>
#include <utility>

namespace larkspire::test {

GuiThread::GuiThread() : thread_([this] { Loop(); }) {}

GuiThread::~GuiThread()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        queued_.notify_all();
    }
    thread_.join();
}

void GuiThread::Post(std::function<void()> call)
{
    std::unique_lock lock(mutex_);
    if (stopping_) {
        lock.unlock();
        return;  // dropped: call is destroyed here, outside the lock
    }
    calls_.push_back(std::move(call));
    queued_.notify_all();
}

void GuiThread::Run(const std::function<void()>& call)
{
    std::promise<void> done;
    Post([&] {
        call();
        done.set_value();
    });
    done.get_future().get();
}

void GuiThread::Loop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        queued_.wait(lock, [this] { return stopping_ || !calls_.empty(); });
        if (stopping_) break;
        std::function<void()> call = std::move(calls_.front());
        calls_.pop_front();
        lock.unlock();
        call();
        call = nullptr;
        lock.lock();
    }
    std::deque<std::function<void()>> dropped = std::move(calls_);
    lock.unlock();
}

}  // namespace larkspire::test
