#include "lists/AtomicFileWrite.h"

#include "lists/PosixFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace larkspire {

namespace {

constexpr int TemporaryNameAttempts = 100;

// The file a path leads to, symbolic links followed; the path itself when nothing exists there yet.
QByteArray ResolvedTarget(const QByteArray& nativePath)
{
    char* resolved = ::realpath(nativePath.constData(), nullptr);
    if (!resolved) return nativePath;
    QByteArray target(resolved);
    ::free(resolved);
    return target;
}

QByteArray FolderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// Created exclusively under a fresh name, so neither another file nor another writer's temporary is touched.
// The mode passes through the umask like any new file's.
int CreateTemporary(const QByteArray& target, QByteArray& name, int& fd)
{
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<std::size_t> pick(0, sizeof Letters - 2);
    for (int attempt = 0; attempt < TemporaryNameAttempts; ++attempt) {
        name = target + '.';
        for (int i = 0; i < 6; ++i) name += Letters[pick(random)];
        fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return 0;
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

// Gives the temporary file the old file's permission bits and, where the system allows it, its owner and
// group. False when the owner or group could not be kept or the old file has other names: the replacement
// would then change more than the content.
bool TakeOverOldFile(int fd, const struct stat& old)
{
    ::fchmod(fd, old.st_mode & 07777);
    struct stat created {};
    if (::fstat(fd, &created) != 0) return false;
    bool keeps = old.st_nlink <= 1;
    if (created.st_uid != old.st_uid || created.st_gid != old.st_gid)
        keeps = ::fchown(fd, old.st_uid, old.st_gid) == 0 && keeps;
    // A change of owner may clear set-id bits; put the bits back once the owner is right.
    ::fchmod(fd, old.st_mode & 07777);
    return keeps;
}

void SyncFolder(const QByteArray& folder)
{
    const UniqueFd handle(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.IsOpen()) ::fsync(handle.Get());
}

}  // namespace

AtomicFileWrite::~AtomicFileWrite() { Abandon(); }

int AtomicFileWrite::Open(const QByteArray& nativeTarget)
{
    if (nativeTarget.isEmpty()) return ENOENT;
    if (IsReadOnlyFile(nativeTarget)) return EACCES;
    target_ = ResolvedTarget(nativeTarget);
    struct stat old {};
    const bool exists = ::stat(target_.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) return EISDIR;
    regular_ = !exists || S_ISREG(old.st_mode);
    if (!regular_) {
        // Without a reader a FIFO refuses at once instead of blocking.
        fd_ = ::open(target_.constData(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) return errno;
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
        return 0;
    }
    if (const int error = CreateTemporary(target_, temporary_, fd_)) {
        temporary_.clear();
        const bool folderClosed = error == EACCES || error == EPERM;
        return exists && folderClosed ? OpenInPlace() : error;
    }
    if (exists && !TakeOverOldFile(fd_, old)) {
        Abandon();
        return OpenInPlace();
    }
    return 0;
}

int AtomicFileWrite::OpenInPlace()
{
    UniqueFd file(::open(target_.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    if (!file.IsOpen()) return errno;
    if (const int error = ReadAll(file.Get(), oldContent_)) return error;
    if (::ftruncate(file.Get(), 0) != 0 || ::lseek(file.Get(), 0, SEEK_SET) != 0) return errno;
    restoreOnAbandon_ = true;
    fd_ = file.Release();
    return 0;
}

int AtomicFileWrite::Write(std::string_view bytes) { return WriteAll(fd_, bytes.data(), bytes.size()); }

int AtomicFileWrite::Commit()
{
    int error = regular_ && ::fsync(fd_) != 0 ? errno : 0;
    UniqueFd file(fd_);
    fd_ = -1;
    if (const int closeError = file.Close(); !error) error = closeError;
    if (!error && !temporary_.isEmpty() && ::rename(temporary_.constData(), target_.constData()) != 0) error = errno;
    if (error) return error;  // the destructor removes the temporary file or writes the old content back
    temporary_.clear();
    restoreOnAbandon_ = false;
    SyncFolder(FolderOf(target_));
    return 0;
}

void AtomicFileWrite::Abandon()
{
    if (restoreOnAbandon_) {
        // The file was already closed by a failed Commit, or is still open after a failed Write.
        UniqueFd file(fd_ >= 0 ? fd_ : ::open(target_.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
        fd_ = -1;
        if (file.IsOpen() && ::ftruncate(file.Get(), 0) == 0 && ::lseek(file.Get(), 0, SEEK_SET) == 0)
            WriteAll(file.Get(), oldContent_.data(), oldContent_.size());
        restoreOnAbandon_ = false;
    }
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.isEmpty()) ::unlink(temporary_.constData());
    temporary_.clear();
}

}  // namespace larkspire
