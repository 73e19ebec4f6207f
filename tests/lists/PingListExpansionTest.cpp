#include "lists/PingListExpansion.h"
#include "lists/PingTable.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <utility>
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
              QStringList({"http://x.test/w.example?again=w.example", "http://y.test/w.example", "http://static.test/",
                           "w.examplew.example", "{webw.examplesite}"}));
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
        SourcesCase{
            "BlankWebsiteLinesGiveNoRows", {"", "   ", "\t", "a.example", " \t "}, {"u={website}"}, {"u=a.example"}},
        SourcesCase{"CommentWebsiteLinesGiveNoRows",
                    {"# my sites", "  # indented", "a.example"},
                    {"u={website}"},
                    {"u=a.example"}},
        SourcesCase{"BlanksAroundAWebsiteAreTrimmedBeforeNormalising",
                    {" \thttps://www.a.example/ \t"},
                    {"u={website};"},
                    {"u=a.example;"}},
        SourcesCase{"AWebsiteListedTwiceGivesOneSetOfRows",
                    {"a.example", "https://www.a.example/", "b.example", " a.example "},
                    {"u={website}", "v={website}"},
                    {"u=a.example", "v=a.example", "u=b.example", "v=b.example"}},
        SourcesCase{"DifferentNormalisedFormsAreDifferentWebsites",
                    {"a.example", "A.example"},
                    {"u={website}"},
                    {"u=a.example", "u=A.example"}},
        SourcesCase{"BlankAndCommentTemplatesGiveNoRowsAndOthersAreTrimmed",
                    {"a.example"},
                    {"", "# service notes", "  http://x.test/{website}  ", "\t", "http://y.test/#{website}"},
                    {"http://x.test/a.example", "http://y.test/#a.example"}},
        SourcesCase{"DuplicateTemplatesAreKept",
                    {"a.example"},
                    {"u={website}", "u={website}"},
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

QString TooLargeMessage(const PingListSize& size, double memoryBytes)
{
    try {
        CheckPingListFits(size, memoryBytes);
    } catch (const PingListTooLargeError& error) {
        return QString::fromUtf8(error.what());
    }
    return QStringLiteral("<fits>");
}

// Each template costs its row overhead; a template with placeholders adds its own text for every website and two
// bytes per character of every website for every placeholder. A template without one is shared, not copied.
TEST(MeasurePingList, CountsRowsAndBoundsTheirBytes)
{
    const PingListSize size = MeasurePingList({"ab", "cdef"}, {"x{website}y{WEBSITE}", "static"});
    EXPECT_EQ(size.Rows, 4);
    EXPECT_EQ(size.Bytes, 4 * 128 + 2 * (2 * (2 + 1) + 2 * 6));
    EXPECT_EQ(MeasurePingList({}, {"{website}"}).Rows, 0);
}

TEST(CheckPingListFits, RefusesPast50MillionRowsOrPastTheMemory)
{
    const double gigabyte = 1e9;
    const struct {
        const char* name;
        PingListSize size;
        double memory;
        QString message;
    } cases[] = {
        {"exactly 50,000,000 rows", {50'000'000, gigabyte}, 2 * gigabyte, "<fits>"},
        {"one row more",
         {50'000'001, gigabyte},
         2 * gigabyte,
         "The lists would make 50000001 rows; the ping table takes at most 50000000"},
        {"bytes as large as the memory", {10, gigabyte}, gigabyte, "<fits>"},
        {"bytes past the memory",
         {10, gigabyte + 1},
         gigabyte,
         "The lists would need about 1001 MB of memory for their 10 rows; there are 1000 MB"},
    };
    for (const auto& check : cases) EXPECT_EQ(TooLargeMessage(check.size, check.memory), check.message) << check.name;
}

// 50,000 x 50,000 rows, or a services file of 100,000 placeholders a line, used to end the program in bad_alloc;
// now they are refused before the table is touched.
TEST(RebuildPingTable, ListsTooLargeToExpandAreRefusedAndTheTableIsKept)
{
    QStringList manyWebsites;
    for (int i = 0; i < 50'000; ++i) manyWebsites << QStringLiteral("site%1.example").arg(i);
    const QStringList manyTemplates(1001, QStringLiteral("http://x.test/?u={website}"));
    QString placeholders;
    for (int i = 0; i < 100'000; ++i) placeholders += QStringLiteral("{website}");
    const QStringList hugeTemplates(10, QStringLiteral("http://x.test/?u=") + placeholders);

    for (const auto& [websites, templates] :
         {std::pair{manyWebsites, manyTemplates}, std::pair{manyWebsites.mid(0, 1000), hugeTemplates}}) {
        PingTable table;
        table.SetRowCount(1);
        table.SetCell(0, 0, QStringLiteral("http://kept.test/"));
        table.SetCell(1, 0, QStringLiteral("Completed"));
        EXPECT_THROW(RebuildPingTable(table, websites, templates), PingListTooLargeError);
        ASSERT_EQ(table.RowCount(), 1);
        EXPECT_EQ(table.GetCell(0, 0), "http://kept.test/");
        EXPECT_EQ(table.GetCell(1, 0), "Completed");
    }
}

// A limit on the address space is what the process can hold, even on a machine with more memory. Tried in a child
// process, so the test's own limits stay.
TEST(UsableMemoryBytes, FollowsTheAddressSpaceLimit)
{
    EXPECT_GT(UsableMemoryBytes(), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const auto lower = static_cast<rlim_t>(std::min(UsableMemoryBytes() / 2, 1e9));
        struct rlimit limit {};
        ::getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = lower;
        if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(2);
        ::_exit(UsableMemoryBytes() == static_cast<double>(lower) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
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
