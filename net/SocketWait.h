#pragma once

namespace larkspire {

// Waits until the socket is ready for `events` (poll flags) or has failed or closed, at most `milliseconds`
// (a negative wait has no limit). Returns false when the time ran out; interrupted waits resume.
bool WaitForSocket(int descriptor, short events, int milliseconds);

}  // namespace larkspire
