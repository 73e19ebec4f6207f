#pragma once

#include <functional>

#include "base/LarkspireError.h"

namespace larkspire {

// Starts body on a new thread that nobody joins; what body owns is freed when it returns.
// Returns false when the platform refused to start a thread.
using ThreadStarter = std::function<bool(std::function<void()> body)>;

// The program's thread starter: a detached std::thread.
bool StartDetachedThread(std::function<void()> body);

// Names the calling thread for debuggers; the platform keeps at most 15 characters.
void NameThisThread(const char* name);

// Lowers the calling thread's scheduling priority by niceness steps of the system's nice scale.
void LowerThisThreadPriority(int niceness);

// Lets up to `threads` threads each allocate from an allocator arena of its own instead of sharing one with
// others, the thread that calls it included. A thread that finds its arena locked waits for whoever holds it, and
// a worker at a low priority preempted while holding it can keep the GUI thread waiting for tens of milliseconds.
// Takes effect for threads that allocate for the first time afterwards.
void GiveThreadsArenasOfTheirOwn(int threads);

// The platform refused to start the thread of a ping run.
class ThreadStartError : public LarkspireError {
public:
    ThreadStartError() : LarkspireError("Thread creation error: the system refused to start a thread") {}
};

}  // namespace larkspire
