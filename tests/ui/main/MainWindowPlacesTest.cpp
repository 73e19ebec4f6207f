#include "tests/support/qt/ScriptedDialogs.h"
#include "tests/ui/main/MainWindowFixture.h"
#include "ui/widgets/SliderWithBox.h"

#include <QDir>

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace larkspire {
namespace {

using Kind = ScriptedDialogs::Kind;

class MainWindowPlaces : public MainWindowFixture {};

// A second window comes up where the first was left: size, the status column's width, and each file dialog in
// the folder it was last left in. The lists and the two settings start afresh.
TEST_F(MainWindowPlaces, ASecondWindowRestoresWhatTheFirstLeft)
{
    WriteServices(QStringLiteral("a.txt"), QByteArrayLiteral("http://{website}/\r\n"));
    const QString websites = WriteFile(QStringLiteral("sites/mine.txt"), QByteArrayLiteral("a.test\r\n"));
    const QString urls = WriteFile(QStringLiteral("urls/list.txt"), QByteArrayLiteral("http://b.test/\r\n"));
    ScriptedDialogs dialogs;
    QSize leftSize;
    {
        std::unique_ptr<MainWindow> window = MakeWindow();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        const QSize firstSize = window->size();
        window->resize(firstSize + QSize(40, 30));
        QCoreApplication::processEvents();
        leftSize = window->size();
        ASSERT_NE(leftSize, firstSize);
        window->pingTableView->horizontalHeader()->resizeSection(PingTable::ColumnPing, 222);
        window->timeoutSetting->SetValue(20);
        dialogs.AnswerOpenFile(websites);
        window->onLoadWebsitesClicked();
        dialogs.AnswerOpenFile(urls);
        window->openUrlListAction->trigger();
        dialogs.AnswerSaveFile(Folder() + QStringLiteral("out/done.txt"));
        QDir().mkpath(Folder() + QStringLiteral("out"));
        window->onExportAllTriggered();
    }
    std::unique_ptr<MainWindow> window = MakeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_EQ(window->size(), leftSize);
    EXPECT_EQ(window->pingTableView->horizontalHeader()->sectionSize(PingTable::ColumnPing), 222);
    EXPECT_EQ(window->websitesPathEdit->text(), QStringLiteral("Insert your websites"));
    EXPECT_EQ(window->timeoutSetting->Text(), QStringLiteral("3"));
    EXPECT_EQ(window->threadsSetting->Text(), QStringLiteral("4"));
    EXPECT_EQ(window->Table.RowCount(), 0);

    dialogs.AnswerOpenFile(QString());
    window->onLoadWebsitesClicked();
    dialogs.AnswerOpenFile(QString());
    window->openUrlListAction->trigger();
    dialogs.AnswerSaveFile(QString());
    window->onExportAllTriggered();
    dialogs.AnswerOpenFile(QString());
    window->loadServicesFileAction->trigger();
    const QList<ScriptedDialogs::Shown>& shown = dialogs.ShownBoxes();
    ASSERT_GE(shown.size(), 4);
    const auto folderOf = [&](int fromEnd) { return shown[shown.size() - fromEnd].options.directory; };
    EXPECT_EQ(folderOf(4), Folder() + QStringLiteral("sites"));
    EXPECT_EQ(folderOf(3), Folder() + QStringLiteral("urls"));
    EXPECT_EQ(folderOf(2), Folder() + QStringLiteral("out"));
    EXPECT_EQ(folderOf(1), QString()) << "no services file was added yet";
}

}  // namespace
}  // namespace larkspire
