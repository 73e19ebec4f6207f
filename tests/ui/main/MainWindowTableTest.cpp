#include "base/AsciiText.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/qt/EventuallyTrue.h"
#include "tests/support/qt/QtPrinters.h"
#include "tests/support/qt/ScriptedDialogs.h"
#include "tests/ui/main/MainWindowFixture.h"
#include "ui/main/MainWindowRunView.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

#include <set>
#include <thread>

namespace larkspire {
namespace {

using Kind = ScriptedDialogs::Kind;

class MainWindowTable : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        WriteServices(QStringLiteral("plain.txt"), QByteArrayLiteral("http://{website}/\r\n"));
        window_ = MakeWindow();
    }

    QTableView& View() const { return *Child<QTableView>(*window_, "pingTableView"); }

    // The table's rows in the order the view shows them.
    std::vector<int> ShownRows() const
    {
        std::vector<int> rows;
        const QAbstractItemModel& shown = *View().model();
        for (int row = 0; row < shown.rowCount(); ++row)
            rows.push_back(RowOfUrl(shown.index(row, PingTable::ColumnUrl).data().toString()));
        return rows;
    }

    int RowOfUrl(const QString& url) const
    {
        for (int row = 0; row < window_->Table.RowCount(); ++row)
            if (window_->Table.GetCell(PingTable::ColumnUrl, row) == url) return row;
        return -1;
    }

