#include "cli/ResultsFile.h"

#include <unistd.h>

#include <QByteArray>

#include <nlohmann/json.hpp>

#include <cerrno>
#include <string_view>

#include "base/CheckOutcome.h"
#include "lists/AtomicFileWrite.h"
#include "lists/FileErrors.h"
#include "lists/PingTable.h"
#include "lists/PosixFile.h"

namespace larkspire {

namespace {

constexpr qsizetype kBufferSize = 64 * 1024;

bool IsStandardOutput(const QString& path) { return path == QStringLiteral("-"); }

FileError ResultsError(int error, const QString& path)
{
    if (IsStandardOutput(path))
        return FileError(QStringLiteral("Cannot write the results to standard output. ") + SystemErrorText(error));
    return IoError(error, path);
}

// Writes through a buffer to standard output, or to the file through AtomicFileWrite so that a failed write
// leaves the old file whole; every failure is the I/O error of its errno.
class ResultsWriter {
public:
    explicit ResultsWriter(const QString& path) : path_(path)
    {
        if (IsStandardOutput(path)) return;
        if (const int error = file_.Open(NativePath(path))) throw ResultsError(error, path_);
    }

    void Append(const QByteArray& bytes)
    {
        buffer_ += bytes;
        if (buffer_.size() >= kBufferSize) Flush();
    }

    void Close()
    {
        Flush();
        if (IsStandardOutput(path_)) return;
        if (const int error = file_.Commit()) throw ResultsError(error, path_);
    }

private:
    void Flush()
    {
        const std::string_view bytes(buffer_.constData(), static_cast<std::size_t>(buffer_.size()));
        const int error =
            IsStandardOutput(path_) ? WriteAll(STDOUT_FILENO, bytes.data(), bytes.size()) : file_.Write(bytes);
        if (error) throw ResultsError(error, path_);
        buffer_.resize(0);
    }

    const QString path_;
    AtomicFileWrite file_;
    QByteArray buffer_;
};

}  // namespace

void WriteResults(const PingTable& table, const QString& path)
{
    ResultsWriter writer(path);
    for (int row = 0; row < table.RowCount(); ++row) {
        QByteArray line = table.GetCell(PingTable::ColumnUrl, row).toUtf8();
        line += '\t';
        line += table.GetCell(PingTable::ColumnPing, row).toUtf8();
        line += '\t';
        line += table.Reason(row).toUtf8();
        line += '\n';
        writer.Append(line);
    }
    writer.Close();
}

void WriteJsonResults(const PingTable& table, const QString& path)
{
    const auto utf8 = [](const std::u16string& text) { return QString::fromStdU16String(text).toStdString(); };
    ResultsWriter writer(path);
    for (int row = 0; row < table.RowCount(); ++row) {
        const CheckOutcome outcome = table.Outcome(row);
        nlohmann::ordered_json object = {
            {"url", table.GetCell(PingTable::ColumnUrl, row).toStdString()},
            {"status", utf8(outcome.status)},
            {"reason", utf8(outcome.reason)},
            {"ms", outcome.elapsedMs >= 0 ? nlohmann::ordered_json(outcome.elapsedMs) : nlohmann::ordered_json()},
        };
        if (!outcome.finalUrl.empty()) object["final_url"] = utf8(outcome.finalUrl);
        // Control characters are escaped. Qt's UTF-8 already has "?" for a lone surrogate; should a text still not be
        // UTF-8, U+FFFD takes the place of the bad bytes rather than an exception ending the program.
        writer.Append(QByteArray::fromStdString(object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)) +
                      '\n');
    }
    writer.Close();
}

}  // namespace larkspire
