#include "tests/support/qt/ScriptedDialogs.h"
#include "tests/ui/main/MainWindowFixture.h"
#include "ui/widgets/DesktopLinks.h"

#include <QAction>
#include <QFile>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace larkspire {
namespace {

// Puts a stand-in xdg-open first on PATH that records its arguments, one file per call.
class MainWindowLinks : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        const QString script =
            WriteFile(QStringLiteral("bin/xdg-open"), "#!/bin/sh\n"
                                                      "n=0; while [ -e \"$0.call$n\" ]; do n=$((n+1)); done\n"
                                                      "printf '%s|%s' \"$#\" \"$1\" > \"$0.tmp$n\"\n"
                                                      "mv \"$0.tmp$n\" \"$0.call$n\"\n");
        ASSERT_TRUE(QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        oldPath_ = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(Folder() + QStringLiteral("bin")) + ':' + oldPath_);
        window_ = MakeWindow();
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    void TearDown() override { qputenv("PATH", oldPath_); }

    // What the stand-in received on its call number `call`: "<argument count>|<first argument>".
    QByteArray Opened(int call) const
    {
        const QString path = Folder() + QStringLiteral("bin/xdg-open.call") + QString::number(call);
        EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(path); }, 20000)) << "no call " << call;
        return ReadBytes(path);
    }

    void DoubleClickRow(int row) const
    {
        auto* grid = Child<QTableView>(*window_, "pingTableView");
        const QRect cell = grid->visualRect(grid->model()->index(row, 0));
        // A real double-click: the first click selects the row, the second reports the double-click.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }

    ScriptedDialogs dialogs_;
    QByteArray oldPath_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowLinks, DoubleClickOpensTheSelectedRowsUrlAsItIs)
{
    window_->Table.SetRowCount(2);
    window_->Table.SetCell(0, 0, QStringLiteral("http://x.test/?a=1&b=2"));
    window_->Table.SetCell(0, 1, QStringLiteral("HTTPS://y.test/path"));
    DoubleClickRow(0);
    EXPECT_EQ(Opened(0), QByteArray("1|http://x.test/?a=1&b=2"));
    DoubleClickRow(1);
    EXPECT_EQ(Opened(1), QByteArray("1|HTTPS://y.test/path"));
    EXPECT_TRUE(dialogs_.ShownBoxes().isEmpty());
}

// Anything but an http or https address is refused with a message; the first call the stand-in sees is the
// web address opened after all of them.
TEST_F(MainWindowLinks, DoubleClickOnAnythingButAWebAddressShowsAMessageAndOpensNothing)
{
    const QStringList refused = {
        "--help",        "file:///etc/passwd", "",      "javascript:alert(1)", "http://", "mailto:a@b.test",
        "ftp://x.test/", " http://x.test/",    "x.test"};
    window_->Table.SetRowCount(static_cast<int>(refused.size()) + 1);
    for (int row = 0; row < refused.size(); ++row) window_->Table.SetCell(0, row, refused[row]);
    window_->Table.SetCell(0, static_cast<int>(refused.size()), QStringLiteral("https://ok.test/"));
    for (int row = 0; row < refused.size(); ++row) DoubleClickRow(row);
    DoubleClickRow(static_cast<int>(refused.size()));
    EXPECT_EQ(Opened(0), QByteArray("1|https://ok.test/"));
    QStringList expected;
    for (const QString& text : refused) expected << NotAWebAddressMessage(text);
    EXPECT_EQ(dialogs_.Texts(ScriptedDialogs::Kind::Information), expected);
}

TEST_F(MainWindowLinks, DoubleClickWithNoRowSelectedShowsAMessage)
{
    auto* grid = Child<QTableView>(*window_, "pingTableView");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(dialogs_.Texts(ScriptedDialogs::Kind::Information), QStringList{NotAWebAddressMessage(QString())});
}

TEST_F(MainWindowLinks, DoubleClickWorksWhileRunning)
{
    window_->Table.SetRowCount(1);
    window_->Table.SetCell(0, 0, QStringLiteral("http://r.test/"));
    window_->SetRunningState(true);
    DoubleClickRow(0);
    EXPECT_EQ(Opened(0), QByteArray("1|http://r.test/"));
}

TEST_F(MainWindowLinks, HelpItemsOpenTheManualAndTheSupportMail)
{
    Child<QAction>(*window_, "onlineManualAction")->trigger();
    EXPECT_EQ(Opened(0), "1|" + OnlineManualAddress().toUtf8());
    Child<QAction>(*window_, "supportAction")->trigger();
    EXPECT_EQ(Opened(1), "1|mailto:" + QByteArray::fromStdString(window_->ProgramInfo->supportMail) +
                             "?subject=Larkspire Indexer support request");
    EXPECT_TRUE(dialogs_.ShownBoxes().isEmpty());
}

TEST_F(MainWindowLinks, HelpItemsThatCannotStartAHandlerNameTheAddress)
{
    qputenv("PATH", QFile::encodeName(Folder() + QStringLiteral("no-such-folder")));
    Child<QAction>(*window_, "onlineManualAction")->trigger();
    Child<QAction>(*window_, "supportAction")->trigger();
    const QString support = SupportLink(*window_->ProgramInfo);
    const QString notOpened = QStringLiteral("No program could be started to open %1. Please open it by hand.");
    EXPECT_EQ(dialogs_.Texts(ScriptedDialogs::Kind::Information),
              (QStringList{notOpened.arg(OnlineManualAddress()), notOpened.arg(support)}));
    EXPECT_EQ(dialogs_.ShownBoxes().size(), 2);
}

}  // namespace
}  // namespace larkspire
