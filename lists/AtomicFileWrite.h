#pragma once

#include <QByteArray>

#include <string>
#include <string_view>

namespace larkspire {

// Gives a file its whole new content only once that content is safely on disk: the bytes go to a temporary
// file beside the target, which is flushed, synced and renamed over the target by Commit. Until then, and
// whenever a step fails, the target keeps its old content; the temporary file is removed when the write
// is abandoned. A symbolic link is followed, so the link stays and its target is replaced; an existing
// file's permission bits are kept.
//
// Where a replacement would change more than the content (the file has another owner or group that cannot be
// given to a new file, or other hard links) or cannot be made (the folder is closed to us), the file itself is
// written instead, with its old content kept in memory and written back when the write is abandoned. A target
// that exists but is not a regular file (a device, a FIFO) is written in place as it is.
// Every step returns 0 or the errno of its failure.
class AtomicFileWrite {
public:
    AtomicFileWrite() = default;
    ~AtomicFileWrite();
    AtomicFileWrite(const AtomicFileWrite&) = delete;
    AtomicFileWrite& operator=(const AtomicFileWrite&) = delete;

    // Creates the temporary file for `nativeTarget`, or opens the target itself as told above. A read-only
    // file of this program (no write permission bit) is refused with EACCES.
    int Open(const QByteArray& nativeTarget);
    int Write(std::string_view bytes);
    // Makes the new content the target's; after a failure the target is as it was.
    int Commit();

private:
    int OpenInPlace();
    void Abandon();

    QByteArray target_;
    QByteArray temporary_;  // empty when writing in place
    std::string oldContent_;
    bool restoreOnAbandon_ = false;
    bool regular_ = true;  // devices and FIFOs have nothing to sync
    int fd_ = -1;
};

}  // namespace larkspire
