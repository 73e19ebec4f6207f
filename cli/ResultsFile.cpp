#include "cli/ResultsFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>

#include <cerrno>

#include "lists/FileErrors.h"
#include "lists/PingTable.h"

namespace larkspire {

namespace {

constexpr qsizetype kBufferSize = 64 * 1024;

// Writes through a buffer to a descriptor it may own; every failure is the I/O error of its errno.
class ResultsWriter {
public:
    explicit ResultsWriter(const QString& path) : path_(path) {
        if (path == QStringLiteral("-")) {
            descriptor_ = STDOUT_FILENO;
            return;
        }
        descriptor_ = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (descriptor_ < 0) throw IoError(errno, path_);
        owned_ = true;
    }
    ~ResultsWriter() {
        if (owned_) ::close(descriptor_);
    }
    ResultsWriter(const ResultsWriter&) = delete;
    ResultsWriter& operator=(const ResultsWriter&) = delete;

    void Append(const QByteArray& bytes) {
        buffer_ += bytes;
        if (buffer_.size() >= kBufferSize) Flush();
    }

    void Close() {
        Flush();
        if (!owned_) return;
        owned_ = false;
        if (::close(descriptor_) != 0) throw IoError(errno, path_);
    }

private:
    void Flush() {
        const char* data = buffer_.constData();
        qsizetype left = buffer_.size();
        while (left > 0) {
            const ssize_t written = ::write(descriptor_, data, static_cast<size_t>(left));
            if (written < 0) {
                if (errno == EINTR) continue;
                throw IoError(errno, path_);
            }
            data += written;
            left -= written;
        }
        buffer_.resize(0);
    }

    const QString path_;
    int descriptor_ = -1;
    bool owned_ = false;
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
