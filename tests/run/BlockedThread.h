#pragma once

#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

namespace larkspire::test {

// The kernel's id of the calling thread, for IsAsleep.
inline pid_t ThisThreadId() { return static_cast<pid_t>(syscall(SYS_gettid)); }

// Whether a thread of this process sleeps in the kernel (state 'S' in /proc), as one blocked on a condition
// variable does: how a test sees that a call it started on another thread has reached its wait. False for an
// id of 0 or of a thread that has ended.
inline bool IsAsleep(pid_t thread)
{
    if (thread == 0) return false;
    std::ifstream stat("/proc/self/task/" + std::to_string(thread) + "/stat");
    const std::string text{std::istreambuf_iterator<char>(stat), std::istreambuf_iterator<char>()};
    // "tid (name) S ...": the name may hold spaces and parentheses, so the state follows the last ')'.
    const std::size_t nameEnd = text.rfind(')');
    return nameEnd != std::string::npos && nameEnd + 2 < text.size() && text[nameEnd + 2] == 'S';
}

}  // namespace larkspire::test
