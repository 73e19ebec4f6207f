#pragma once

#include <string>
#include <string_view>

#include "http/HttpUrl.h"

namespace larkspire {

// Text as UTF-8 bytes; a lone surrogate becomes U+FFFD.
std::string Utf8Bytes(std::u16string_view text);

// The URL as it goes on the wire and to the resolver: a host with non-ASCII labels in its IDNA (punycode)
// form, everything else as it is. Throws TransportError when the host has no IDNA form.
HttpUrl WireUrl(const HttpUrl& url);

// A request target as browsers send it: every character outside printable ASCII, and the space, as the
// percent-encoded bytes of its UTF-8 form ("%C3%BC", "%20"); everything else, an existing "%XX" included,
// as written.
std::string PercentEncodedTarget(std::u16string_view target);

}  // namespace larkspire
