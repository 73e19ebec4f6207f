#pragma once

#include "tests/support/qt/QtPrinters.h"

#include <QDeadlineTimer>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>

namespace larkspire::test {

// Long enough for a sanitizer build on a busy two-core machine; a wait that succeeds ends as soon as it can.
inline constexpr std::chrono::milliseconds QtWaitLimit{30000};

// Runs Qt's event loop until condition() holds or limit has passed. QTRY_VERIFY cannot be used instead: on
// failure it only returns from the test body, which GoogleTest counts as a pass. This result goes into
// EXPECT_TRUE / ASSERT_TRUE; `what` names the awaited state in the failure message.
template <typename Condition>
::testing::AssertionResult EventuallyTrue(Condition condition, const char* what,
                                          std::chrono::milliseconds limit = QtWaitLimit)
{
    const QDeadlineTimer deadline(limit);
    while (!condition()) {
        if (deadline.hasExpired())
            return ::testing::AssertionFailure()
                   << "waited " << limit.count() << " ms for " << what << ", which never became true";
        QTest::qWait(10);
    }
    return ::testing::AssertionSuccess();
}

// The same for a value that should settle: on failure the message shows the expected and the last value seen.
template <typename Getter, typename T>
::testing::AssertionResult EventuallyEqual(Getter value, const T& expected, const char* what,
                                           std::chrono::milliseconds limit = QtWaitLimit)
{
    const QDeadlineTimer deadline(limit);
    for (;;) {
        const auto seen = value();
        if (seen == expected) return ::testing::AssertionSuccess();
        if (deadline.hasExpired())
            return ::testing::AssertionFailure()
                   << "waited " << limit.count() << " ms for " << what << " to be "
                   << ::testing::PrintToString(expected) << ", last seen " << ::testing::PrintToString(seen);
        QTest::qWait(10);
    }
}

}  // namespace larkspire::test
