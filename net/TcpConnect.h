#pragma once

#include <cstdint>
#include <string>

#include "net/SocketHandle.h"

namespace larkspire {

// Opens a TCP connection. host is an IPv4 literal, an IPv6 literal (with or without its square brackets)
// or a name, which is looked up as IPv4 only (internationalised names in their ASCII form). The lookup is
// not bounded by the time-out. connectTimeoutMs 0 or -1: the operating system alone bounds the connect;
// positive: the wait ends after that many milliseconds, checked at least every 125 ms; any other negative
// value fails at once.
// Throws ConnectTimeoutError when time runs out and TransportError for every other failure.
SocketHandle ConnectTcp(const std::string& host, std::uint16_t port, std::int32_t connectTimeoutMs);

}  // namespace larkspire
