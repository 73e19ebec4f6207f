#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace larkspire {

// The code point that a well-formed UTF-8 sequence at the start of `bytes` (not empty) encodes. Overlong forms,
// surrogates, values above U+10FFFF and cut sequences give nothing. `count` receives the bytes used, or for an
// ill-formed sequence the length of its maximal well-formed start (at least 1), so that a lenient decoder can
// replace it with one U+FFFD as browsers do.
std::optional<char32_t> NextUtf8(std::string_view bytes, std::size_t& count);

}  // namespace larkspire
