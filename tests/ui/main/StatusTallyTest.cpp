#include "ui/main/StatusTally.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace larkspire {
namespace {

TEST(StatusTally, FollowsEachChangeAndCountsOnlyEndedChecksAsFinished)
{
    StatusTally tally;
    tally.Reset(5);
    EXPECT_EQ(tally.Count(StatusKind::NotChecked), 5);
    tally.Change(StatusKind::NotChecked, StatusKind::UnderWay);
    tally.Change(StatusKind::NotChecked, StatusKind::UnderWay);
    EXPECT_EQ(tally.Finished(), 0);
    tally.Change(StatusKind::UnderWay, StatusKind::Error);
    tally.Change(StatusKind::UnderWay, StatusKind::Completed);
    tally.Change(StatusKind::NotChecked, StatusKind::Aborted);

    EXPECT_EQ(tally.Rows(), 5);
    EXPECT_EQ(tally.Finished(), 3);
    EXPECT_EQ(tally.Count(StatusKind::NotChecked), 2);
    EXPECT_EQ(tally.Count(StatusKind::UnderWay), 0);
    EXPECT_EQ(tally.Count(StatusKind::Completed), 1);
    EXPECT_EQ(tally.Count(StatusKind::Error), 1);
    EXPECT_EQ(tally.Count(StatusKind::Aborted), 1);
    EXPECT_EQ(tally.Count(StatusKind::Timeout), 0);

    tally.Reset(2);
    EXPECT_EQ(tally.Rows(), 2);
    EXPECT_EQ(tally.Finished(), 0);
    EXPECT_EQ(tally.Count(StatusKind::Completed), 0);
}

}  // namespace
}  // namespace larkspire
