#include "tests/app/DrivenProgram.h"

#include <gtest/gtest.h>

namespace larkspire {
namespace {

// The program's windows carry its icon, drawn from the picture built into the program, with no desktop entry
// installed.
TEST(WindowIcon, TheMainWindowShowsTheProgramsIcon)
{
    test::DrivenProgram program(QStringLiteral(LARKSPIRE_INDEXER_EXE), {});
    ASSERT_TRUE(program.Started());
    EXPECT_TRUE(program.Process().waitForFinished(30000));
    EXPECT_TRUE(program.Errors().contains("driver: window icon 64x64")) << program.Errors().toStdString();
}

}  // namespace
}  // namespace larkspire
