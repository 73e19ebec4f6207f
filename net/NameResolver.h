#pragma once

#include <sys/socket.h>

#include <string>
#include <vector>

namespace larkspire {

class CheckBudget;

// One address a TCP connection can go to; the port is set by whoever connects.
struct SocketAddress {
    sockaddr_storage Address{};
    socklen_t Length = 0;
    int Family = AF_INET;
};

// Where the addresses of a host name come from: the system's resolver, or a table of a test's own.
class NameResolver {
public:
    virtual ~NameResolver() = default;
    // The IPv6 and IPv4 addresses of an ASCII host name, in the order to try them. The lookup ends within the
    // budget. Throws TransportError when the name has none, or the budget's errors.
    virtual std::vector<SocketAddress> Resolve(const std::string& host, const CheckBudget& budget) const = 0;
};

// The system's resolver (getaddrinfo), asked for both address families.
const NameResolver& SystemNameResolver();

}  // namespace larkspire
