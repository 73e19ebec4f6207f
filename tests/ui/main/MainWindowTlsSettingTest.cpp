#include "tests/support/LoopbackServer.h"
#include "tests/support/qt/EventuallyTrue.h"
#include "tests/support/qt/QtPrinters.h"
#include "tests/support/qt/ScriptedDialogs.h"
#include "tests/ui/main/MainWindowFixture.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

namespace larkspire {
namespace {

using Kind = ScriptedDialogs::Kind;

class MainWindowTlsSetting : public MainWindowFixture {
protected:
    QAction* VerifyItem(const MainWindow& window) const
    {
        QAction* item = Child<QAction>(window, "verifyTlsAction");
        EXPECT_TRUE(Child<QMenu>(window, "fileMenu")->actions().contains(item));
        return item;
    }
};

// Off at first, and a window opened later finds the item as the user left it.
TEST_F(MainWindowTlsSetting, StartsOffAndIsRemembered)
{
    {
        std::unique_ptr<MainWindow> window = MakeWindow();
        QAction* item = VerifyItem(*window);
        EXPECT_EQ(item->text(), QStringLiteral("Verify TLS certificates"));
        EXPECT_TRUE(item->isCheckable());
        EXPECT_FALSE(item->isChecked());
        item->trigger();
    }
    {
        std::unique_ptr<MainWindow> window = MakeWindow();
        QAction* item = VerifyItem(*window);
        EXPECT_TRUE(item->isChecked());
        item->trigger();
    }
    EXPECT_FALSE(VerifyItem(*MakeWindow())->isChecked());
}

struct RunCase {
    const char* name;
    bool verify;
    QString status;
    QString reasonPart;
};

void PrintTo(const RunCase& param, std::ostream* out) { *out << param.name; }

class MainWindowTlsRun : public MainWindowTlsSetting, public testing::WithParamInterface<RunCase> {};

// A self-signed server is taken as today while the item is off, and ends as "Aborted" with why once it is on.
TEST_P(MainWindowTlsRun, StartChecksCertificatesAsTheItemSays)
{
    const RunCase& param = GetParam();
    test::LoopbackServer server{test::AnswerByPath{}, test::ServerSecurity::Tls12Only};
    const QString site = QStringLiteral("127.0.0.1:%1").arg(server.Port());
    WriteServices(QStringLiteral("secure.txt"), QByteArrayLiteral("https://{website}/200\r\n"));
    const QString websites = WriteFile(QStringLiteral("sites.txt"), (site + "\r\n").toUtf8());
    ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> window = MakeWindow();
    VerifyItem(*window)->setChecked(param.verify);

    dialogs.AnswerOpenFile(websites);
    Child<QPushButton>(*window, "loadWebsitesButton")->click();
    ASSERT_EQ(window->Table.RowCount(), 1);
    Child<QPushButton>(*window, "startButton")->click();

    EXPECT_TRUE(test::EventuallyTrue([&] { return !dialogs.Texts(Kind::Information).isEmpty(); }, "the end message",
                                     std::chrono::seconds(30)));
    EXPECT_EQ(window->Table.GetCell(1, 0), param.status);
    const QString reason = window->Table.Reason(0);
    EXPECT_TRUE(reason.contains(param.reasonPart)) << reason.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Items, MainWindowTlsRun,
                         testing::Values(RunCase{"Off", false, QStringLiteral("Completed"), QStringLiteral("in ")},
                                         RunCase{"On", true, QStringLiteral("Aborted"),
                                                 QStringLiteral("certificate verify failed")}),
                         [](const testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace larkspire
