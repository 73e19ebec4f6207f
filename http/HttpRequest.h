#pragma once

#include <cstddef>
#include <string>

#include "http/HttpUrl.h"

namespace larkspire {

// The transport settings that shape the request headers; an empty text leaves its header out.
struct RequestHeaderSettings {
    std::u16string Referer;
    std::u16string UserAgent;
    bool BasicAuthentication = false;  // send Basic proxy credentials with every request
    std::u16string ProxyUsername;
    std::u16string ProxyPassword;
};

// How the request line names its target: the path for a server (or a tunnel), the whole URL for a proxy.
enum class RequestTargetForm { Origin, Absolute };

// Servers refuse longer request lines anyway, and one this long would not fit a server's buffers.
inline constexpr std::size_t MaxRequestLineBytes = 64 * 1024;

inline constexpr char AcceptHeaderValue[] = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";

// The bytes of a GET request for url (its host already in wire form, see WireUrl), ready for one write,
// CR LF lines: the request target percent-encoded, header values as printable 7-bit ASCII ("?" for any
// other character, control characters included). cookieHeader is the Cookie value the cookie store gives
// for url (empty for none). Throws TransportError when the request line would pass MaxRequestLineBytes.
std::string BuildGetRequest(const HttpUrl& url, const RequestHeaderSettings& settings,
                            const std::u16string& cookieHeader, RequestTargetForm targetForm);

// The bytes of the CONNECT request that opens a tunnel through a proxy to url's host and port.
std::string BuildConnectRequest(const HttpUrl& url, const RequestHeaderSettings& settings);

std::string Base64Encode(const std::string& bytes);

}  // namespace larkspire
