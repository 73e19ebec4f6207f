#include "lists/PingTable.h"
#include "lists/PingTableColumns.h"

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
    for (const char* line : lines)
        list.append(QString::fromUtf8(line));
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
    table.SetStatus(1, "Aborted", "connection refused");
    EXPECT_EQ(table.GetCell(PingTable::ColumnPing, 1), "Aborted");
    EXPECT_EQ(table.Reason(1), "connection refused");
    EXPECT_EQ(table.Reason(0), "");
    EXPECT_EQ(listener.events, std::vector<std::string>{"cell 1,1"});
    EXPECT_EQ(listener.reasonsSeen, std::vector<QString>{"connection refused"}) << "told before the reason was stored";

    table.SetCell(PingTable::ColumnUrl, 1, "b");
    EXPECT_EQ(table.Reason(1), "connection refused") << "a new URL is no new status";
    table.SetCell(PingTable::ColumnPing, 1, "Pinging page...");
    EXPECT_EQ(table.Reason(1), "");
    table.SetStatus(1, "Completed", "in 12 ms");
    ClearColumn(table, PingTable::ColumnPing);
    EXPECT_EQ(table.Reason(1), "");
    EXPECT_EQ(table.Reason(2), "");
    EXPECT_EQ(table.Reason(-1), "");
    EXPECT_THROW(table.SetStatus(2, "Completed", "x"), TableRangeError);
    table.SetListener(nullptr);
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
