#include "lists/PosixFile.h"

#include "base/Utf8.h"
#include "lists/AtomicFileWrite.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace larkspire {

UniqueFd::~UniqueFd()
{
    Close();
}

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
    if (fd_ < 0)
        return 0;
    const int result = ::close(fd_);
    fd_ = -1;
    // After EINTR the descriptor is gone on Linux and the data was handed over: not a failure.
    return result == 0 || errno == EINTR ? 0 : errno;
}

namespace {

// A byte that is not part of well-formed UTF-8 travels as the lone surrogate U+DC00 + byte, as Python's
// "surrogateescape" does: shown as a replacement character, turned back into the same byte for the system.
constexpr char16_t EscapedByteBase = 0xDC00;

bool IsEscapedByte(char16_t unit)
{
    return unit >= EscapedByteBase + 0x80 && unit <= EscapedByteBase + 0xFF;
}

}  // namespace

QByteArray NativePath(const QString& path)
{
    if (path.contains(QChar(0)))
        return {};
    QByteArray bytes;
    bytes.reserve(path.size());
    const qsizetype size = path.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i <= size; ++i) {
        if (i < size && !IsEscapedByte(path[i].unicode()))
            continue;
        bytes += QStringView(path).mid(start, i - start).toUtf8();
        if (i < size)
            bytes += static_cast<char>(path[i].unicode() - EscapedByteBase);
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
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

namespace {

// The new content over the old in the file itself, for a file that cannot be replaced without losing its
// owner, a hard link or because its folder is closed to us. The old content is kept in memory and written
// back when the new one cannot be written whole.
std::optional<WriteFileFailure> WriteInPlaceKeepingOldContent(const QByteArray& nativePath, std::string_view content)
{
    UniqueFd file(::open(nativePath.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    if (!file.IsOpen())
        return WriteFileFailure{true, errno};
    std::string old;
    if (const int error = ReadAll(file.Get(), old))
        return WriteFileFailure{true, error};
    int error = ::ftruncate(file.Get(), 0) == 0 && ::lseek(file.Get(), 0, SEEK_SET) == 0 ? 0 : errno;
    if (!error)
        error = WriteAll(file.Get(), content.data(), content.size());
    if (!error && ::fsync(file.Get()) != 0)
        error = errno;
    if (error) {
        if (::ftruncate(file.Get(), 0) == 0 && ::lseek(file.Get(), 0, SEEK_SET) == 0)
            WriteAll(file.Get(), old.data(), old.size());
        return WriteFileFailure{false, error};
    }
    if (const int closeError = file.Close())
        return WriteFileFailure{false, closeError};
    return std::nullopt;
}

bool IsExistingRegularFile(const QByteArray& nativePath)
{
    struct stat status {};
    return ::stat(nativePath.constData(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

std::optional<WriteFileFailure> WriteWholeFile(const QByteArray& nativePath, std::string_view content)
{
    AtomicFileWrite replacement;
    const int openError = replacement.Open(nativePath);
    if (!openError && replacement.KeepsOwnerAndLinks()) {
        if (const int error = replacement.Write(content))
            return WriteFileFailure{false, error};
        if (const int error = replacement.Commit())
            return WriteFileFailure{false, error};
        return std::nullopt;
    }
    if (openError && (IsReadOnlyFile(nativePath) || !IsExistingRegularFile(nativePath)))
        return WriteFileFailure{true, openError};
    return WriteInPlaceKeepingOldContent(nativePath, content);
}

int ReadAll(int fd, std::string& bytes)
{
    // Read straight into the result, sized from the file's length; a file that grows meanwhile still
    // comes in whole.
    struct stat status {};
    std::size_t capacity = 65536;
    if (::fstat(fd, &status) == 0 && status.st_size > 0)
        capacity = static_cast<std::size_t>(status.st_size) + 1;
    bytes.resize(capacity);
    std::size_t size = 0;
    for (;;) {
        if (size == bytes.size())
            bytes.resize(bytes.size() * 2);
        const ssize_t count = ::read(fd, bytes.data() + size, bytes.size() - size);
        if (count == 0)
            break;
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        size += static_cast<std::size_t>(count);
    }
    bytes.resize(size);
    return 0;
}

}  // namespace larkspire
