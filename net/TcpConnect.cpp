#include "net/TcpConnect.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "net/NetworkErrors.h"
#include "net/SocketWait.h"

namespace larkspire {
namespace {

constexpr int ConnectPollStepMs = 125;

struct Endpoint {
    sockaddr_storage address{};
    socklen_t length = 0;
    int family = AF_INET;
};

std::string WithoutBrackets(const std::string& host) {
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') return host.substr(1, host.size() - 2);
    return host;
}

std::string SystemMessage(const char* what, int error) { return std::string(what) + ": " + std::strerror(error); }

Endpoint LookUpIpv4(const std::string& host, std::uint16_t port) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_IDN;
    addrinfo* found = nullptr;
    const int error = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (error != 0) {
        throw TransportError("Host '" + host + "' not found: " + ::gai_strerror(error),
                             error == EAI_SYSTEM ? errno : error);
    }
    Endpoint endpoint;
    std::memcpy(&endpoint.address, found->ai_addr, found->ai_addrlen);
    endpoint.length = found->ai_addrlen;
    ::freeaddrinfo(found);
    reinterpret_cast<sockaddr_in&>(endpoint.address).sin_port = htons(port);
    return endpoint;
}

// Literals are used as they are; only names go to the resolver.
Endpoint Resolve(const std::string& host, std::uint16_t port) {
    const std::string literal = WithoutBrackets(host);
    Endpoint endpoint;
    auto& v4 = reinterpret_cast<sockaddr_in&>(endpoint.address);
    if (::inet_pton(AF_INET, literal.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(port);
        endpoint.length = sizeof(sockaddr_in);
        return endpoint;
    }
    auto& v6 = reinterpret_cast<sockaddr_in6&>(endpoint.address);
    if (::inet_pton(AF_INET6, literal.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        endpoint.length = sizeof(sockaddr_in6);
        endpoint.family = AF_INET6;
        return endpoint;
    }
    return LookUpIpv4(host, port);
}

void SetBlocking(int descriptor, bool blocking) {
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0 || ::fcntl(descriptor, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK) < 0) {
        throw TransportError(SystemMessage("Socket mode could not be set", errno), errno);
    }
}

// Waits for a connect under way to end, in steps of at most 125 ms when there is a time-out.
void WaitForConnect(int descriptor, std::int32_t connectTimeoutMs) {
    if (connectTimeoutMs > 0) {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(connectTimeoutMs);
        for (;;) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) throw ConnectTimeoutError();
            if (WaitForSocket(descriptor, POLLOUT, static_cast<int>(std::min<long long>(left, ConnectPollStepMs)))) break;
        }
    } else {
        WaitForSocket(descriptor, POLLOUT, -1);
    }
    int error = 0;
    socklen_t length = sizeof(error);
    if (::getsockopt(descriptor, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    if (error != 0) throw TransportError(SystemMessage("Connect failed", error), error);
}

}  // namespace

SocketHandle ConnectTcp(const std::string& host, std::uint16_t port, std::int32_t connectTimeoutMs) {
    if (host.empty()) throw TransportError("No host to connect to.");
    const Endpoint endpoint = Resolve(host, port);
    if (connectTimeoutMs < -1) throw ConnectTimeoutError();

    SocketHandle socket(::socket(endpoint.family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket.IsOpen()) throw TransportError(SystemMessage("Socket could not be created", errno), errno);
    if (::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&endpoint.address), endpoint.length) != 0) {
        if (errno != EINPROGRESS && errno != EINTR) throw TransportError(SystemMessage("Connect failed", errno), errno);
        WaitForConnect(socket.Get(), connectTimeoutMs);
    }
    SetBlocking(socket.Get(), true);
    return socket;
}

}  // namespace larkspire
