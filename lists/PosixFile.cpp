#include "lists/PosixFile.h"

#include "base/Utf8.h"
#include "lists/AtomicFileWrite.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace larkspire {

UniqueFd::~UniqueFd() { Close(); }

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

int UniqueFd::Close()
{
    if (fd_ < 0) return 0;
    const int result = ::close(fd_);
    fd_ = -1;
    // After EINTR the descriptor is gone on Linux and the data was handed over: not a failure.
    return result == 0 || errno == EINTR ? 0 : errno;
}

namespace {

// A byte that is not part of well-formed UTF-8 travels as the lone surrogate U+DC00 + byte, as Python's
// "surrogateescape" does: shown as a replacement character, turned back into the same byte for the system.
constexpr char16_t EscapedByteBase = 0xDC00;

bool IsEscapedByte(char16_t unit) { return unit >= EscapedByteBase + 0x80 && unit <= EscapedByteBase + 0xFF; }

}  // namespace

QByteArray NativePath(const QString& path)
{
    if (path.contains(QChar(0))) return {};
    QByteArray bytes;
    bytes.reserve(path.size());
    const qsizetype size = path.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i <= size; ++i) {
        if (i < size && !IsEscapedByte(path[i].unicode())) continue;
        bytes += QStringView(path).mid(start, i - start).toUtf8();
        if (i < size) bytes += static_cast<char>(path[i].unicode() - EscapedByteBase);
        start = i + 1;
    }
    return bytes;
}

QString PathFromNative(const QByteArray& nativePath)
{
    QString path;
    std::string_view bytes(nativePath.constData(), static_cast<std::size_t>(nativePath.size()));
    while (!bytes.empty()) {
        std::size_t count = 1;
        const std::optional<char32_t> code = NextUtf8(bytes, count);
        if (!code) {
            path += QChar(static_cast<char16_t>(EscapedByteBase + static_cast<unsigned char>(bytes.front())));
            bytes.remove_prefix(1);
            continue;
        }
        path += QString::fromUcs4(&*code, 1);
        bytes.remove_prefix(count);
    }
    return path;
}

bool IsReadOnlyFile(const QByteArray& nativePath)
{
    struct stat status {};
    return ::stat(nativePath.constData(), &status) == 0 && S_ISREG(status.st_mode) &&
           (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

int WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

std::optional<WriteFileFailure> WriteWholeFile(const QByteArray& nativePath, std::string_view content)
{
    AtomicFileWrite file;
    if (const int error = file.Open(nativePath)) return WriteFileFailure{true, error};
    if (const int error = file.Write(content)) return WriteFileFailure{false, error};
    if (const int error = file.Commit()) return WriteFileFailure{false, error};
    return std::nullopt;
}

int ReadAll(int fd, std::string& bytes)
{
    // Read straight into the result, sized from the file's length; a file that grows meanwhile still
    // comes in whole.
    struct stat status {};
    std::size_t capacity = 65536;
    if (::fstat(fd, &status) == 0 && status.st_size > 0) capacity = static_cast<std::size_t>(status.st_size) + 1;
    bytes.resize(capacity);
    std::size_t size = 0;
    for (;;) {
        if (size == bytes.size()) bytes.resize(bytes.size() * 2);
        const ssize_t count = ::read(fd, bytes.data() + size, bytes.size() - size);
        if (count == 0) break;
        if (count < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        size += static_cast<std::size_t>(count);
    }
    bytes.resize(size);
    return 0;
}

}  // namespace larkspire
