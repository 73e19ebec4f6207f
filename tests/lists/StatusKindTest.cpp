#include "lists/StatusKind.h"

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

TEST_P(StatusKindOfText, TellsTheOutcome) { EXPECT_EQ(StatusKindOf(GetParam().status), GetParam().kind); }

INSTANTIATE_TEST_SUITE_P(Statuses, StatusKindOfText,
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

TEST(StatusKind, FailuresAreErrorsTimeoutsAndAbortedChecks)
{
    EXPECT_FALSE(IsFailure(StatusKind::NotChecked));
    EXPECT_FALSE(IsFailure(StatusKind::UnderWay));
    EXPECT_FALSE(IsFailure(StatusKind::Completed));
    EXPECT_TRUE(IsFailure(StatusKind::Error));
    EXPECT_TRUE(IsFailure(StatusKind::Timeout));
    EXPECT_TRUE(IsFailure(StatusKind::Aborted));
}

}  // namespace
}  // namespace larkspire
