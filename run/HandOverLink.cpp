#include "run/HandOverLink.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <utility>

namespace larkspire {

namespace {

// One queued step, made by the thread that posts it.
struct Node {
    explicit Node(std::function<void()> step) : step(std::move(step)) {}

    std::function<void()> step;
    Node* next = nullptr;
};

// Destroys every node of the chain that begins at first.
void DestroyChain(Node* first)
{
    while (first != nullptr) {
        const std::unique_ptr<Node> node(first);
        first = node->next;
    }
}

// Puts the chain first...last in front of the chain at head, whatever other threads push meanwhile. Sequentially
// consistent, so that a pass that lowers its posted flag and then finds no step cannot miss a step whose poster
// found the flag still up.
void PushChain(std::atomic<Node*>& head, Node* first, Node* last)
{
    Node* old = head.load(std::memory_order_relaxed);
    do {
        last->next = old;
    } while (!head.compare_exchange_weak(old, first, std::memory_order_seq_cst, std::memory_order_relaxed));
}

// The chain from first on in the opposite order.
Node* Reversed(Node* first)
{
    Node* reversed = nullptr;
    while (first != nullptr) {
        Node* next = first->next;
        first->next = reversed;
        reversed = first;
        first = next;
    }
    return reversed;
}

}  // namespace

// Outlives the link while a HandOver caller still waits on it.
struct HandOverLink::Shared {
    explicit Shared(Waker wake) : wake(std::move(wake)) {}
    ~Shared()
    {
        DestroyChain(posted.load());
        DestroyChain(taken);
        DestroyChain(spent.load());
    }

    // Asks for the next pass unless the link is closed.
    void Wake();
    // GUI thread: runs queued steps in order until none is left or the budget is spent.
    void RunPass();
    // GUI thread: whether a step waits to run, taking the ones posted since the last look behind those taken.
    bool HasStep();
    // GUI thread: one step fewer queued; wakes the posters held by a full backlog once it is down to half.
    void StepTaken();
    // A poster: waits while the backlog is full.
    void WaitForRoom();
    // A poster: destroys the steps the GUI thread has run.
    void DestroySpentSteps();
    // No step runs from now on, and every waiting caller is released.
    void Close();

    const Waker wake;
    // Held around every call of the waker, so that once Close has returned the waker is never called again and
    // may refer to the window itself. Taken before mutex, never after it.
    std::mutex wakeMutex;
    // Guards the waits of HandOver callers and of posters held by a full backlog; posting does not take it.
    std::mutex mutex;
    // A waited-for step has run, or the link closed: wakes the callers of HandOver (the run thread, the ticker).
    std::condition_variable handedOver;
    // The backlog has shrunk to half, or the link closed: wakes the posters held by a full backlog.
    std::condition_variable room;
    std::atomic<Node*> posted{nullptr};  // newest first
    Node* taken = nullptr;               // GUI thread only: oldest first, not yet run
    std::atomic<Node*> spent{nullptr};   // run, for a poster to destroy
    std::atomic<int> queued{0};          // posted or taken, not yet run
    std::atomic<int> postersWaiting{0};
    std::atomic<bool> passAsked{false};
    std::atomic<bool> closed{false};
};

// A HandOver caller's step. It lives in the caller's frame, so it is run only while the caller still waits.
struct HandOverLink::Waiter {
    enum class State { Queued, Running, Done, Dropped };

    explicit Waiter(const std::function<void()>& step) : step(step) {}

    const std::function<void()>& step;
    State state = State::Queued;
    std::exception_ptr error;
};

void HandOverLink::Shared::Wake()
{
    std::lock_guard waking(wakeMutex);
    if (!closed) wake();
}

void HandOverLink::Shared::RunPass()
{
    const auto deadline = std::chrono::steady_clock::now() + kPassBudget;
    Node* firstRun = nullptr;
    Node* lastRun = nullptr;
    bool more = false;
    while (!closed) {
        if (!HasStep()) {
            passAsked = false;
            // A step posted between the look and the flag going down found a pass asked for and asked for none.
            if (posted.load() == nullptr || passAsked.exchange(true)) break;
            continue;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            more = true;
            break;
        }
        Node* node = std::exchange(taken, taken->next);
        node->next = nullptr;
        StepTaken();
        try {
            node->step();
        } catch (...) {
            // Nobody waits for a posted step, so its failure has nowhere to go; the steps after it still run.
        }
        (lastRun != nullptr ? lastRun->next : firstRun) = node;
        lastRun = node;
    }
    if (firstRun != nullptr) PushChain(spent, firstRun, lastRun);
    // The rest comes in a later pass, after the events that have queued up meanwhile.
    if (more) Wake();
}

bool HandOverLink::Shared::HasStep()
{
    if (taken == nullptr) taken = Reversed(posted.exchange(nullptr, std::memory_order_acquire));
    return taken != nullptr;
}

void HandOverLink::Shared::StepTaken()
{
    if (queued.fetch_sub(1) - 1 > static_cast<int>(kMostQueuedSteps / 2) || postersWaiting.load() == 0) return;
    std::lock_guard lock(mutex);
    room.notify_all();
}

void HandOverLink::Shared::WaitForRoom()
{
    std::unique_lock lock(mutex);
    // Counted before the backlog is looked at, and the GUI thread looks at the count after taking a step, so one
    // of the two always sees the other.
    ++postersWaiting;
    room.wait(lock, [this] { return closed || queued.load() <= static_cast<int>(kMostQueuedSteps / 2); });
    --postersWaiting;
}

void HandOverLink::Shared::DestroySpentSteps()
{
    if (spent.load(std::memory_order_relaxed) == nullptr) return;
    DestroyChain(spent.exchange(nullptr, std::memory_order_acquire));
}

void HandOverLink::Shared::Close()
{
    closed = true;
    std::lock_guard lock(mutex);
    handedOver.notify_all();
    room.notify_all();
}

HandOverLink::HandOverLink(Waker wake) : shared_(std::make_shared<Shared>(std::move(wake))) {}

HandOverLink::~HandOverLink() { Close(); }

bool HandOverLink::Post(std::function<void()> step)
{
    Shared& shared = *shared_;
    shared.DestroySpentSteps();
    if (shared.queued.load() >= static_cast<int>(kMostQueuedSteps)) shared.WaitForRoom();
    if (shared.closed) return false;
    auto node = std::make_unique<Node>(std::move(step));
    ++shared.queued;
    Node* pushed = node.release();
    PushChain(shared.posted, pushed, pushed);
    if (!shared.passAsked.exchange(true)) shared.Wake();
    return true;
}

bool HandOverLink::HandOver(const std::function<void()>& step)
{
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

void HandOverLink::RunPass() { shared_->RunPass(); }

void HandOverLink::Close()
{
    std::lock_guard waking(shared_->wakeMutex);
    shared_->Close();
}

}  // namespace larkspire
