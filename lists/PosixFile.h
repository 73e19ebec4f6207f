#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace larkspire {

// An open file descriptor, closed when it goes.
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    ~UniqueFd();
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    // Gives the descriptor up without closing it.
    int Release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes now; 0, or the errno of a failed close (a late write error).
    int Close();

private:
    int fd_;
};

// The file-system form of a path: UTF-8, with the bytes PathFromNative escaped given back as they were;
// empty for a path holding U+0000, which no file can have.
QByteArray NativePath(const QString& path);

// A file name as the system gave it, for the program's use: UTF-8 decoded, every other byte kept as a
// character of its own that shows as a replacement character and goes back to the same byte.
QString PathFromNative(const QByteArray& nativePath);

// An existing regular file without any write permission bit: this program's read-only file, refused
// for writing and deleting even to a user whom the system would let through.
bool IsReadOnlyFile(const QByteArray& nativePath);

// How writing a whole file's new content failed: at creating the file, or at writing or closing it.
struct WriteFileFailure {
    bool atCreate;
    int error;
};

// Gives the file `content` as its whole new content through AtomicFileWrite, so the old content stays whenever
// the write fails and the file keeps its owner, group, links and permission bits. Returns the failure, if any.
std::optional<WriteFileFailure> WriteWholeFile(const QByteArray& nativePath, std::string_view content);

// Writes all of `size` bytes; 0, or the errno of the failed write.
int WriteAll(int fd, const char* data, std::size_t size);

// Reads the whole of an open file; 0, or the errno of the failed read.
int ReadAll(int fd, std::string& bytes);

}  // namespace larkspire
