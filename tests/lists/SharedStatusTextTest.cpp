#include "lists/SharedStatusText.h"

#include <gtest/gtest.h>

#include <string>

namespace larkspire {
namespace {

// The rows of a run hold their status texts as shared strings: the same text, the same characters in memory.
TEST(SharedStatusText, EveryRowWithTheSameStatusSharesOneString)
{
    const QString first = SharedStatusText(u"Completed");
    const QString second = SharedStatusText(std::u16string(u"Completed"));
    EXPECT_EQ(first, QStringLiteral("Completed"));
    EXPECT_EQ(second.constData(), first.constData());
    const QString error = SharedStatusText(u"Error 404");
    EXPECT_EQ(error, QStringLiteral("Error 404"));
    EXPECT_NE(error.constData(), first.constData());
    EXPECT_TRUE(SharedStatusText(u"").isNull()) << "an empty status allocates nothing";
}

TEST(SharedStatusText, TextsBeyondTheKeptOnesAreStillRight)
{
    for (int code = 0; code < kMostSharedStatusTexts + 10; ++code) {
        const std::string text = "Status " + std::to_string(code);
        const std::u16string status(text.begin(), text.end());
        ASSERT_EQ(SharedStatusText(status), QString::fromStdString(text));
        ASSERT_EQ(SharedStatusText(status), QString::fromStdString(text)) << "asked again";
    }
}

}  // namespace
}  // namespace larkspire
