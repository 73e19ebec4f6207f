#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "net/CheckReasons.h"
#include "net/NameResolver.h"
#include "net/NetworkErrors.h"

namespace larkspire::test {

// A resolver from a table of the test's own: names to loopback literals ("127.0.0.1", "::1"), tried in the
// order given. Records every name asked for.
class TableResolver final : public NameResolver {
public:
    explicit TableResolver(std::map<std::string, std::vector<std::string>> table) : table_(std::move(table)) {}

    std::vector<SocketAddress> Resolve(const std::string& host, const CheckBudget&) const override
    {
        {
            std::lock_guard lock(mutex_);
            asked_.push_back(host);
        }
        const auto entry = table_.find(host);
        if (entry == table_.end()) throw TransportError(reason::HostNotFound);
        std::vector<SocketAddress> addresses;
        for (const std::string& literal : entry->second) addresses.push_back(AddressOf(literal));
        return addresses;
    }

    std::vector<std::string> Asked() const
    {
        std::lock_guard lock(mutex_);
        return asked_;
    }

private:
    static SocketAddress AddressOf(const std::string& literal)
    {
        SocketAddress address;
        auto& v6 = reinterpret_cast<sockaddr_in6&>(address.Address);
        if (inet_pton(AF_INET6, literal.c_str(), &v6.sin6_addr) == 1) {
            v6.sin6_family = AF_INET6;
            address.Family = AF_INET6;
            address.Length = sizeof v6;
            return address;
        }
        auto& v4 = reinterpret_cast<sockaddr_in&>(address.Address);
        inet_pton(AF_INET, literal.c_str(), &v4.sin_addr);
        v4.sin_family = AF_INET;
        address.Length = sizeof v4;
        return address;
    }

    std::map<std::string, std::vector<std::string>> table_;
    mutable std::mutex mutex_;
    mutable std::vector<std::string> asked_;
};

}  // namespace larkspire::test
