#include "tests/support/LoopbackPeers.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/qt/QtPrinters.h"
#include "tests/support/qt/ScriptedDialogs.h"
#include "tests/ui/main/MainWindowFixture.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

namespace larkspire {
namespace {

using Kind = ScriptedDialogs::Kind;

class RunEndToEnd : public MainWindowFixture {
protected:
    static QString Counts(const MainWindow& window) { return Child<QLabel>(window, "runCountsLabel")->text(); }
    static QString Progress(const MainWindow& window) { return Child<QProgressBar>(window, "runProgressBar")->text(); }
};

// The whole road as a user walks it: a services file and a websites file, Start, the statuses of a server that
// answers, refuses, stalls and reports an error, the end message, then the export of what completed.
TEST_F(RunEndToEnd, ListsToStatusesToExport)
{
    test::LoopbackServer server{test::AnswerByPath{}};
    const QString site = QStringLiteral("127.0.0.1:%1").arg(server.Port());
    const test::RefusedPort refusedPort;
    const QString refused = QStringLiteral("http://127.0.0.1:%1/x").arg(refusedPort.Port());
    WriteServices(
        QStringLiteral("mixed.txt"),
        ("http://{website}/200\r\nhttp://{website}/404\r\nhttp://{website}/stall\r\n" + refused + "\r\n").toUtf8());
    const QString websites = WriteFile(QStringLiteral("sites.txt"), ("http://" + site + "/\r\n").toUtf8());
    ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> window = MakeWindow();

    dialogs.AnswerOpenFile(websites);
    Child<QPushButton>(*window, "loadWebsitesButton")->click();
    ASSERT_EQ(window->Table.RowCount(), 4);
    Child<QPushButton>(*window, "startButton")->click();

    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialogs.Texts(Kind::Information).isEmpty(); }, 60000));
    EXPECT_EQ(dialogs.Texts(Kind::Information), QStringList{"Ping terminated"});
    const QStringList statuses = {window->Table.GetCell(1, 0), window->Table.GetCell(1, 1), window->Table.GetCell(1, 2),
                                  window->Table.GetCell(1, 3)};
    EXPECT_EQ(statuses, (QStringList{"Completed", "Error 404", "Timeout", "Aborted"}));
    EXPECT_TRUE(Child<QPushButton>(*window, "startButton")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(*window, "abortButton")->isEnabled());
    EXPECT_EQ(Counts(*window), QStringLiteral(u"Completed 1 · Error 1 · Timeout 1 · Aborted 1 · Not checked 0"));
    EXPECT_EQ(Progress(*window), QStringLiteral("4 / 4"));

    const QString exported = Folder() + QStringLiteral("completed.txt");
    dialogs.AnswerSaveFile(exported);
    window->onExportCompletedTriggered();
    EXPECT_EQ(ReadBytes(exported), ("http://" + site + "/200\r\n").toUtf8());
    EXPECT_EQ(Progress(*window), QStringLiteral("4 / 4")) << "the summary stays after the run";

    dialogs.AnswerOpenFile(websites);
    Child<QPushButton>(*window, "loadWebsitesButton")->click();
    EXPECT_EQ(Counts(*window), QStringLiteral(u"Completed 0 · Error 0 · Timeout 0 · Aborted 0 · Not checked 4"));
    EXPECT_EQ(Progress(*window), QStringLiteral("0 / 4")) << "a new table starts unchecked";
}

// Abort while checks are under way: the status bar says so and Abort stays disabled until the run has ended; those
// checks finish with their own status, the rest stay unprocessed and counted so, and the not-completed export then
// holds exactly the skipped rows.
TEST_F(RunEndToEnd, AbortLeavesSkippedRowsForTheNotCompletedExport)
{
    test::LoopbackServer server{test::AnswerByPath{}};
    const QString site = QStringLiteral("127.0.0.1:%1").arg(server.Port());
    QByteArray templates;
    for (int i = 0; i < 40; ++i)
        templates += "http://{website}/stall#" + QByteArray::number(i) + "\r\n";  // distinct rows, one path
    WriteServices(QStringLiteral("stalls.txt"), templates);
    const QString websites = WriteFile(QStringLiteral("sites.txt"), site.toUtf8() + "\r\n");
    ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> window = MakeWindow(1);  // one worker: one check at a time

    dialogs.AnswerOpenFile(websites);
    Child<QPushButton>(*window, "loadWebsitesButton")->click();
    Child<QPushButton>(*window, "startButton")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.Requests().size() >= 1; }, 30000));
    EXPECT_EQ(window->Table.GetCell(1, 0), QStringLiteral("Pinging page..."));
    auto* abort = Child<QPushButton>(*window, "abortButton");
    auto* start = Child<QPushButton>(*window, "startButton");
    auto* statusBar = Child<QStatusBar>(*window, "bottomStatusBar");
    abort->click();

    const QString aborting = QStringLiteral(u"Aborting…");
    EXPECT_FALSE(abort->isEnabled());
    EXPECT_EQ(statusBar->currentMessage(), aborting);
    bool heldUntilIdle = true;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const bool idle = start->isEnabled();
            if (!idle) heldUntilIdle = heldUntilIdle && !abort->isEnabled() && statusBar->currentMessage() == aborting;
            return idle;
        },
        60000));
    EXPECT_TRUE(heldUntilIdle);
    EXPECT_TRUE(statusBar->currentMessage().isEmpty());
    EXPECT_FALSE(abort->isEnabled());

    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialogs.Texts(Kind::Information).isEmpty(); }, 60000));
    EXPECT_EQ(dialogs.Texts(Kind::Information), QStringList{"Ping aborted"});
    EXPECT_EQ(window->Table.GetCell(1, 0), QStringLiteral("Timeout"));
    EXPECT_EQ(Counts(*window), QStringLiteral(u"Completed 0 · Error 0 · Timeout 1 · Aborted 0 · Not checked 39"));
    EXPECT_EQ(Progress(*window), QStringLiteral("1 / 40"));
    QByteArray skipped;
    for (int row = 1; row < 40; ++row) {
        EXPECT_EQ(window->Table.GetCell(1, row), QString()) << row;
        skipped += window->Table.GetCell(0, row).toUtf8() + "\r\n";
    }

    const QString exported = Folder() + QStringLiteral("rest.txt");
    dialogs.AnswerSaveFile(exported);
    window->onExportNotCompletedTriggered();
    EXPECT_EQ(ReadBytes(exported), skipped);
}

}  // namespace
}  // namespace larkspire
