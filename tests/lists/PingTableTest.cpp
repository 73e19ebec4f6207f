#include "lists/PingTable.h"
#include "lists/PingTableColumns.h"

#include "lists/FileErrors.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace larkspire {
namespace {

class RecordingListener : public PingTableListener {
public:
    void TableAboutToReset() override { events.push_back("about-to-reset"); }
    void TableReset() override { events.push_back("reset"); }
    void CellChanged(int column, int row) override
    {
        events.push_back("cell " + std::to_string(column) + "," + std::to_string(row));
    }

    std::vector<std::string> events;
};

const std::vector<std::string> OneReset = {"about-to-reset", "reset"};

QStringList Lines(std::initializer_list<const char*> lines)
{
    QStringList list;
    for (const char* line : lines) list.append(QString::fromUtf8(line));
    return list;
}

void ExpectRows(const PingTable& table, const std::vector<std::pair<QString, QString>>& rows)
{
    ASSERT_EQ(table.RowCount(), static_cast<int>(rows.size()));
    for (int row = 0; row < table.RowCount(); ++row) {
        EXPECT_EQ(table.GetCell(PingTable::ColumnUrl, row), rows[row].first) << "row " << row;
        EXPECT_EQ(table.GetCell(PingTable::ColumnPing, row), rows[row].second) << "row " << row;
    }
}

TEST(PingTable, StartsEmptyWithTwoColumns)
{
    PingTable table;
    EXPECT_EQ(table.RowCount(), 0);
    EXPECT_EQ(table.ColumnCount(), 2);
}

// Records the reason the table holds when it tells of a change, as a view reading the row then would.
class ReasonReadingListener : public RecordingListener {
public:
    explicit ReasonReadingListener(const PingTable& table) : table_(table) {}
    void CellChanged(int column, int row) override
    {
        RecordingListener::CellChanged(column, row);
        reasonsSeen.push_back(table_.Reason(row));
    }

