#include <gtest/gtest.h>

#include "base/CheckOutcome.h"

namespace larkspire {
namespace {

struct ShownCase {
    const char* Name;
    CheckOutcome Outcome;
    std::u16string Shown;
};

void PrintTo(const ShownCase& param, std::ostream* out) { *out << param.Name; }

class ShownReasonTest : public testing::TestWithParam<ShownCase> {};

// The parts that are present, in one order, with one separator between them and none at either end.
TEST_P(ShownReasonTest, JoinsThePartsPresent) { EXPECT_EQ(ShownReason(GetParam().Outcome), GetParam().Shown); }

INSTANTIATE_TEST_SUITE_P(
    Parts, ShownReasonTest,
    testing::Values(ShownCase{"Nothing", {u"Pinging page...", {}, -1, {}}, u""},
                    ShownCase{"FailureOnly", {u"Aborted", u"connection refused", -1, {}}, u"connection refused"},
                    ShownCase{"TimeOnly", {u"Completed", {}, 0, {}}, u"in 0 ms"},
                    ShownCase{"MovedAndTime",
                              {u"Error 410", {}, 42, u"https://example.com/gone"},
                              u"moved to https://example.com/gone \u00B7 in 42 ms"},
                    ShownCase{"NoteAndTime",
                              {u"Error 302", u"redirect limit reached", 1500, {}},
                              u"redirect limit reached \u00B7 in 1500 ms"},
                    ShownCase{"AllThree",
                              {u"Error 302", u"redirect limit reached", 7, u"http://b/"},
                              u"moved to http://b/ \u00B7 redirect limit reached \u00B7 in 7 ms"}),
    [](const testing::TestParamInfo<ShownCase>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace larkspire
