#include "tests/support/qt/EventuallyTrue.h"

#include <QSize>
#include <QTimer>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <chrono>

namespace larkspire {
namespace {

using namespace std::chrono_literals;
using test::EventuallyEqual;
using test::EventuallyTrue;

// The wait must be able to fail: a condition that never holds is a failed expectation, named in the message.
TEST(EventuallyTrue, FailsWhenTheConditionNeverHolds)
{
    EXPECT_NONFATAL_FAILURE(EXPECT_TRUE(EventuallyTrue([] { return false; }, "the flag", 100ms)),
                            "waited 100 ms for the flag, which never became true");
    EXPECT_NONFATAL_FAILURE(EXPECT_TRUE(EventuallyEqual([] { return QSize(1, 2); }, QSize(3, 4), "the size", 100ms)),
                            "waited 100 ms for the size to be 3x4, last seen 1x2");
}

// What the condition waits for comes from a queued event, so only a wait that runs the event loop sees it.
TEST(EventuallyTrue, SucceedsOnceAQueuedEventMakesTheConditionHold)
{
    bool fired = false;
    QTimer::singleShot(50, [&] { fired = true; });
    ASSERT_FALSE(fired);
    EXPECT_TRUE(EventuallyTrue([&] { return fired; }, "the timer"));

    QSize size(10, 10);
    QTimer::singleShot(0, [&] { size = QSize(20, 30); });
    ASSERT_EQ(size, QSize(10, 10));
    EXPECT_TRUE(EventuallyEqual([&] { return size; }, QSize(20, 30), "the size"));
}

}  // namespace
}  // namespace larkspire
