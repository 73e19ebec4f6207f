#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace larkspire {

// The status texts a check ends with; other parts of the program compare them exactly.
// The status of a row whose check is under way, written by the row task before the check.
inline constexpr std::u16string_view StatusPinging = u"Pinging page...";
inline constexpr std::u16string_view StatusCompleted = u"Completed";
inline constexpr std::u16string_view StatusTimeout = u"Timeout";
inline constexpr std::u16string_view StatusAborted = u"Aborted";
// "Error %d" with the HTTP status code, e.g. "Error 404", "Error -1".
std::u16string ErrorStatus(std::int32_t code);

}  // namespace larkspire
