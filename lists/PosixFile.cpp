#include "lists/PosixFile.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
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

QByteArray NativePath(const QString& path)
{
    if (path.contains(QChar(0)))
        return {};
    return QFile::encodeName(path);
}

bool IsReadOnlyFile(const QByteArray& nativePath)
{
    struct stat status {};
    return ::stat(nativePath.constData(), &status) == 0 && S_ISREG(status.st_mode) &&
           (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

int CreateForWriting(const QByteArray& nativePath, UniqueFd& file)
{
    if (nativePath.isEmpty())
        return ENOENT;
    if (IsReadOnlyFile(nativePath))
        return EACCES;
    const int fd = ::open(nativePath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    file = UniqueFd(fd);
    return 0;
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

// The regular file a path names, symbolic links followed, so that replacing it keeps the links.
std::optional<QByteArray> ExistingRegularFile(const QByteArray& nativePath, mode_t& mode)
{
    struct stat status {};
    if (::stat(nativePath.constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    char* resolved = ::realpath(nativePath.constData(), nullptr);
    if (!resolved)
        return std::nullopt;
    QByteArray target(resolved);
    ::free(resolved);
    mode = status.st_mode & 07777;
    return target;
}

std::optional<WriteFileFailure> WriteInPlace(const QByteArray& nativePath, std::string_view content)
{
    UniqueFd file;
    if (const int error = CreateForWriting(nativePath, file))
        return WriteFileFailure{true, error};
    if (const int error = WriteAll(file.Get(), content.data(), content.size()))
        return WriteFileFailure{false, error};
    if (const int error = file.Close())
        return WriteFileFailure{false, error};
    return std::nullopt;
}

std::optional<WriteFileFailure> WriteBesideAndReplace(const QByteArray& target, mode_t mode, std::string_view content)
{
    QByteArray temporary = target + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return WriteFileFailure{true, errno};
    UniqueFd file(fd);
    int error = ::fchmod(fd, mode) != 0 ? errno : 0;
    if (!error)
        error = WriteAll(fd, content.data(), content.size());
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (const int closeError = file.Close(); !error)
        error = closeError;
    if (!error && ::rename(temporary.constData(), target.constData()) != 0)
        error = errno;
    if (error) {
        ::unlink(temporary.constData());
        return WriteFileFailure{false, error};
    }
    return std::nullopt;
}

}  // namespace

std::optional<WriteFileFailure> WriteWholeFile(const QByteArray& nativePath, std::string_view content)
{
    if (nativePath.isEmpty())
        return WriteFileFailure{true, ENOENT};
    if (IsReadOnlyFile(nativePath))
        return WriteFileFailure{true, EACCES};
    mode_t mode = 0;
    if (const std::optional<QByteArray> target = ExistingRegularFile(nativePath, mode))
        return WriteBesideAndReplace(*target, mode, content);
    return WriteInPlace(nativePath, content);
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