    void SelectShownRows(std::initializer_list<int> shownRows) const
    {
        View().clearSelection();
        for (int row : shownRows)
            View().selectionModel()->select(View().model()->index(row, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    // Rows with the given URLs and statuses, as a finished run leaves them.
    void FillTable(const std::vector<std::pair<QString, QString>>& rows) const
    {
        window_->Table.SetRowCount(static_cast<int>(rows.size()));
        for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
            window_->Table.SetCell(PingTable::ColumnUrl, row, rows[row].first);
            window_->Table.SetOutcome(row, CheckOutcome(rows[row].second.toStdU16String()));
        }
    }

    // Opens `urls` as a URL list through the File menu's item.
    QString OpenUrlList(const QStringList& urls)
    {
        const QString path = WriteFile(QStringLiteral("lists/urls.txt"), (urls.join("\r\n") + "\r\n").toUtf8());
        dialogs_.AnswerOpenFile(path);
        Child<QAction>(*window_, "openUrlListAction")->trigger();
        return path;
    }

    bool WaitForEndMessage(int count) const
    {
        return test::EventuallyTrue([&] { return dialogs_.Texts(Kind::Information).size() >= count; },
                                    "the end message", std::chrono::seconds(30));
    }

    ScriptedDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
};

// The request targets the server saw, in any order.
std::multiset<std::string> Targets(const test::LoopbackServer& server)
{
    std::multiset<std::string> targets;
    for (const test::RecordedRequest& request : server.Requests()) {
        const std::size_t begin = request.Bytes.find(' ') + 1;
        targets.insert(request.Bytes.substr(begin, request.Bytes.find(' ', begin) - begin));
    }
    return targets;
}

struct ShownCase {
    const char* name;
    int sortColumn;  // -1: the table's order
    Qt::SortOrder order;
    int statusFilter;  // index in statusFilterCombo
    const char* urlText;
};

void PrintTo(const ShownCase& param, std::ostream* out) { *out << param.name; }

class MainWindowTableRun : public MainWindowTable, public testing::WithParamInterface<ShownCase> {};

// Sorted and filtered before and during a real run: every status still reaches its own row, the view shows just
// the rows the filter lets through in the order asked, and the export keeps the table's order.
TEST_P(MainWindowTableRun, SortAndFilterChangeOnlyWhatIsShown)
{
    const ShownCase& param = GetParam();
    test::LoopbackServer server{test::AnswerByPath{}};
    QByteArray templates;
    for (int i = 0; i < 12; ++i)
        templates +=
            "http://{website}/" + QByteArray(i % 3 == 0 ? "404" : "200") + "#" + QByteArray::number(i) + "\r\n";
    WriteServices(QStringLiteral("plain.txt"), templates);
    window_->ReloadServicesList(QStringLiteral("plain.txt"));
    const QString websites =
        WriteFile(QStringLiteral("sites.txt"), QStringLiteral("127.0.0.1:%1\r\n").arg(server.Port()).toUtf8());
    dialogs_.AnswerOpenFile(websites);
    Child<QPushButton>(*window_, "loadWebsitesButton")->click();
    ASSERT_EQ(window_->Table.RowCount(), 12);

    View().sortByColumn(param.sortColumn, param.order);
    Child<QComboBox>(*window_, "statusFilterCombo")->setCurrentIndex(param.statusFilter);
    Child<QLineEdit>(*window_, "urlFilterEdit")->setText(QString::fromLatin1(param.urlText));
    Child<QPushButton>(*window_, "startButton")->click();
    ASSERT_TRUE(WaitForEndMessage(1));

    for (int row = 0; row < 12; ++row) {
        const QString url = window_->Table.GetCell(PingTable::ColumnUrl, row);
        EXPECT_TRUE(url.endsWith(QStringLiteral("#%1").arg(row))) << "the table keeps its order";
        EXPECT_EQ(window_->Table.GetCell(PingTable::ColumnPing, row),
                  url.contains(QStringLiteral("/404")) ? QStringLiteral("Error 404") : QStringLiteral("Completed"))
            << url.toStdString();
    }
    std::vector<int> expected;
    for (int row = 0; row < 12; ++row) {
        const bool failed = row % 3 == 0;
        const bool statusPasses =
            param.statusFilter == 0 || (param.statusFilter == 1 && !failed) || (param.statusFilter == 2 && failed);
        if (statusPasses && window_->Table.GetCell(PingTable::ColumnUrl, row).contains(QLatin1String(param.urlText)))
            expected.push_back(row);
    }
    const auto key = [&](int row) {
        return param.sortColumn == PingTable::ColumnPing
                   ? (row % 3 == 0 ? QStringLiteral("1") : QStringLiteral("0"))  // completed before errors
                         + window_->Table.GetCell(PingTable::ColumnPing, row)
                   : window_->Table.GetCell(PingTable::ColumnUrl, row);
    };
    // Equal cells come in table order, ascending; descending reverses the whole order.
    if (param.sortColumn >= 0)
        std::sort(expected.begin(), expected.end(), [&](int a, int b) {
            const auto ascending = [&](int x, int y) { return std::pair(key(x), x) < std::pair(key(y), y); };
            return param.order == Qt::AscendingOrder ? ascending(a, b) : ascending(b, a);
        });
    EXPECT_EQ(ShownRows(), expected);

    const QString exported = Folder() + QStringLiteral("all.txt");
    dialogs_.AnswerSaveFile(exported);
    window_->onExportAllTriggered();
    QByteArray inTableOrder;
    for (int row = 0; row < 12; ++row)
        inTableOrder += window_->Table.GetCell(PingTable::ColumnUrl, row).toUtf8() + "\r\n";
    EXPECT_EQ(ReadBytes(exported), inTableOrder);
}

INSTANTIATE_TEST_SUITE_P(
    Views, MainWindowTableRun,
    testing::Values(ShownCase{"failed_in_table_order", -1, Qt::AscendingOrder, 2, ""},
                    ShownCase{"all_by_status_descending_url_filter", PingTable::ColumnPing, Qt::DescendingOrder, 0,
                              "#1"},
                    ShownCase{"completed_by_url_ascending", PingTable::ColumnUrl, Qt::AscendingOrder, 1, ""},
                    ShownCase{"by_status_ascending", PingTable::ColumnPing, Qt::AscendingOrder, 0, ""}),
    [](const testing::TestParamInfo<ShownCase>& info) { return std::string(info.param.name); });

// "Not checked" shows the rows without a status; a header's third click brings back the table's order.
TEST_F(MainWindowTable, NotCheckedFilterAndTheThirdClickOnAHeader)
{
    FillTable({{"http://b.test/", "Completed"},
               {"http://a.test/", ""},
               {"http://c.test/", "Timeout"},
               {"http://d.test/", ""}});
    Child<QComboBox>(*window_, "statusFilterCombo")->setCurrentIndex(3);
    EXPECT_EQ(ShownRows(), (std::vector<int>{1, 3}));
    Child<QComboBox>(*window_, "statusFilterCombo")->setCurrentIndex(0);
    QHeaderView& header = *View().horizontalHeader();
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    const QPoint urlHeader(header.sectionViewportPosition(0) + 5, header.height() / 2);
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, urlHeader);
    EXPECT_EQ(ShownRows(), (std::vector<int>{1, 0, 2, 3}));
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, urlHeader);
    EXPECT_EQ(ShownRows(), (std::vector<int>{3, 2, 0, 1}));
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, urlHeader);
    EXPECT_EQ(ShownRows(), (std::vector<int>{0, 1, 2, 3}));
}

