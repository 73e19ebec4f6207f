#include "net/SocketWait.h"

#include <poll.h>

#include <cerrno>
#include <chrono>

#include "net/CheckReasons.h"
#include "net/NetworkErrors.h"

namespace larkspire {

bool WaitForSocket(int descriptor, short events, int milliseconds)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    pollfd entry{descriptor, events, 0};
    int wait = milliseconds;
    for (;;) {
        const int ready = ::poll(&entry, 1, wait);
        if (ready > 0) return true;
        if (ready == 0) return false;
        if (errno != EINTR) throw TransportError(reason::SystemFailure("waiting for the socket", errno), errno);
        if (milliseconds >= 0) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            wait = left > 0 ? static_cast<int>(left) : 0;
        }
    }
}

}  // namespace larkspire
