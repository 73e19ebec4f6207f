#pragma once

#include <QByteArray>

#include <cstddef>
#include <string_view>

namespace larkspire {

// Gives a file its whole new content only once that content is safely on disk: the bytes go to a temporary
// file beside the target, which is flushed, synced and renamed over the target by Commit. Until then, and
// whenever a step fails, the target keeps its old content; the temporary file is removed when the write
// is abandoned. A symbolic link is followed, so the link stays and its target is replaced; an existing
// file's permission bits are kept. A target that exists but is not a regular file (a device, a FIFO)
// cannot be replaced and is written in place. Every step returns 0 or the errno of its failure.
class AtomicFileWrite {
public:
    AtomicFileWrite() = default;
    ~AtomicFileWrite();
    AtomicFileWrite(const AtomicFileWrite&) = delete;
    AtomicFileWrite& operator=(const AtomicFileWrite&) = delete;

    // Creates the temporary file for `nativeTarget` (or opens the non-regular target). A read-only file of
    // this program (no write permission bit) is refused with EACCES.
    int Open(const QByteArray& nativeTarget);
    int Write(std::string_view bytes);
    // Makes the new content the target's; after a failure the target is as it was.
    int Commit();

    // Whether committing keeps everything of the old file but its content: its owner and group, and its
    // one name (no other hard link would be split off). Always true for a new file.
    bool KeepsOwnerAndLinks() const { return keepsOwnerAndLinks_; }

private:
    void Abandon();

    QByteArray target_;
    QByteArray temporary_;  // empty when writing in place
    int fd_ = -1;
    bool keepsOwnerAndLinks_ = true;
};

}  // namespace larkspire
