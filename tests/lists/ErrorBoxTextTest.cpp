#include "lists/FileErrors.h"

#include <gtest/gtest.h>

namespace larkspire {
namespace {

TEST(ErrorBoxText, AppendsAFullStopUnlessTheMessageEndsWithOneOrACharacterBelowIt)
{
    const struct {
        const char* message;
        const char* shown;
    } cases[] = {
        {"The specified file already exists", "The specified file already exists."},
        {"Stream write error.", "Stream write error."},
        {"Ends with a blank ", "Ends with a blank "},
        {"Ends with a hyphen -", "Ends with a hyphen -"},                 // '-' lies just below '.'
        {"Invalid file name - /tmp/x/", "Invalid file name - /tmp/x/."},  // '/' lies just above '.'
        {"Cannot open file \"a\"", "Cannot open file \"a\""},             // '"' lies below '.'
        {"", "."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorBoxText(QString::fromUtf8(c.message)), QString::fromUtf8(c.shown)) << c.message;
}

}  // namespace
}  // namespace larkspire
