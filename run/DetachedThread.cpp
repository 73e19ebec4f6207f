#include "run/DetachedThread.h"

#include <malloc.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>

namespace larkspire {

bool StartDetachedThread(std::function<void()> body)
{
    try {
        std::thread(std::move(body)).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

void NameThisThread(const char* name) { pthread_setname_np(pthread_self(), name); }

void LowerThisThreadPriority(int niceness)
{
    // Linux keeps a nice value per thread; the calling thread is named by its kernel id. A refusal leaves the
    // thread as it was, which only costs responsiveness.
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, thread);
    if (errno == 0) setpriority(PRIO_PROCESS, thread, current + niceness);
}

void GiveThreadsArenasOfTheirOwn(int threads)
{
    // A refusal leaves the allocator's own limit (eight arenas a processor), which only costs responsiveness.
    mallopt(M_ARENA_MAX, threads);
}

}  // namespace larkspire
