#pragma once

#include <cstdint>
#include <vector>

#include "net/SocketHandle.h"

namespace larkspire::test {

// A port on 127.0.0.1 that silently drops connection attempts: its listener's queue is full and it never
// accepts, so a client's SYN goes unanswered and the connect waits until the client gives up.
class SilentPeer {
public:
    SilentPeer();
    std::uint16_t Port() const { return port_; }

private:
    SocketHandle listener_;
    std::vector<SocketHandle> queueFillers_;
    std::uint16_t port_ = 0;
};

// A port on 127.0.0.1 that refuses connections: bound, so nobody else takes it, but not listening.
class RefusedPort {
public:
    RefusedPort();
    std::uint16_t Port() const { return port_; }

private:
    SocketHandle socket_;
    std::uint16_t port_ = 0;
};

// A port on 127.0.0.1 that takes connections but never reads from them: the kernel completes the connect,
// fills its receive buffer, and then a sender's writes block.
class NonReadingPeer {
public:
    NonReadingPeer();
    std::uint16_t Port() const { return port_; }

private:
    SocketHandle listener_;
    std::uint16_t port_ = 0;
};

}  // namespace larkspire::test
