#pragma once

#include "lists/PingTable.h"

#include <QString>

#include <vector>

namespace larkspire {

// The rows as the clipboard gets them: one line "URL<TAB>status" per row, in the order given, each ending in a
// line feed.
QString CopiedRowsText(const PingTable& table, const std::vector<int>& rows);

}  // namespace larkspire
