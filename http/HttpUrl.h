#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace larkspire {

// A request URL taken apart, after resolution against the transport's current URL.
struct HttpUrl {
    std::u16string Scheme;    // as written ("http" when none was known); compare without regard to case
    std::u16string UserName;  // user info is kept but never sent
    std::u16string Password;
    std::u16string Host;  // an IPv6 literal without its square brackets
    bool HostIsIpv6Literal = false;
    std::u16string Port;                     // the port text: explicit, else the scheme's default, else the current one
    std::u16string Path;                     // begins and ends with "/"
    std::u16string Document;                 // what follows the last "/" of the path
    std::optional<std::u16string> Query;     // without its "?"
    std::optional<std::u16string> Fragment;  // without its "#"; never sent

    bool IsHttps() const;
    std::uint16_t PortNumber() const;

    // Path, document and "?" query, as written (the request percent-encodes it for the wire).
    std::u16string RequestTarget() const;
    // Host (IPv6 in brackets), with ":" and port unless the port is the scheme's usual one.
    std::u16string HostHeaderValue() const;
    // Host (IPv6 in brackets), ":" and port: the target of a proxy CONNECT request.
    std::u16string Authority() const;
    // Scheme, "://", host value and request target: the request target sent to a proxy.
    std::u16string AbsoluteForm() const;
};

// Resolves url against the current URL of the transport (none on a fresh transport).
// Throws TransportError when the result has no host, no usable port or a scheme other than http and https
// (without regard to case); nothing touches the network.
HttpUrl ResolveUrl(const std::u16string& url, const std::optional<HttpUrl>& current);

}  // namespace larkspire
