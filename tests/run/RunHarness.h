#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run/PingRun.h"
#include "tests/run/FakeRunWindow.h"
#include "tests/run/ThreadTracker.h"

namespace larkspire::test {

// One run of the real engine against a fake window, with a short pause and, unless a test puts in its own,
// a checker that completes every row at once.
struct RunHarness {
    RunHarness(int rows, std::u16string threadSetting);
    RunHarness(std::vector<std::u16string> urls, std::u16string threadSetting);

    // Starts the run as the Start button does.
    void Start();
    // Starts the run and waits until every thread it started has ended.
    ::testing::AssertionResult RunToEnd();
    ::testing::AssertionResult WaitForEnd();

    std::shared_ptr<FakeRunWindow> window;
    ThreadTracker threads;
    RunOptions options;

private:
    explicit RunHarness(std::shared_ptr<FakeRunWindow> runWindow);
};

}  // namespace larkspire::test
