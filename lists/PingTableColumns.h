#pragma once

#include <QString>
#include <QStringList>

namespace larkspire {

class PingTable;

// Column 0 stands for the whole table: every cell emptied and no rows left. Any other column is
// emptied in every row, and the rows stay.
void ClearColumn(PingTable& table, int column);

// Sets one row per line and splits each line at `separator` into at most `columnCount` columns from
// `firstColumn` on. A line without the separator goes whole into `firstColumn`. One reset notification.
void FillColumnsFromLines(PingTable& table, const QStringList& lines, int firstColumn, int columnCount,
                          const QString& separator);

// FillColumnsFromLines over the lines of the list file at `path` as ReadTextLines gives them, each line's text
// going into its row without a list of every line beside the table. Throws ReadTextLines' FileError, or
// TableRangeError for more lines than a table holds; the table is then left as it was.
void FillColumnsFromFile(PingTable& table, const QString& path, int firstColumn, int columnCount,
                         const QString& separator);

// Writes the cell of `column` of every selected row, one line each followed by CR LF, in Windows-1252 when
// every line fits it, otherwise in UTF-8 after a byte-order mark (so no character becomes "?" and the file reads
// back as exported), replacing the file at `path` through AtomicFileWrite. With `filterColumn` 0 every row is selected, otherwise
// the rows whose cell in `filterColumn` equals `filterText` exactly. Throws FileError with the I/O error message
// on failure; the file then keeps its old content.
void ExportColumn(const PingTable& table, const QString& path, int column, int filterColumn, const QString& filterText);

// Writes the URLs of the rows whose check failed (an HTTP error, a time-out or aborted) as ExportColumn does.
void ExportFailedUrls(const PingTable& table, const QString& path);

}  // namespace larkspire
