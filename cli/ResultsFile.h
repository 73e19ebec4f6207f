#pragma once

#include <QString>

namespace larkspire {

class PingTable;

// Writes every row of the table as its Url, a TAB, its status, a TAB and its reason, one line each ending in LF,
// in row order and UTF-8, replacing the file at path through AtomicFileWrite; "-" writes to standard output.
// Throws FileError with the I/O error message; a file then keeps its old content.
void WriteResults(const PingTable& table, const QString& path);

// The same rows as JSON Lines, one object a line ending in LF, in row order: "url", "status", "reason" (the
// failure's reason or the note beside an answer only, "" when there is none), "ms" (how long a check that got an
// answer took, null for one that got none) and, for a check that redirects moved, "final_url". UTF-8 with control
// characters escaped; a lone surrogate of a UTF-16 list becomes "?", so every line is valid JSON. Written and
// failing as WriteResults.
void WriteJsonResults(const PingTable& table, const QString& path);

}  // namespace larkspire
