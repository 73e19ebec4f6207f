#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>

#include "run/RunThread.h"
#include "tests/run/FakeRunWindow.h"
#include "tests/run/WaitUntil.h"

namespace larkspire {
namespace {

using namespace std::chrono_literals;

// The program does not wait for a run when it ends: the process exits while workers, the ticker and the run
// thread are busy handing steps to the window, and nothing of the run may break that exit.
void ExitDuringARun(void (*exitProcess)(int))
{
    auto window = std::make_shared<test::FakeRunWindow>(100000, u"4");
    auto checks = std::make_shared<std::atomic<int>>(0);
    RunOptions options;
    options.pause = 0ms;
    options.checker = [checks](const std::u16string&, int, const std::atomic<bool>&) {
        ++*checks;
        return CheckOutcome{u"Completed", {}};
    };
    StartRun(window, options);
    test::WaitUntil([&] { return *checks > 1000; });
    exitProcess(3);
}

TEST(RunExitTest, TheProcessExitsCleanlyWhileARunIsUnderWay)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ExitDuringARun(std::exit), ::testing::ExitedWithCode(3), "");
    EXPECT_EXIT(ExitDuringARun(std::quick_exit), ::testing::ExitedWithCode(3), "");
}

}  // namespace
}  // namespace larkspire
