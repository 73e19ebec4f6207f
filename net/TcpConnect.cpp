#include "net/TcpConnect.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <vector>

#include "net/CheckReasons.h"
#include "net/NetworkErrors.h"

namespace larkspire {
namespace {

using Clock = std::chrono::steady_clock;

std::string WithoutBrackets(const std::string& host)
{
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') return host.substr(1, host.size() - 2);
    return host;
}

std::optional<SocketAddress> Literal(const std::string& host)
{
    const std::string literal = WithoutBrackets(host);
    SocketAddress address;
    auto& v4 = reinterpret_cast<sockaddr_in&>(address.Address);
    if (::inet_pton(AF_INET, literal.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        address.Length = sizeof(sockaddr_in);
        return address;
    }
    auto& v6 = reinterpret_cast<sockaddr_in6&>(address.Address);
    if (::inet_pton(AF_INET6, literal.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        address.Length = sizeof(sockaddr_in6);
        address.Family = AF_INET6;
        return address;
    }
    return std::nullopt;
}

// Literals are used as they are; only names go to the resolver.
std::vector<SocketAddress> AddressesOf(const std::string& host, std::uint16_t port, const CheckBudget& budget,
                                       const NameResolver& resolver)
{
    std::vector<SocketAddress> addresses;
    if (const std::optional<SocketAddress> literal = Literal(host)) {
        addresses.push_back(*literal);
    } else {
        addresses = resolver.Resolve(host, budget);
    }
    for (SocketAddress& address : addresses) {
        if (address.Family == AF_INET6) {
            reinterpret_cast<sockaddr_in6&>(address.Address).sin6_port = htons(port);
        } else {
            reinterpret_cast<sockaddr_in&>(address.Address).sin_port = htons(port);
        }
    }
    return addresses;
}

// Waits for a connect under way to end: false when limitMs (negative: none) ran out first.
bool WaitForConnect(int descriptor, int limitMs, const CheckBudget& budget)
{
    if (!budget.WaitForSocket(descriptor, POLLOUT, limitMs)) return false;
    int error = 0;
    socklen_t length = sizeof(error);
    if (::getsockopt(descriptor, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    if (error != 0) throw TransportError(reason::SystemFailure("connect", error), error);
    return true;
}

// One attempt: the socket, or nothing when limitMs ran out.
std::optional<SocketHandle> ConnectTo(const SocketAddress& address, int limitMs, const CheckBudget& budget)
{
    SocketHandle socket(::socket(address.Family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket.IsOpen()) throw TransportError(reason::SystemFailure("socket", errno), errno);
    if (::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address.Address), address.Length) != 0) {
        if (errno != EINPROGRESS && errno != EINTR) {
            throw TransportError(reason::SystemFailure("connect", errno), errno);
        }
        if (!WaitForConnect(socket.Get(), limitMs, budget)) return std::nullopt;
    }
    return socket;
}

}  // namespace

SocketHandle ConnectTcp(const std::string& host, std::uint16_t port, std::int32_t connectTimeoutMs,
                        const CheckBudget& budget, const NameResolver& resolver)
{
    if (host.empty()) throw TransportError(reason::NoHost);
    const std::vector<SocketAddress> addresses = AddressesOf(host, port, budget, resolver);
    if (connectTimeoutMs < -1) throw ConnectTimeoutError(reason::NoConnectionWithin(0));

    const std::optional<Clock::time_point> deadline =
        connectTimeoutMs > 0 ? std::optional(budget.Now() + std::chrono::milliseconds(connectTimeoutMs)) : std::nullopt;
    std::optional<TransportError> lastFailure;
    bool timedOut = false;
    for (std::size_t index = 0; index < addresses.size(); ++index) {
        int limitMs = -1;
        if (deadline) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - budget.Now()).count();
            if (left <= 0) {
                timedOut = true;
                break;
            }
            limitMs = static_cast<int>(left / static_cast<long long>(addresses.size() - index));
        }
        try {
            if (std::optional<SocketHandle> socket = ConnectTo(addresses[index], limitMs, budget)) {
                return std::move(*socket);
            }
            timedOut = true;
        } catch (const TransportError& failure) {
            lastFailure = failure;
        }
    }
    if (lastFailure && !timedOut) throw *lastFailure;
    throw ConnectTimeoutError(reason::NoConnectionWithin(connectTimeoutMs));
}

}  // namespace larkspire
