#pragma once

#include <QString>

#include <string_view>

namespace larkspire {

// A status text as a string shared by every row that shows it: a table of finished rows holds one "Completed",
// not one per row. Texts seen often enough to matter (every status a check can end with) are kept per thread, at
// most kMostSharedStatusTexts of them; any other text is a string of its own. The empty text allocates nothing.
QString SharedStatusText(std::u16string_view status);

inline constexpr int kMostSharedStatusTexts = 256;

}  // namespace larkspire
