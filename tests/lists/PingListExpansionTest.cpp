#include "lists/PingListExpansion.h"
#include "lists/PingTable.h"

#include <gtest/gtest.h>

#include <vector>

namespace larkspire {
namespace {

TEST(ExpandPingList, WebsitesMajorWithNormalizedWebsites)
{
    const QStringList websites = {"a.example", "https://www.b.example/"};
    const QStringList templates = {"http://x.test/?url={website}", "http://y.test/{website}/info"};
    EXPECT_EQ(ExpandPingList(websites, templates),
              QStringList({"http://x.test/?url=a.example", "http://y.test/a.example/info",
                           "http://x.test/?url=b.example", "http://y.test/b.example/info"}));
}

TEST(ExpandPingList, ReplacesEveryPlaceholderInAnyLetterCase)
{
    const QStringList templates = {"http://x.test/{website}?again={WEBSITE}", "http://y.test/{WebSite}",
                                   "http://static.test/", "{website}{website}", "{web{website}site}"};
    EXPECT_EQ(ExpandPingList({"w.example"}, templates),
              QStringList({"http://x.test/w.example?again=w.example", "http://y.test/w.example",
                           "http://static.test/", "w.examplew.example", "{webw.examplesite}"}));
}

TEST(ExpandPingList, InsertedTextIsNotSearchedAgain)
{
    EXPECT_EQ(ExpandPingList({"{website}"}, {"<{website}>"}), QStringList({"<{website}>"}));
}

struct SourcesCase {
    const char* name;
    QStringList websites;
    QStringList templates;
    QStringList expandedLines;
};

void PrintTo(const SourcesCase& param, std::ostream* out) { *out << param.name; }

class LinesGivingRowsTest : public ::testing::TestWithParam<SourcesCase> {};

TEST_P(LinesGivingRowsTest, ExpandOnlyWhatGivesRows)
{
    EXPECT_EQ(ExpandPingList(GetParam().websites, GetParam().templates), GetParam().expandedLines);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LinesGivingRowsTest,
    testing::Values(
        SourcesCase{"BlankWebsiteLinesGiveNoRows", {"", "   ", "\t", "a.example", " \t "}, {"u={website}"},
                    {"u=a.example"}},
        SourcesCase{"CommentWebsiteLinesGiveNoRows", {"# my sites", "  # indented", "a.example"}, {"u={website}"},
                    {"u=a.example"}},
        SourcesCase{"BlanksAroundAWebsiteAreTrimmedBeforeNormalising", {" \thttps://www.a.example/ \t"},
                    {"u={website};"}, {"u=a.example;"}},
        SourcesCase{"AWebsiteListedTwiceGivesOneSetOfRows",
                    {"a.example", "https://www.a.example/", "b.example", " a.example "}, {"u={website}", "v={website}"},
                    {"u=a.example", "v=a.example", "u=b.example", "v=b.example"}},
        SourcesCase{"DifferentNormalisedFormsAreDifferentWebsites", {"a.example", "A.example"}, {"u={website}"},
                    {"u=a.example", "u=A.example"}},
        SourcesCase{"BlankAndCommentTemplatesGiveNoRowsAndOthersAreTrimmed",
                    {"a.example"},
                    {"", "# service notes", "  http://x.test/{website}  ", "\t", "http://y.test/#{website}"},
                    {"http://x.test/a.example", "http://y.test/#a.example"}},
        SourcesCase{"DuplicateTemplatesAreKept", {"a.example"}, {"u={website}", "u={website}"},
                    {"u=a.example", "u=a.example"}}),
    [](const testing::TestParamInfo<SourcesCase>& info) { return std::string(info.param.name); });

TEST(ExpandPingList, EmptyListsGiveNoLines)
{
    EXPECT_TRUE(ExpandPingList({"a", "b", "c"}, {}).isEmpty());
    EXPECT_TRUE(ExpandPingList({}, {"{website}"}).isEmpty());
}

TEST(RebuildPingTable, ReplacesTheTableAndSplitsStatuses)
{
    PingTable table;
    table.SetRowCount(7);
    table.SetCell(1, 6, "Completed");
    RebuildPingTable(table, {"a.example", "https://www.b.example/"},
                     {"http://x.test/?u={website}||queued", "http://y.test/{website}"});
    ASSERT_EQ(table.RowCount(), 4);
    const std::vector<std::pair<QString, QString>> expected = {{"http://x.test/?u=a.example", "queued"},
                                                               {"http://y.test/a.example", ""},
                                                               {"http://x.test/?u=b.example", "queued"},
                                                               {"http://y.test/b.example", ""}};
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(table.GetCell(0, row), expected[row].first);
        EXPECT_EQ(table.GetCell(1, row), expected[row].second);
    }
}

TEST(RebuildPingTable, CountsWhatGivesRows)
{
    PingTable table;
    const RowSourceCounts counts = RebuildPingTable(
        table, {"# sites", "a.example", "", "https://a.example/", "b.example"}, {"u={website}", "   ", "#v={website}"});
    EXPECT_EQ(counts.Websites, 2);
    EXPECT_EQ(counts.Templates, 1);
    EXPECT_EQ(table.RowCount(), 2);
}

TEST(HoldsPlaceholder, LooksAtTheLinesThatGiveRows)
{
    EXPECT_TRUE(HoldsPlaceholder({"http://static.test/", "u={WEBSITE}"}));
    EXPECT_FALSE(HoldsPlaceholder({"http://static.test/", "# u={website}"}));
    EXPECT_FALSE(HoldsPlaceholder({}));
}

TEST(RebuildPingTable, NoTemplatesEmptiesTheTableWithOneReset)
{
    struct CountingListener : PingTableListener {
        void TableAboutToReset() override { ++aboutToReset; }
        void TableReset() override { ++reset; }
        void CellChanged(int, int) override { ++cells; }
        int aboutToReset = 0, reset = 0, cells = 0;
    } listener;
    PingTable table;
    table.SetRowCount(5);
    table.SetListener(&listener);
    RebuildPingTable(table, {"a", "b", "c"}, {});
    EXPECT_EQ(table.RowCount(), 0);
    EXPECT_EQ(listener.aboutToReset, 1);
    EXPECT_EQ(listener.reset, 1);
    EXPECT_EQ(listener.cells, 0);
}

TEST(CounterTexts, ShowPlainDecimals)
{
    EXPECT_EQ(WebsitesNumberText(12, 35), "12/35");
    EXPECT_EQ(WebsitesNumberText(3, 0), "3/0");
    EXPECT_EQ(TotalUrlText(0), "0");
    EXPECT_EQ(TotalUrlText(1000000), "1000000");
}

}  // namespace
}  // namespace larkspire
