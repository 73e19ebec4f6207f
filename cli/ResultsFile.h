#pragma once

#include <QString>

namespace larkspire {

class PingTable;

// Writes every row of the table as its Url, a TAB and its status, one line each ending in LF, in row order and
// UTF-8, replacing the file at path; "-" writes to standard output. Throws FileError with the I/O error message.
void WriteResults(const PingTable& table, const QString& path);

}  // namespace larkspire
