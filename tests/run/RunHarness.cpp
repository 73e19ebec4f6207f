#include "tests/run/RunHarness.h"

#include <utility>

#include "run/RunThread.h"

namespace larkspire::test {

RunHarness::RunHarness(int rows, std::u16string threadSetting)
    : RunHarness(std::make_shared<FakeRunWindow>(rows, std::move(threadSetting)))
{}

RunHarness::RunHarness(std::vector<std::u16string> urls, std::u16string threadSetting)
    : RunHarness(std::make_shared<FakeRunWindow>(std::move(urls), std::move(threadSetting)))
{}

RunHarness::RunHarness(std::shared_ptr<FakeRunWindow> runWindow) : window(std::move(runWindow))
{
    options.pause = std::chrono::milliseconds(20);
    options.checker = [](const std::u16string&, int, const std::atomic<bool>&) {
        return CheckOutcome{u"Completed", {}};
    };
    options.startThread = threads.Starter();
}

void RunHarness::Start() { StartRun(window, options); }

::testing::AssertionResult RunHarness::RunToEnd()
{
    Start();
    return WaitForEnd();
}

::testing::AssertionResult RunHarness::WaitForEnd()
{
    if (!threads.WaitAllEnded()) return ::testing::AssertionFailure() << "the run's threads did not end";
    return ::testing::AssertionSuccess();
}

}  // namespace larkspire::test
