#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "base/CheckOutcome.h"

namespace larkspire {

// Checks one URL with a time-out in seconds, blocking until the check has ended, and yields its status text
// and the reason for it. abortRequested turns true when the user asks the run to stop.
using RowChecker =
    std::function<CheckOutcome(const std::u16string& url, int timeoutSeconds, const std::atomic<bool>& abortRequested)>;

}  // namespace larkspire
