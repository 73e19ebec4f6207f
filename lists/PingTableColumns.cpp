#include "lists/PingTableColumns.h"

#include "lists/AnsiCodec.h"
#include "lists/AtomicFileWrite.h"
#include "lists/FileErrors.h"
#include "lists/PingTable.h"
#include "lists/PosixFile.h"
#include "lists/StatusKind.h"
#include "lists/TextListFile.h"

#include <algorithm>
#include <limits>
#include <string>

namespace larkspire {

namespace {

constexpr qsizetype LongestExportPath = 259;
constexpr std::size_t ExportBufferSize = 64 * 1024;

void FillRow(PingTable& table, int row, const QString& line, int firstColumn, int columnCount, const QString& separator)
{
    qsizetype found = separator.isEmpty() ? -1 : line.indexOf(separator);
    if (found < 0) {
        table.SetCell(firstColumn, row, line);
        return;
    }
    qsizetype start = 0;
    for (int piece = 0; piece < columnCount; ++piece) {
        if (found < 0) {
            // The text after the last separator counts only when there is some.
            if (start < line.size()) table.SetCell(firstColumn + piece, row, line.mid(start));
            return;
        }
        table.SetCell(firstColumn + piece, row, line.mid(start, found - start));
        start = found + separator.size();
        found = line.indexOf(separator, start);
    }
}

// Lays the cells of `column` in the rows `selected` takes out as the export holds them: Windows-1252 when every
// one fits it, otherwise UTF-8 after a byte-order mark, CR LF after each. They reach the replacement file a buffer
// at a time, straight from the table, so a large export is never held in memory as a whole, and the file takes
// the old one's place only when complete.
template <typename RowSelection>
void WriteExport(const QString& path, const PingTable& table, int column, RowSelection selected)
{
    const auto eachCell = [&](auto&& take) {
        for (int row = 0; row < table.RowCount(); ++row) {
            if (selected(row) && !take(table.GetCell(column, row))) return;
        }
    };
    bool fitsAnsi = true;
    eachCell([&fitsAnsi](const QString& line) { return fitsAnsi = FitsAnsi(line); });
    AtomicFileWrite file;
    if (const int error = file.Open(NativePath(path))) throw IoError(error, path);
    std::string buffer;
    const auto flush = [&] {
        if (const int error = file.Write(buffer)) throw IoError(error, path);
        buffer.clear();
    };
    if (!fitsAnsi) buffer.append("\xEF\xBB\xBF");
    eachCell([&](const QString& line) {
        if (fitsAnsi) {
            AppendAnsi(line, buffer);
        } else {
            const QByteArray utf8 = line.toUtf8();
            buffer.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
        }
        buffer.append("\r\n");
        if (buffer.size() >= ExportBufferSize) flush();
        return true;
    });
    flush();
    if (const int error = file.Commit()) throw IoError(error, path);
}

}  // namespace

void ClearColumn(PingTable& table, int column)
{
    PingTable::Batch batch(table);
    if (column == 0) {
        // Emptying every cell first would be lost work: the rows go with their cells.
        table.SetRowCount(0);
        return;
    }
    const QString empty;
    for (int row = 0; row < table.RowCount(); ++row) table.SetCell(column, row, empty);
}

void FillColumnsFromLines(PingTable& table, const QStringList& lines, int firstColumn, int columnCount,
                          const QString& separator)
{
    if (lines.size() > std::numeric_limits<int>::max()) throw TableRangeError();
    PingTable::Batch batch(table);
    table.SetRowCount(static_cast<int>(lines.size()));
    for (int row = 0; row < table.RowCount(); ++row)
        FillRow(table, row, lines[row], firstColumn, columnCount, separator);
}

void FillColumnsFromFile(PingTable& table, const QString& path, int firstColumn, int columnCount,
                         const QString& separator)
{
    PingTable filled;
    ReadTextLines(path, [&](QString&& line) {
        const int row = filled.RowCount();
        if (row == std::numeric_limits<int>::max()) throw TableRangeError();
        filled.SetRowCount(row + 1);
        FillRow(filled, row, line, firstColumn, columnCount, separator);
    });
    table.TakeRowsOf(filled);
}

void ExportColumn(const PingTable& table, const QString& path, int column, int filterColumn, const QString& filterText)
{
    if (path.size() > LongestExportPath) throw InvalidFileNameError(path);
    WriteExport(path, table, column,
                [&](int row) { return filterColumn == 0 || table.GetCell(filterColumn, row) == filterText; });
}

void ExportFailedUrls(const PingTable& table, const QString& path)
{
    if (path.size() > LongestExportPath) throw InvalidFileNameError(path);
    WriteExport(path, table, PingTable::ColumnUrl,
                [&](int row) { return IsFailure(StatusKindOf(table.GetCell(PingTable::ColumnPing, row))); });
}

}  // namespace larkspire
