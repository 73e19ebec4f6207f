#include "cli/ResultsFile.h"

#include <unistd.h>

#include <QByteArray>

#include <cerrno>
#include <string_view>

#include "lists/AtomicFileWrite.h"
#include "lists/FileErrors.h"
#include "lists/PingTable.h"
#include "lists/PosixFile.h"

namespace larkspire {

namespace {

constexpr qsizetype kBufferSize = 64 * 1024;

bool IsStandardOutput(const QString& path) {
    return path == QStringLiteral("-");
}

FileError ResultsError(int error, const QString& path) {
    if (IsStandardOutput(path))
        return FileError(QStringLiteral("Cannot write the results to standard output. ") + SystemErrorText(error));
    return IoError(error, path);
}

// Writes through a buffer to standard output, or to the file through AtomicFileWrite so that a failed write
// leaves the old file whole; every failure is the I/O error of its errno.
class ResultsWriter {
public:
    explicit ResultsWriter(const QString& path) : path_(path) {
        if (IsStandardOutput(path)) return;
        if (const int error = file_.Open(NativePath(path))) throw ResultsError(error, path_);
    }

    void Append(const QByteArray& bytes) {
        buffer_ += bytes;
        if (buffer_.size() >= kBufferSize) Flush();
    }

    void Close() {
        Flush();
        if (IsStandardOutput(path_)) return;
        if (const int error = file_.Commit()) throw ResultsError(error, path_);
    }

private:
    void Flush() {
        const std::string_view bytes(buffer_.constData(), static_cast<std::size_t>(buffer_.size()));
        const int error = IsStandardOutput(path_) ? WriteAll(STDOUT_FILENO, bytes.data(), bytes.size())
                                                  : file_.Write(bytes);
        if (error) throw ResultsError(error, path_);
        buffer_.resize(0);
    }

    const QString path_;
    AtomicFileWrite file_;
    QByteArray buffer_;
};

}  // namespace

void WriteResults(const PingTable& table, const QString& path) {
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

}  // namespace larkspire
