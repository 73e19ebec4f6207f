#pragma once

#include <stdexcept>
#include <string>

namespace larkspire {

// The common base of every error the system raises itself. what() is the text a user may be shown.
class LarkspireError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace larkspire
