#pragma once

#include <functional>
#include <string>

namespace larkspire {

// Checks one URL with a time-out in seconds, blocking until the check has ended, and yields its status text.
using RowChecker = std::function<std::u16string(const std::u16string& url, int timeoutSeconds)>;

}  // namespace larkspire
