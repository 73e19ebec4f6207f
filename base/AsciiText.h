#pragma once

#include <string>
#include <string_view>

namespace larkspire {

// Text as it goes on the wire: every character outside 7-bit ASCII becomes "?".
std::string ToAsciiBytes(std::u16string_view text);

// Wire bytes read as 7-bit ASCII text: a byte above 127 becomes U+FFFD.
std::u16string FromAsciiBytes(std::string_view bytes);

// ASCII-only case folding and comparison, for scheme, header and attribute names.
std::u16string AsciiLower(std::u16string_view text);
bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b);

// A whole number in decimal, with a minus sign when negative, as the status texts and labels show it.
std::u16string DecimalText(long long value);

// Text without leading and trailing blanks (space and tab).
std::u16string_view TrimBlanks(std::u16string_view text);

}  // namespace larkspire
