#include "run/DetachedThread.h"

#include <pthread.h>

#include <system_error>
#include <thread>

namespace larkspire {

bool StartDetachedThread(std::function<void()> body) {
    try {
        std::thread(std::move(body)).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

void NameThisThread(const char* name) {
    pthread_setname_np(pthread_self(), name);
}

}  // namespace larkspire
