#include "net/NameResolver.h"

#include <netdb.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "net/CheckBudget.h"
#include "net/CheckReasons.h"
#include "net/NetworkErrors.h"

namespace larkspire {
namespace {

struct LookupResult {
    int Error = 0;
    int SystemError = 0;
    std::vector<SocketAddress> Addresses;
};

LookupResult LookUp(const std::string& host)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    LookupResult result;
    result.Error = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    result.SystemError = result.Error == EAI_SYSTEM ? errno : 0;
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_addrlen > sizeof(sockaddr_storage)) continue;
        SocketAddress address;
        std::memcpy(&address.Address, entry->ai_addr, entry->ai_addrlen);
        address.Length = entry->ai_addrlen;
        address.Family = entry->ai_family;
        result.Addresses.push_back(address);
    }
    if (found != nullptr) ::freeaddrinfo(found);
    return result;
}

// A lookup on a thread of its own, so the check can stop waiting for it; the thread ends on its own later.
struct PendingLookup {
    std::mutex Mutex;
    std::condition_variable Done;
    std::optional<LookupResult> Result;
};

LookupResult LookUpWithin(const std::string& host, const CheckBudget& budget)
{
    auto pending = std::make_shared<PendingLookup>();
    try {
        std::thread([pending, host] {
            LookupResult result = LookUp(host);
            {
                std::lock_guard lock(pending->Mutex);
                pending->Result = std::move(result);
            }
            pending->Done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return LookUp(host);  // no thread to spare: an unbounded lookup beats none
    }
    budget.WaitUntil(
        [&](int slice) {
            std::unique_lock lock(pending->Mutex);
            const auto ready = [&] { return pending->Result.has_value(); };
            if (slice < 0) {
                pending->Done.wait(lock, ready);
                return true;
            }
            return pending->Done.wait_for(lock, std::chrono::milliseconds(slice), ready);
        },
        -1);
    std::lock_guard lock(pending->Mutex);
    return std::move(*pending->Result);
}

class SystemResolver final : public NameResolver {
public:
    std::vector<SocketAddress> Resolve(const std::string& host, const CheckBudget& budget) const override
    {
        LookupResult result = LookUpWithin(host, budget);
        if (result.Error != 0 || result.Addresses.empty()) {
            throw TransportError(reason::HostNotFound, result.SystemError != 0 ? result.SystemError : result.Error);
        }
        return std::move(result.Addresses);
    }
};

}  // namespace

const NameResolver& SystemNameResolver()
{
    static const SystemResolver resolver;
    return resolver;
}

}  // namespace larkspire
