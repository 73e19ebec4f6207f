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
    // Closes now; 0, or the errno of a failed close (a late write error).
    int Close();

private:
    int fd_;
};

// The file-system form of a path; empty for a path holding U+0000, which no file can have.
QByteArray NativePath(const QString& path);

// An existing regular file without any write permission bit: this program's read-only file, refused
// for writing and deleting even to a user whom the system would let through.
bool IsReadOnlyFile(const QByteArray& nativePath);

// Creates or truncates a file for writing; the errno on failure, 0 otherwise.
int CreateForWriting(const QByteArray& nativePath, UniqueFd& file);

// How writing a whole file's new content failed: at creating the file, or at writing or closing it.
struct WriteFileFailure {
    bool atCreate;
    int error;
};

// Gives the file `content` as its whole new content. An existing regular file is replaced only once the new
// content is safely written beside it (same permission bits), so a failed write leaves the old content whole;
// any other path is created or truncated and written in place. Returns the failure, if any.
std::optional<WriteFileFailure> WriteWholeFile(const QByteArray& nativePath, std::string_view content);

// Writes all of `size` bytes; 0, or the errno of the failed write.
int WriteAll(int fd, const char* data, std::size_t size);

// Reads the whole of an open file; 0, or the errno of the failed read.
int ReadAll(int fd, std::string& bytes);

}  // namespace larkspire
