#pragma once

#include <cstdint>
#include <string>

#include "net/CheckBudget.h"
#include "net/NameResolver.h"
#include "net/SocketHandle.h"

namespace larkspire {

// Opens a TCP connection, left non-blocking (every later wait goes through poll). host is an IPv4 literal,
// an IPv6 literal (with or without its square brackets) or an ASCII name, whose IPv6 and IPv4 addresses
// come from resolver and are tried in turn. connectTimeoutMs bounds all attempts together, each address
// getting an equal share of what is left; 0 or -1: the operating system alone bounds each attempt; any other
// negative value fails at once. The budget bounds the lookup and every wait, and connectTimeoutMs is measured
// on its clock.
// Throws ConnectTimeoutError when time runs out, TransportError for every other failure (the last address's),
// and the budget's errors.
SocketHandle ConnectTcp(const std::string& host, std::uint16_t port, std::int32_t connectTimeoutMs,
                        const CheckBudget& budget = CheckBudget(), const NameResolver& resolver = SystemNameResolver());

}  // namespace larkspire