// Ctrl+C and the context menu's Copy rows give "URL<TAB>status" lines in the view's order; Copy URL the
// current row's URL alone.
TEST_F(MainWindowTable, CopyPutsTheSelectedRowsOnTheClipboard)
{
    FillTable({{"http://a.test/", "Completed"}, {"http://b.test/", "Error 404"}, {"http://c.test/", ""}});
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    View().sortByColumn(PingTable::ColumnUrl, Qt::DescendingOrder);  // c, b, a
    SelectShownRows({0, 2});
    View().setFocus();

    QGuiApplication::clipboard()->clear();
    QTest::keyClick(&View(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("http://c.test/\t\nhttp://a.test/\tCompleted\n"));

    SelectShownRows({1});
    Child<QAction>(*window_, "copyRowsAction")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("http://b.test/\tError 404\n"));
    View().setCurrentIndex(View().model()->index(0, 0));
    Child<QAction>(*window_, "copyUrlAction")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("http://c.test/"));
}

// A URL list becomes the table; Export all failed writes the failed rows; Check failed again and Check again
// request only their rows, and the other rows keep their statuses.
TEST_F(MainWindowTable, UrlListFailedExportAndCheckingAgain)
{
    test::LoopbackServer server{test::AnswerByPath{}};
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.Port());
    const QStringList urls = {base + "/delay/1", base + "/404", base + "/delay/2", base + "/410"};
    const QString path = OpenUrlList(urls);
    ASSERT_EQ(window_->Table.RowCount(), 4);
    EXPECT_EQ(Child<QLineEdit>(*window_, "websitesPathEdit")->text(), path);
    EXPECT_EQ(Child<QLabel>(*window_, "totalUrlsValueLabel")->text(), QStringLiteral("4"));
    EXPECT_EQ(Child<QLabel>(*window_, "websitesServicesValueLabel")->text(), QStringLiteral("4/1"));
    for (int row = 0; row < 4; ++row) EXPECT_EQ(window_->Table.GetCell(PingTable::ColumnUrl, row), urls[row]);

    window_->Table.SetOutcome(0, CheckOutcome(u"Completed"));
    window_->Table.SetOutcome(1, CheckOutcome(u"Error 404"));
    window_->Table.SetOutcome(2, CheckOutcome(u"Timeout"));
    const QString failed = Folder() + QStringLiteral("failed");
    dialogs_.AnswerSaveFile(failed);
    Child<QAction>(*window_, "exportFailedAction")->trigger();
    EXPECT_EQ(ReadBytes(failed + ".txt"), (urls[1] + "\r\n" + urls[2] + "\r\n").toUtf8());

    Child<QAction>(*window_, "checkFailedAgainAction")->trigger();
    ASSERT_TRUE(WaitForEndMessage(1));
    EXPECT_EQ(Targets(server), (std::multiset<std::string>{"/404", "/delay/2"}));
    EXPECT_EQ(window_->Table.GetCell(PingTable::ColumnPing, 0), QStringLiteral("Completed"));
    EXPECT_EQ(window_->Table.GetCell(PingTable::ColumnPing, 1), QStringLiteral("Error 404"));
    EXPECT_EQ(window_->Table.GetCell(PingTable::ColumnPing, 2), QStringLiteral("Completed"));
    EXPECT_EQ(window_->Table.GetCell(PingTable::ColumnPing, 3), QString());

    SelectShownRows({3});
    Child<QAction>(*window_, "checkAgainAction")->trigger();
    ASSERT_TRUE(WaitForEndMessage(2));
    EXPECT_EQ(Targets(server), (std::multiset<std::string>{"/404", "/delay/2", "/410"}));
    EXPECT_EQ(window_->Table.GetCell(PingTable::ColumnPing, 3), QStringLiteral("Error 410"));
    EXPECT_EQ(window_->Table.GetCell(PingTable::ColumnPing, 2), QStringLiteral("Completed"));
    EXPECT_EQ(Child<QLabel>(*window_, "totalUrlsValueLabel")->text(), QStringLiteral("4"));
}

