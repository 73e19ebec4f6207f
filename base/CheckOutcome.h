#pragma once

#include <string>

namespace larkspire {

// What one check of a URL ends with: the status text, compared exactly elsewhere, and a short reason in plain
// words for the user (why it failed, or where and how fast it completed); the reason may be empty.
struct CheckOutcome {
    std::u16string status;
    std::u16string reason;
};

}  // namespace larkspire
