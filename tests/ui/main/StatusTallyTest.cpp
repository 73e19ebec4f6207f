#include "ui/main/StatusTally.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace larkspire {
namespace {

struct KindCase {
    std::u16string status;
    StatusKind kind;
    const char* name;
};

void PrintTo(const KindCase& c, std::ostream* out) { *out << c.name; }

class StatusKindOfText : public testing::TestWithParam<KindCase> {};

TEST_P(StatusKindOfText, TellsTheOutcome)
{
    EXPECT_EQ(StatusKindOf(GetParam().status), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, StatusKindOfText,
    testing::Values(KindCase{u"", StatusKind::NotChecked, "Empty"},
                    KindCase{u"Pinging page...", StatusKind::UnderWay, "Pinging"},
                    KindCase{u"Completed", StatusKind::Completed, "Completed"},
                    KindCase{u"Error 404", StatusKind::Error, "HttpError"},
                    KindCase{u"Error -1", StatusKind::Error, "TransportError"},
                    KindCase{u"Timeout", StatusKind::Timeout, "Timeout"},
                    KindCase{u"Aborted", StatusKind::Aborted, "Aborted"},
                    KindCase{u"completed", StatusKind::Error, "OtherCaseIsNoCompletion"},
                    KindCase{u"Completed ", StatusKind::Error, "TrailingBlankIsNoCompletion"}),
    [](const testing::TestParamInfo<KindCase>& info) { return std::string(info.param.name); });

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
