#include "tests/support/LoopbackPeers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <stdexcept>

namespace larkspire::test {
namespace {

constexpr int MaxQueueFillers = 16;
constexpr int FillerConnectWaitMs = 300;

sockaddr_in Loopback(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// Binds a new socket to an ephemeral port of 127.0.0.1 and returns that port.
std::uint16_t BindEphemeral(const SocketHandle& socket)
{
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (!socket.IsOpen() || bind(socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(socket.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("test peer: cannot bind on 127.0.0.1");
    }
    return ntohs(address.sin_port);
}

// Starts a connect to port; returns the socket once the connection is established, or an empty handle
// when the attempt is still unanswered after a while (the listener's queue is full).
SocketHandle ConnectIfAnswered(std::uint16_t port)
{
    SocketHandle socket(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    const sockaddr_in address = Loopback(port);
    if (connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return socket;
    pollfd entry{socket.Get(), POLLOUT, 0};
    if (errno != EINPROGRESS || poll(&entry, 1, FillerConnectWaitMs) <= 0) return {};
    int error = 0;
    socklen_t length = sizeof error;
    getsockopt(socket.Get(), SOL_SOCKET, SO_ERROR, &error, &length);
    if (error != 0) throw std::runtime_error("test peer: filler connect failed");
    return socket;
}

}  // namespace

SilentPeer::SilentPeer() : listener_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    port_ = BindEphemeral(listener_);
    if (listen(listener_.Get(), 0) != 0) throw std::runtime_error("test peer: cannot listen");
    // Fill the accept queue until an attempt goes unanswered: from then on every SYN is dropped.
    for (int i = 0; i < MaxQueueFillers; ++i) {
        SocketHandle filler = ConnectIfAnswered(port_);
        if (!filler.IsOpen()) return;
        queueFillers_.push_back(std::move(filler));
    }
    throw std::runtime_error("test peer: the listener's queue did not fill");
}

RefusedPort::RefusedPort() : socket_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) { port_ = BindEphemeral(socket_); }

NonReadingPeer::NonReadingPeer() : listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    port_ = BindEphemeral(listener_);
    if (listen(listener_.Get(), 4) != 0) throw std::runtime_error("test peer: cannot listen on 127.0.0.1");
}

}  // namespace larkspire::test
