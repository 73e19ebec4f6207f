#include "http/WireUrl.h"

#include <idn2.h>

#include <algorithm>
#include <memory>

#include "net/CheckReasons.h"
#include "net/NetworkErrors.h"

namespace larkspire {
namespace {

void AppendUtf8(std::string& bytes, char32_t c)
{
    if (c < 0x80) {
        bytes += static_cast<char>(c);
    } else if (c < 0x800) {
        bytes += static_cast<char>(0xC0 | (c >> 6));
        bytes += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        bytes += static_cast<char>(0xE0 | (c >> 12));
        bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        bytes += static_cast<char>(0xF0 | (c >> 18));
        bytes += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsAscii(std::u16string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
}

struct IdnFree {
    void operator()(char* text) const { idn2_free(text); }
};

// UTS #46 processing as browsers do it, then the older transitional mapping for names it refuses.
std::string IdnaAscii(std::u16string_view host)
{
    const std::string utf8 = Utf8Bytes(host);
    for (const int flags : {IDN2_NFC_INPUT | IDN2_NONTRANSITIONAL, IDN2_NFC_INPUT | IDN2_TRANSITIONAL}) {
        char* converted = nullptr;
        if (idn2_to_ascii_8z(utf8.c_str(), &converted, flags) == IDN2_OK) {
            const std::unique_ptr<char, IdnFree> owned(converted);
            return owned.get();
        }
    }
    throw TransportError(reason::InvalidHostName);
}

}  // namespace

std::string Utf8Bytes(std::u16string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(bytes, c);
    }
    return bytes;
}

HttpUrl WireUrl(const HttpUrl& url)
{
    if (url.HostIsIpv6Literal || IsAscii(url.Host)) return url;
    HttpUrl wire = url;
    const std::string ascii = IdnaAscii(url.Host);
    wire.Host.assign(ascii.begin(), ascii.end());
    return wire;
}

std::string PercentEncodedTarget(std::u16string_view target)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(target.size());
    for (const char c : Utf8Bytes(target)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x20 && byte < 0x7F) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += Hex[byte >> 4];
            encoded += Hex[byte & 0x0F];
        }
    }
    return encoded;
}

}  // namespace larkspire
