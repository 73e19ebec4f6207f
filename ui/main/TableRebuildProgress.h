#pragma once

#include "lists/PingListExpansion.h"

#include <QStringList>

class QStatusBar;

namespace larkspire {

class PingTable;

// RebuildPingTable for the window: lists too large are refused first (the table left as it was), then the old
// rows go and the new table is built on a thread of its own while the window goes on painting and its status
// bar shows how long the build has taken; mouse and keys wait until the new rows are in. Throws what the build
// throws (PingListTooLargeError, std::bad_alloc); the table is then empty. Returns how many websites and
// templates gave rows.
RowSourceCounts RebuildPingTableShowingProgress(PingTable& table, const QStringList& websites,
                                                const QStringList& templates, QStatusBar& statusBar);

}  // namespace larkspire
