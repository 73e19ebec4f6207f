#include "base/AsciiText.h"

#include <string>

namespace larkspire {

std::string ToAsciiBytes(std::u16string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (char16_t c : text) bytes += c < 0x80 ? static_cast<char>(c) : '?';
    return bytes;
}

std::u16string FromAsciiBytes(std::string_view bytes)
{
    std::u16string text;
    text.reserve(bytes.size());
    for (char b : bytes) {
        const auto byte = static_cast<unsigned char>(b);
        text += byte < 0x80 ? static_cast<char16_t>(byte) : u'\uFFFD';
    }
    return text;
}

std::u16string AsciiLower(std::u16string_view text)
{
    std::u16string lower(text);
    for (char16_t& c : lower) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return lower;
}

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b)
{
    return a.size() == b.size() && AsciiLower(a) == AsciiLower(b);
}

std::u16string_view TrimBlanks(std::u16string_view text)
{
    const auto isBlank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::u16string DecimalText(long long value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace larkspire
