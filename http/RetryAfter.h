#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

namespace larkspire {

// The wait in whole seconds a Retry-After field asks for: a number of seconds, or an HTTP date (the
// preferred "Sun, 06 Nov 1994 08:49:37 GMT" and the two obsolete forms), counted from now and rounded up; a
// date already past asks for 0. None for a value that is neither. Large waits saturate at the largest int32.
std::optional<std::int32_t> RetryAfterSeconds(std::u16string_view value, std::chrono::system_clock::time_point now);

}  // namespace larkspire
