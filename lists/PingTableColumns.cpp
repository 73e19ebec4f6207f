#include "lists/PingTableColumns.h"

#include "lists/AnsiCodec.h"
#include "lists/AtomicFileWrite.h"
#include "lists/FileErrors.h"
#include "lists/PingTable.h"
#include "lists/PosixFile.h"

#include <limits>
#include <string>

namespace larkspire {

namespace {

constexpr qsizetype LongestExportPath = 259;
constexpr std::size_t ExportBufferSize = 64 * 1024;

void FillRow(PingTable& table, int row, const QString& line, int firstColumn, int columnCount,
             const QString& separator)
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
            if (start < line.size())
                table.SetCell(firstColumn + piece, row, line.mid(start));
            return;
        }
        table.SetCell(firstColumn + piece, row, line.mid(start, found - start));
        start = found + separator.size();
        found = line.indexOf(separator, start);
    }
}

// Collects the export in memory and hands it to the replacement file a buffer at a time.
class ExportWriter {
public:
    ExportWriter(AtomicFileWrite& file, const QString& path) : file_(file), path_(path)
    {
        buffer_.reserve(ExportBufferSize);
    }

    void WriteLine(const QString& cell)
    {
        AppendAnsi(cell, buffer_);
        buffer_.append("\r\n");
        if (buffer_.size() >= ExportBufferSize)
            Flush();
    }

    void Finish()
    {
        Flush();
        if (const int error = file_.Commit())
            throw IoError(error, path_);
    }

private:
    void Flush()
    {
        if (const int error = file_.Write(buffer_))
            throw IoError(error, path_);
        buffer_.clear();
    }

    AtomicFileWrite& file_;
    const QString& path_;
    std::string buffer_;
};

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
    for (int row = 0; row < table.RowCount(); ++row)
        table.SetCell(column, row, empty);
}

void FillColumnsFromLines(PingTable& table, const QStringList& lines, int firstColumn, int columnCount,
                          const QString& separator)
{
    if (lines.size() > std::numeric_limits<int>::max())
        throw TableRangeError();
    PingTable::Batch batch(table);
    table.SetRowCount(static_cast<int>(lines.size()));
    for (int row = 0; row < table.RowCount(); ++row)
        FillRow(table, row, lines[row], firstColumn, columnCount, separator);
}

void ExportColumn(const PingTable& table, const QString& path, int column, int filterColumn,
                  const QString& filterText)
{
    if (path.size() > LongestExportPath)
        throw InvalidFileNameError(path);
    AtomicFileWrite file;
    if (const int error = file.Open(NativePath(path)))
        throw IoError(error, path);

    ExportWriter writer(file, path);
    for (int row = 0; row < table.RowCount(); ++row) {
        if (filterColumn == 0 || table.GetCell(filterColumn, row) == filterText)
            writer.WriteLine(table.GetCell(column, row));
    }
    writer.Finish();
}

}  // namespace larkspire
