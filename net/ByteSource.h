#pragma once

#include <cstddef>

namespace larkspire {

// What the HTTP response reader pulls bytes from: an open connection, or a buffer in tests.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Reads at most `size` bytes into `buffer`, waiting at most the read time-out for the first of them.
    // Returns 0 once the peer has closed the connection gracefully.
    // Throws ReadTimeoutError when nothing arrived in time and TransportError on a reset or TLS failure.
    virtual std::size_t Read(char* buffer, std::size_t size) = 0;

    // Whether data arrives (or the peer closes) within `milliseconds`; throws nothing for a plain wait.
    virtual bool WaitReadable(int milliseconds) = 0;
};

}  // namespace larkspire
