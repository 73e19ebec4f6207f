#include "base/AsciiText.h"
#include "tests/support/qt/EventuallyTrue.h"
#include "tests/ui/main/MainWindowFixture.h"
#include "ui/main/MainWindowRunView.h"
#include "ui/main/PingTableModel.h"

#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>

#include <atomic>
#include <thread>

namespace larkspire {
namespace {

class MainWindowRunViewTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        window_ = MakeWindow();
        window_->resize(800, 600);
        window_->show();
        window_->Table.SetRowCount(10 * kRows);  // room below, so the view can scroll as the rows ask
        view_ = std::make_shared<MainWindowRunView>(*window_);
        // The view lays itself out for the new rows before the steps come.
        ASSERT_TRUE(test::EventuallyTrue([&] { return window_->pingTableView->verticalScrollBar()->maximum() > 0; },
                                         "a scroll bar for the rows"));
    }

    // What the row tasks post for every row, from a thread of their own, while this GUI thread serves nothing.
    void PostEveryRowFromAnotherThread()
    {
        std::thread worker([&] {
            for (int row = 0; row < kRows; ++row) {
                view_->Post([this, row] {
                    if (row >= 10) view_->MakeTopRow(row - 10);
                    view_->SetRowStatus(row, {u"Pinging page..."});
                    view_->SetProcessedText(DecimalText(row + 1));
                });
                view_->Post([this, row] { view_->SetRowStatus(row, {u"Completed"}); });
            }
        });
        worker.join();
    }

    static constexpr int kRows = 100;
    std::unique_ptr<MainWindow> window_;
    std::shared_ptr<MainWindowRunView> view_;
};

// Every step queued before the GUI thread got to them is served in one pass: one model change for the rows it
// touched, one scroll, one "Processed" figure.
TEST_F(MainWindowRunViewTest, AQueuedBatchIsShownWithOneModelChangeAndOneScroll)
{
    QSignalSpy modelChanges(window_->pingTableView->model(), &QAbstractItemModel::dataChanged);
    QSignalSpy scrolls(window_->pingTableView->verticalScrollBar(), &QScrollBar::valueChanged);
    PostEveryRowFromAnotherThread();
    QCoreApplication::processEvents();

    for (int row = 0; row < kRows; ++row)
        ASSERT_EQ(window_->Table.GetCell(PingTable::ColumnPing, row), QStringLiteral("Completed")) << row;
    ASSERT_EQ(modelChanges.count(), 1);
    EXPECT_EQ(modelChanges[0][0].value<QModelIndex>().row(), 0);
    EXPECT_EQ(modelChanges[0][1].value<QModelIndex>().row(), kRows - 1);
    EXPECT_EQ(scrolls.count(), 1);
    EXPECT_EQ(window_->pingTableView->rowAt(0), kRows - 11) << "the last row started, ten rows below the top";
    EXPECT_EQ(window_->processedValueLabel->text(), QStringLiteral("100"));
}

// The summary follows the batched statuses: cleared as a run clears the column, then every row's end counted.
TEST_F(MainWindowRunViewTest, TheSummaryCountsTheStatusesOfABatch)
{
    view_->ClearStatusColumn();
    PostEveryRowFromAnotherThread();
    QCoreApplication::processEvents();
    view_->SetRowStatus(0, {u"Error 500"});
    view_->SetRunningState(false);

    EXPECT_EQ(Child<QLabel>(*window_, "runCountsLabel")->text(),
              QStringLiteral(u"Completed 99 · Error 1 · Timeout 0 · Aborted 0 · Not checked 900"));
    EXPECT_EQ(Child<QProgressBar>(*window_, "runProgressBar")->text(), QStringLiteral("100 / 1000"));
}

// However soon after another batch the last one comes, its figures show: at once when the window goes back to its
// idle state, and a little later without it.
TEST_F(MainWindowRunViewTest, TheLastFiguresShowEvenWhenTheyCameTooSoonAfterARefresh)
{
    PostEveryRowFromAnotherThread();
    QCoreApplication::processEvents();
    view_->Post([this] {
        view_->MakeTopRow(5);
        view_->SetProcessedText(u"16");
    });
    EXPECT_TRUE(test::EventuallyTrue([&] { return window_->processedValueLabel->text() == QStringLiteral("16"); },
                                     "the last figure shown"));
    EXPECT_EQ(window_->pingTableView->rowAt(0), 5);

    std::atomic<bool> idle{false};
    std::thread runThread([&] {
        view_->Post([this] { view_->SetProcessedText(u"42"); });
        idle = view_->HandOver([&] {
            view_->SetRunningState(false);
            EXPECT_EQ(window_->processedValueLabel->text(), QStringLiteral("42")) << "shown as the run goes idle";
        });
    });
    EXPECT_TRUE(test::EventuallyTrue([&] { return idle.load(); }, "the idle state"));
    runThread.join();
}

}  // namespace
}  // namespace larkspire