    std::vector<QString> reasonsSeen;

private:
    const PingTable& table_;
};

TEST(PingTable, AStatusCarriesItsReasonUntilTheNextStatus)
{
    PingTable table;
    ReasonReadingListener listener(table);
    table.SetRowCount(2);
    table.SetListener(&listener);
    table.SetOutcome(1, {u"Aborted", u"connection refused"});
    EXPECT_EQ(table.GetCell(PingTable::ColumnPing, 1), "Aborted");
    EXPECT_EQ(table.Reason(1), "connection refused");
    EXPECT_EQ(table.Reason(0), "");
    EXPECT_EQ(listener.events, std::vector<std::string>{"cell 1,1"});
    EXPECT_EQ(listener.reasonsSeen, std::vector<QString>{"connection refused"}) << "told before the reason was stored";

    table.SetCell(PingTable::ColumnUrl, 1, "b");
    EXPECT_EQ(table.Reason(1), "connection refused") << "a new URL is no new status";
    table.SetCell(PingTable::ColumnPing, 1, "Pinging page...");
    EXPECT_EQ(table.Reason(1), "");
    table.SetOutcome(1, {u"Completed", u"", 12});
    EXPECT_EQ(table.Reason(1), "in 12 ms");
    ClearColumn(table, PingTable::ColumnPing);
    EXPECT_EQ(table.Reason(1), "");
    EXPECT_EQ(table.Reason(2), "");
    EXPECT_EQ(table.Reason(-1), "");
    EXPECT_THROW(table.SetOutcome(2, {u"Completed", u"x"}), TableRangeError);
    table.SetListener(nullptr);
}

void ExpectOutcome(const PingTable& table, int row, const CheckOutcome& expected)
{
    const CheckOutcome kept = table.Outcome(row);
    EXPECT_EQ(kept.status, expected.status) << "row " << row;
    EXPECT_EQ(kept.reason, expected.reason) << "row " << row;
    EXPECT_EQ(kept.elapsedMs, expected.elapsedMs) << "row " << row;
    EXPECT_EQ(kept.finalUrl, expected.finalUrl) << "row " << row;
    EXPECT_EQ(table.GetCell(PingTable::ColumnPing, row), QString::fromStdU16String(expected.status)) << "row " << row;
    EXPECT_EQ(table.Reason(row), QString::fromStdU16String(ShownReason(expected))) << "row " << row;
}

// The table keeps an outcome's parts and composes the reason a user reads from them when asked.
TEST(PingTable, KeepsTheOutcomesPartsAndComposesTheShownReason)
{
    PingTable table;
    table.SetRowCount(3);
    const CheckOutcome moved{u"Completed", u"redirect limit reached", 42, u"https://example.com/\u00E9"};
    table.SetOutcome(0, moved);
    table.SetOutcome(1, {u"Error 404", u"", 7});
    ExpectOutcome(table, 0, moved);
    EXPECT_EQ(table.Reason(0),
              QStringLiteral("moved to https://example.com/\u00E9 \u00B7 redirect limit reached \u00B7 in 42 ms"));
    ExpectOutcome(table, 1, {u"Error 404", u"", 7});
    ExpectOutcome(table, 2, {});
    ExpectOutcome(table, 3, {});

    table.SetOutcome(0, {u"Timeout", u"no answer for 3 s"});
    ExpectOutcome(table, 0, {u"Timeout", u"no answer for 3 s"});
    table.SetOutcome(0, moved);
    table.SetRowCount(1);
    table.SetRowCount(3);
    ExpectOutcome(table, 0, moved);
    ExpectOutcome(table, 1, {});
}

// A million rows with a few statuses hold those few strings once each.
TEST(PingTable, RowsWithTheSameStatusShareOneString)
{
    PingTable table;
    table.SetRowCount(3);
    table.SetOutcome(0, {u"Completed", u"", 5});
    table.SetOutcome(2, {u"Completed", u"", 9});
    table.SetCell(PingTable::ColumnPing, 1, QStringLiteral("Completed"));
    const QString first = table.GetCell(PingTable::ColumnPing, 0);
    EXPECT_EQ(first.constData(), table.GetCell(PingTable::ColumnPing, 2).constData());
    EXPECT_EQ(first.constData(), table.GetCell(PingTable::ColumnPing, 1).constData());
    EXPECT_NE(first.constData(), QStringLiteral("Completed").constData());
}

// Past the numbers a row has room for, texts are kept row by row, and still read back and go with their rows.
TEST(PingTable, MoreDistinctTextsThanThePoolsHoldStillReadBack)
{
    constexpr int Rows = 70'000;
    PingTable table;
    table.SetRowCount(Rows);
    const auto outcomeOf = [](int row) {
        const std::u16string number = QString::number(row).toStdU16String();
        return CheckOutcome(u"status " + number, u"reason " + number, row, row % 3 == 0 ? u"https://x/" + number : u"");
    };
    for (int row = 0; row < Rows; ++row) table.SetOutcome(row, outcomeOf(row));
    for (const int row : {0, 1, 32'000, 40'000, 65'533, 65'534, 65'535, Rows - 1})
        ExpectOutcome(table, row, outcomeOf(row));

    table.SetOutcome(Rows - 1, {u"Completed"});
    ExpectOutcome(table, Rows - 1, {u"Completed"});
    table.SetRowCount(Rows - 2);
    table.SetRowCount(Rows);
    ExpectOutcome(table, Rows - 2, {});

    PingTable taken;
    taken.TakeRowsOf(table);
    ExpectOutcome(taken, 69'999 - 3, outcomeOf(69'999 - 3));
    ExpectOutcome(taken, 3, outcomeOf(3));
    EXPECT_EQ(table.RowCount(), 0);
    table.SetRowCount(1);
    ExpectOutcome(table, 0, {});
}

TEST(PingTable, SetRowCountKeepsLeadingRowsAndAddsEmptyOnes)
{
    PingTable table;
    table.SetRowCount(3);
    table.SetCell(0, 0, "a");
    table.SetCell(1, 2, "c");
    table.SetRowCount(2);
    table.SetRowCount(4);
    ExpectRows(table, {{"a", ""}, {"", ""}, {"", ""}, {"", ""}});
    table.SetRowCount(-1);
    EXPECT_EQ(table.RowCount(), 4);
}

TEST(PingTable, GetCellOutsideTheTableIsEmpty)
{
    PingTable table;
    table.SetRowCount(1);
    table.SetCell(0, 0, "url");
    table.SetCell(1, 0, "Completed");
    EXPECT_EQ(table.GetCell(0, -1), QString());
    EXPECT_EQ(table.GetCell(0, 1), QString());
    EXPECT_EQ(table.GetCell(2, 0), QString());
    EXPECT_EQ(table.GetCell(-1, 0), QString());
    EXPECT_EQ(table.GetCell(1, 0), QString("Completed"));
}

TEST(PingTable, SetCellOutsideTheTableIsRefusedAndWritesNothing)
{
    PingTable table;
    table.SetRowCount(2);
    RecordingListener listener;
    table.SetListener(&listener);
    const std::vector<std::pair<int, int>> outside = {{0, -1}, {0, 2}, {2, 0}, {-1, 1}, {1, 100}};
    for (const auto& [column, row] : outside) {
        EXPECT_THROW(table.SetCell(column, row, "x"), TableRangeError) << column << "," << row;
    }
    EXPECT_TRUE(listener.events.empty());
    ExpectRows(table, {{"", ""}, {"", ""}});
    EXPECT_NO_THROW(table.SetCell(1, 1, "x"));
    ExpectRows(table, {{"", ""}, {"", "x"}});
}

TEST(PingTable, RangeErrorIsALarkspireError)
{
    PingTable table;
    try {
        table.SetCell(0, 0, "x");
        FAIL() << "no error";
    } catch (const LarkspireError& error) {
        EXPECT_STREQ(error.what(), "Grid index out of range");
    }
}

TEST(PingTable, SingleCellWritesNotifyThatCell)
{
    PingTable table;
    table.SetRowCount(3);
    RecordingListener listener;
    table.SetListener(&listener);
    table.SetCell(1, 2, "Completed");
    EXPECT_EQ(listener.events, std::vector<std::string>{"cell 1,2"});
}

TEST(PingTable, BulkOperationsSendOneReset)
{
    PingTable table;
    RecordingListener listener;
    table.SetListener(&listener);

    table.SetRowCount(1000);
    EXPECT_EQ(listener.events, OneReset);

    listener.events.clear();
    FillColumnsFromLines(table, Lines({"a||b", "c", "d"}), 0, 2, "||");
    EXPECT_EQ(listener.events, OneReset);

    listener.events.clear();
    ClearColumn(table, 1);
    EXPECT_EQ(listener.events, OneReset);

    listener.events.clear();
    ClearColumn(table, 0);
    EXPECT_EQ(listener.events, OneReset);
}

// A table built elsewhere comes in whole with one reset; the table it came from is left empty.
TEST(PingTable, TakeRowsOfMovesEveryRowWithOneReset)
{
    PingTable built;
    FillColumnsFromLines(built, Lines({"a||Completed", "b"}), 0, 2, "||");
    PingTable table;
    table.SetRowCount(5);
    RecordingListener listener;
    table.SetListener(&listener);

    table.TakeRowsOf(built);

    ExpectRows(table, {{"a", "Completed"}, {"b", ""}});
    EXPECT_EQ(built.RowCount(), 0);
    EXPECT_EQ(listener.events, OneReset);
    table.SetListener(nullptr);
}

TEST(PingTable, NestedBatchesNotifyOnceAtTheOutermostEnd)
{
    PingTable table;
    RecordingListener listener;
    table.SetListener(&listener);
    {
        PingTable::Batch outer(table);
        EXPECT_EQ(listener.events, std::vector<std::string>{"about-to-reset"});
        table.SetRowCount(2);
        table.SetCell(0, 1, "x");
        PingTable::Batch inner(table);
        table.SetCell(1, 1, "y");
    }
    EXPECT_EQ(listener.events, OneReset);
}

TEST(FillColumnsFromLines, SplitsAtTheSeparatorIntoTwoColumns)
{
    PingTable table;
    FillColumnsFromLines(table, Lines({"a||b", "c", "d||e||f", "||g", "h||"}), 0, 2, "||");
    ExpectRows(table, {{"a", "b"}, {"c", ""}, {"d", "e"}, {"", "g"}, {"h", ""}});
}

TEST(FillColumnsFromLines, TakesLinesUnchangedAndSeparatorCaseSensitively)
{
    PingTable table;
    FillColumnsFromLines(table, Lines({"", " spaced ", "a|b", "a||||b", "x||y||"}), 0, 2, "||");
    ExpectRows(table, {{"", ""}, {" spaced ", ""}, {"a|b", ""}, {"a", ""}, {"x", "y"}});
}

TEST(FillColumnsFromLines, EmptyListLeavesNoRows)
{
    PingTable table;
    table.SetRowCount(5);
    FillColumnsFromLines(table, {}, 0, 2, "||");
    EXPECT_EQ(table.RowCount(), 0);
}

TEST(FillColumnsFromLines, WithoutSeparatorOrFromColumnOneWritesOneColumn)
{
    PingTable table;
    FillColumnsFromLines(table, Lines({"a||b"}), 0, 2, "");
    ExpectRows(table, {{"a||b", ""}});

    PingTable statuses;
    FillColumnsFromLines(statuses, Lines({"s||t", "u"}), 1, 1, "||");
    ExpectRows(statuses, {{"", "s"}, {"", "u"}});
}

// The file's lines go into the rows as FillColumnsFromLines would put them; a file that cannot be read leaves the
// table as it was.
TEST(FillColumnsFromFile, FillsRowsFromTheFileOrLeavesTheTable)
{
    const QTemporaryDir folder;
    const QString path = folder.filePath("urls.txt");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("a||Completed\r\nb\r\n\r\nc||Error 404||x");
    file.close();
    PingTable table;
    RecordingListener listener;
    table.SetListener(&listener);
    FillColumnsFromFile(table, path, 0, 2, "||");
    ExpectRows(table, {{"a", "Completed"}, {"b", ""}, {"", ""}, {"c", "Error 404"}});
    EXPECT_EQ(listener.events, OneReset);

    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("\xEF\xBB\xBFok\r\nbad \xC3\r\n");
    file.close();
    EXPECT_THROW(FillColumnsFromFile(table, path, 0, 2, "||"), FileError);
    ExpectRows(table, {{"a", "Completed"}, {"b", ""}, {"", ""}, {"c", "Error 404"}});
    table.SetListener(nullptr);
}

TEST(ClearColumn, ColumnOneEmptiesStatusesAndKeepsRows)
{
    PingTable table;
    FillColumnsFromLines(table, Lines({"a||1", "b||2", "c||3", "d||4", "e||5"}), 0, 2, "||");
    ClearColumn(table, 1);
    ExpectRows(table, {{"a", ""}, {"b", ""}, {"c", ""}, {"d", ""}, {"e", ""}});
}

TEST(ClearColumn, ColumnZeroEmptiesTheWholeTable)
{
    PingTable table;
    FillColumnsFromLines(table, Lines({"a||1", "b||2", "c||3", "d||4", "e||5"}), 0, 2, "||");
    ClearColumn(table, 0);
    EXPECT_EQ(table.RowCount(), 0);
    table.SetRowCount(2);
    ExpectRows(table, {{"", ""}, {"", ""}});
}

}  // namespace
}  // namespace larkspire