// Checking again changes the table a run works on, so it is offered only while idle.
TEST_F(MainWindowTable, CheckingAgainOnlyWhileIdle)
{
    for (const char* name : {"checkAgainAction", "checkFailedAgainAction", "openUrlListAction", "startAction"}) {
        window_->SetRunningState(true);
        EXPECT_FALSE(Child<QAction>(*window_, name)->isEnabled()) << name;
        window_->SetRunningState(false);
        EXPECT_TRUE(Child<QAction>(*window_, name)->isEnabled()) << name;
    }
}

// The view follows the rows the run starts until the user scrolls up; scrolling back down to them resumes it.
TEST_F(MainWindowTable, TheViewFollowsTheRunUntilTheUserScrollsAway)
{
    window_->resize(800, 600);
    window_->show();
    window_->Table.SetRowCount(1000);
    auto run = std::make_shared<MainWindowRunView>(*window_);
    QScrollBar& bar = *View().verticalScrollBar();
    ASSERT_TRUE(test::EventuallyTrue([&] { return bar.maximum() > 0; }, "a scroll bar for the rows"));
    window_->SetRunningState(true);
    const auto startRow = [&](int row) {
        std::thread worker([&] {
            run->Post([&, row] {
                run->MakeTopRow(row - 10);
                run->SetRowStatus(row, {u"Pinging page..."});
                run->SetProcessedText(QString::number(row).toStdU16String());
            });
        });
        worker.join();
        // The scroll comes with the next refresh of the view, which shows the "Processed" figure too.
        EXPECT_TRUE(test::EventuallyEqual([&] { return Child<QLabel>(*window_, "processedValueLabel")->text(); },
                                          QString::number(row), "the refresh after the row's start"));
        QCoreApplication::processEvents();
    };

    startRow(100);
    EXPECT_EQ(View().rowAt(0), 90);
    bar.setValue(bar.value() - 30 * 21);  // the user scrolls up to read
    const int readingTop = View().rowAt(0);
    startRow(200);
    EXPECT_EQ(View().rowAt(0), readingTop) << "no following while the user reads above the run";
    bar.setValue(bar.value() + 200 * 21);  // back down past the rows under way
    startRow(300);
    EXPECT_EQ(View().rowAt(0), 290) << "following again";
    window_->SetRunningState(false);

    bar.setValue(0);
    window_->SetRunningState(true);
    startRow(400);
    EXPECT_EQ(View().rowAt(0), 390) << "a new run follows wherever the view was left";
    window_->SetRunningState(false);
}

}  // namespace
}  // namespace larkspire
