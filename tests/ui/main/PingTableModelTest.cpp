#include "lists/PingTableColumns.h"
#include "ui/main/PingTableModel.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace larkspire {
namespace {

// While held, the model tells of no single cell; the flush tells of every row touched in one change, and a
// reset meanwhile (which has told the view everything) leaves nothing to flush.
TEST(PingTableModel, HeldChangesAreToldOnceForTheRowsTheySpan)
{
    PingTable table;
    PingTableModel model(table);
    table.SetRowCount(20);
    QSignalSpy cells(&model, &QAbstractItemModel::dataChanged);

    model.HoldChanges();
    table.SetOutcome(9, {u"Completed"});
    table.SetOutcome(3, {u"Pinging page..."});
    table.SetOutcome(12, {u"Timeout", u"no answer"});
    EXPECT_EQ(cells.count(), 0);
    model.FlushChanges();
    ASSERT_EQ(cells.count(), 1);
    EXPECT_EQ(cells[0][0].value<QModelIndex>(), model.index(3, 0));
    EXPECT_EQ(cells[0][1].value<QModelIndex>(), model.index(12, 1));

    model.FlushChanges();
    EXPECT_EQ(cells.count(), 1) << "nothing changed since";
    table.SetCell(1, 4, QStringLiteral("Completed"));
    EXPECT_EQ(cells.count(), 2) << "no longer held";

    model.HoldChanges();
    table.SetCell(1, 5, QStringLiteral("Completed"));
    ClearColumn(table, PingTable::ColumnPing);
    model.FlushChanges();
    EXPECT_EQ(cells.count(), 2);
}

TEST(PingTableModel, ShowsTheTableAndFollowsItsChanges)
{
    PingTable table;
    PingTableModel model(table);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy cells(&model, &QAbstractItemModel::dataChanged);

    FillColumnsFromLines(table, {QStringLiteral("a||b"), QStringLiteral("c")}, 0, 2, QStringLiteral("||"));
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), QStringLiteral("a"));
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), QStringLiteral("b"));
    EXPECT_EQ(model.data(model.index(1, 1)).toString(), QString());
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::EditRole).isValid());

    table.SetCell(1, 1, QStringLiteral("Completed"));
    ASSERT_EQ(cells.count(), 1);
    EXPECT_EQ(cells[0][0].value<QModelIndex>(), model.index(1, 0)) << "the URL cell shows the status's reason";
    EXPECT_EQ(cells[0][1].value<QModelIndex>(), model.index(1, 1));
    EXPECT_EQ(model.data(model.index(1, 1)).toString(), QStringLiteral("Completed"));
    EXPECT_FALSE(model.data(model.index(1, 1), Qt::ToolTipRole).isValid()) << "no reason, no tooltip";

    table.SetOutcome(1, {u"Aborted", u"connection refused"});
    ASSERT_EQ(cells.count(), 2);
    for (int column : {0, 1})
        EXPECT_EQ(model.data(model.index(1, column), Qt::ToolTipRole).toString(), QStringLiteral("connection refused"));
    EXPECT_FALSE(model.data(model.index(0, 1), Qt::ToolTipRole).isValid());

    ClearColumn(table, 0);
    EXPECT_EQ(resets.count(), 2);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Url"));
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Ping status"));
    EXPECT_FALSE(model.headerData(0, Qt::Vertical).isValid());
}

TEST(PingTableModel, StopsListeningWhenDestroyed)
{
    PingTable table;
    {
        PingTableModel model(table);
    }
    table.SetRowCount(3);  // would reach the destroyed model if it still listened
    table.SetCell(0, 2, QStringLiteral("x"));
    EXPECT_EQ(table.RowCount(), 3);
}

class TopRowView : public testing::Test {
protected:
    static constexpr int RowCount = 100000;

    void SetUp() override
    {
        QStringList lines;
        for (int row = 0; row < RowCount; ++row)
            lines << QStringLiteral("http://row%1.test/%2").arg(row).arg(QString(40, QLatin1Char('p')));
        FillColumnsFromLines(table_, lines, 0, 2, QStringLiteral("||"));
        view_.setModel(&model_);
        view_.setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
        view_.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        view_.verticalHeader()->setDefaultSectionSize(21);
        view_.horizontalHeader()->resizeSection(0, 600);
        view_.resize(300, 300);
        view_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view_));
    }

    int TopRow() const { return view_.rowAt(0); }

    PingTable table_;
    PingTableModel model_{table_};
    QTableView view_;
};

TEST_F(TopRowView, MakesTheRowTheTopRowAndKeepsTheHorizontalPosition)
{
    view_.horizontalScrollBar()->setValue(120);
    ASSERT_EQ(view_.horizontalScrollBar()->value(), 120);
    for (const int row : {50000, 10, RowCount - 20, 0}) {
        ScrollRowToTop(view_, row);
        EXPECT_EQ(TopRow(), row);
        EXPECT_EQ(view_.horizontalScrollBar()->value(), 120);
    }
}

TEST_F(TopRowView, RowsOutsideTheTableLeaveTheViewAsItIs)
{
    ScrollRowToTop(view_, 4242);
    for (const int row : {-1, -10, RowCount, 2 * RowCount}) {
        ScrollRowToTop(view_, row);
        EXPECT_EQ(TopRow(), 4242) << row;
    }
}

}  // namespace
}  // namespace larkspire
