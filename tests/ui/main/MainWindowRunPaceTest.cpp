#include "tests/support/HostLoadServer.h"
#include "tests/support/qt/EventuallyTrue.h"
#include "tests/support/qt/QtPrinters.h"
#include "tests/support/qt/ScriptedDialogs.h"
#include "tests/ui/main/MainWindowFixture.h"
#include "ui/main/RunPaceDialog.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>

#include <chrono>
#include <optional>

namespace larkspire {
namespace {

using Kind = ScriptedDialogs::Kind;
using namespace std::chrono_literals;

class MainWindowRunPace : public MainWindowFixture {
protected:
    // Opens the dialog from the File menu, as the user does; it must come up without blocking the test.
    RunPaceDialog* OpenSettings(const MainWindow& window) const
    {
        QAction* item = Child<QAction>(window, "settingsAction");
        const QList<QAction*> fileItems = Child<QMenu>(window, "fileMenu")->actions();
        EXPECT_EQ(fileItems.indexOf(item), fileItems.indexOf(Child<QAction>(window, "verifyTlsAction")) + 1);
        item->trigger();
        auto* dialog = Child<RunPaceDialog>(window, "runPaceDialog");
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(dialog->isModal());
        return dialog;
    }

    static void Enter(RunPaceDialog& dialog, const RunPace& pace)
    {
        Child<QSpinBox>(dialog, "retriesWhenAskedBox")->setValue(pace.retriesWhenAsked);
        Child<QSpinBox>(dialog, "retriesOfFailuresBox")->setValue(pace.retriesOfFailures);
        Child<QSpinBox>(dialog, "checksPerHostBox")->setValue(pace.checksPerHost);
        Child<QSpinBox>(dialog, "requestsPerSecondBox")->setValue(pace.requestsPerSecond);
    }

    static void Press(RunPaceDialog& dialog, QDialogButtonBox::StandardButton which)
    {
        Child<QDialogButtonBox>(dialog, "runPaceButtons")->button(which)->click();
        EXPECT_FALSE(dialog.isVisible());
    }

    static std::vector<int> Shown(const RunPaceDialog& dialog)
    {
        return {Child<QSpinBox>(dialog, "retriesWhenAskedBox")->value(),
                Child<QSpinBox>(dialog, "retriesOfFailuresBox")->value(),
                Child<QSpinBox>(dialog, "checksPerHostBox")->value(),
                Child<QSpinBox>(dialog, "requestsPerSecondBox")->value()};
    }

    // Loads the websites file through the scripted open dialog, presses Start and waits for the end message.
    static void RunToEnd(MainWindow& window, const QString& websites, int rows)
    {
        ScriptedDialogs dialogs;
        dialogs.AnswerOpenFile(websites);
        Child<QPushButton>(window, "loadWebsitesButton")->click();
        ASSERT_EQ(window.Table.RowCount(), rows);
        Child<QPushButton>(window, "startButton")->click();
        EXPECT_TRUE(test::EventuallyTrue([&] { return !dialogs.Texts(Kind::Information).isEmpty(); }, "the end message",
                                         std::chrono::seconds(30)));
    }

    static QString Website(const test::HostLoadServer& server)
    {
        return QString::fromStdU16String(server.Url(1, "")).mid(QStringLiteral("http://").size());
    }
};

// The first time, the four settings show a run as larkspire-ping makes it without options.
TEST_F(MainWindowRunPace, SettingsStartAtTheDefaults)
{
    std::unique_ptr<MainWindow> window = MakeWindow();
    EXPECT_EQ(Child<QAction>(*window, "settingsAction")->text(), QStringLiteral("Settings\u2026"));
    RunPaceDialog* dialog = OpenSettings(*window);
    EXPECT_EQ(Shown(*dialog), (std::vector<int>{2, 0, 0, 0}));
    struct Box {
        const char* name;
        int most;
        QString text;
    };
    for (const Box& box : {Box{"retriesWhenAskedBox", kMostRetriesWhenAsked, QStringLiteral("2")},
                           Box{"retriesOfFailuresBox", kMostRetriesOfFailures, QStringLiteral("0")},
                           Box{"checksPerHostBox", kMostChecksPerHost, QStringLiteral("No limit")},
                           Box{"requestsPerSecondBox", kMostRequestsPerSecond, QStringLiteral("No limit")}}) {
        auto* spin = Child<QSpinBox>(*dialog, box.name);
        EXPECT_EQ(spin->minimum(), 0) << box.name;
        EXPECT_EQ(spin->maximum(), box.most) << box.name;
        EXPECT_EQ(spin->text(), box.text) << box.name;
    }
    Press(*dialog, QDialogButtonBox::Cancel);
}

// OK keeps the values for this window and the next start; Cancel leaves what was kept as it was.
TEST_F(MainWindowRunPace, OkKeepsTheValuesAndCancelChangesNothing)
{
    {
        std::unique_ptr<MainWindow> window = MakeWindow();
        RunPaceDialog* dialog = OpenSettings(*window);
        Enter(*dialog,
              RunPace{.retriesWhenAsked = 4, .retriesOfFailures = 1, .checksPerHost = 3, .requestsPerSecond = 7});
        Press(*dialog, QDialogButtonBox::Ok);

        dialog = OpenSettings(*window);
        EXPECT_EQ(Shown(*dialog), (std::vector<int>{4, 1, 3, 7}));
        Enter(*dialog,
              RunPace{.retriesWhenAsked = 9, .retriesOfFailures = 5, .checksPerHost = 0, .requestsPerSecond = 0});
        Press(*dialog, QDialogButtonBox::Cancel);
        EXPECT_EQ(Shown(*OpenSettings(*window)), (std::vector<int>{4, 1, 3, 7}));
        Press(*dialog, QDialogButtonBox::Cancel);
    }
    std::unique_ptr<MainWindow> window = MakeWindow();
    RunPaceDialog* dialog = OpenSettings(*window);
    EXPECT_EQ(Shown(*dialog), (std::vector<int>{4, 1, 3, 7}));
    Press(*dialog, QDialogButtonBox::Cancel);
}

// A settings file edited by hand cannot hand a run a pace the dialog would not let the user pick.
TEST_F(MainWindowRunPace, StoredValuesOutOfRangeAreKeptInsideIt)
{
    {
        QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Larkspire"),
                           QStringLiteral("Indexer"));
        settings.setValue(QStringLiteral("pace/RetriesWhenAsked"), 500);
        settings.setValue(QStringLiteral("pace/RetriesOfFailures"), -3);
        settings.setValue(QStringLiteral("pace/ChecksPerHost"), QStringLiteral("many"));
        settings.setValue(QStringLiteral("pace/RequestsPerSecond"), 5000);
    }
    std::unique_ptr<MainWindow> window = MakeWindow();
    RunPaceDialog* dialog = OpenSettings(*window);
    EXPECT_EQ(Shown(*dialog), (std::vector<int>{kMostRetriesWhenAsked, 0, 0, kMostRequestsPerSecond}));
    Press(*dialog, QDialogButtonBox::Cancel);
}

struct PaceCase {
    const char* name;
    std::optional<RunPace> chosen;  // none: the dialog is never opened
    const char* path;
    QString status;
    std::size_t requests;
};

void PrintTo(const PaceCase& param, std::ostream* out) { *out << param.name; }

class MainWindowPacedRun : public MainWindowRunPace, public testing::WithParamInterface<PaceCase> {};

// Start checks a row again as the kept settings say: a server answering 429 with "Retry-After: 0" five times, or
// resetting once, gets as many requests as the retries allow.
TEST_P(MainWindowPacedRun, StartRetriesAsTheSettingsSay)
{
    const PaceCase& param = GetParam();
    test::HostLoadServer server{1};
    const QString site = Website(server);
    WriteServices(QStringLiteral("paced.txt"), QByteArray("http://{website}") + param.path + "\r\n");
    const QString websites = WriteFile(QStringLiteral("sites.txt"), (site + "\r\n").toUtf8());
    if (param.chosen) {
        std::unique_ptr<MainWindow> earlier = MakeWindow();
        RunPaceDialog* dialog = OpenSettings(*earlier);
        Enter(*dialog, *param.chosen);
        Press(*dialog, QDialogButtonBox::Ok);
    }
    std::unique_ptr<MainWindow> window = MakeWindow();
    RunToEnd(*window, websites, 1);
    EXPECT_EQ(window->Table.GetCell(1, 0), param.status);
    EXPECT_EQ(server.RequestCount(), param.requests);
}

INSTANTIATE_TEST_SUITE_P(
    Retries, MainWindowPacedRun,
    testing::Values(PaceCase{"DefaultTwiceOn429", std::nullopt, "/429/0/5", QStringLiteral("Error 429"), 3},
                    PaceCase{"NoneOn429", RunPace{.retriesWhenAsked = 0}, "/429/0/5", QStringLiteral("Error 429"), 1},
                    PaceCase{"EnoughOn429", RunPace{.retriesWhenAsked = 5}, "/429/0/5", QStringLiteral("Completed"), 6},
                    PaceCase{"DefaultNoneOnReset", std::nullopt, "/reset/1", QStringLiteral("Aborted"), 1},
                    PaceCase{"OnceOnReset", RunPace{.retriesOfFailures = 1}, "/reset/1", QStringLiteral("Completed"),
                             2}),
    [](const testing::TestParamInfo<PaceCase>& info) { return std::string(info.param.name); });

// The kept rate reaches the run: three rows to one host at two a second span about a second.
TEST_F(MainWindowRunPace, StartKeepsTheRatePerHost)
{
    test::HostLoadServer server{1};
    const QString site = Website(server);
    WriteServices(QStringLiteral("paced.txt"),
                  QByteArrayLiteral("http://{website}/ok/a\r\nhttp://{website}/ok/b\r\nhttp://{website}/ok/c\r\n"));
    const QString websites = WriteFile(QStringLiteral("sites.txt"), (site + "\r\n").toUtf8());
    std::unique_ptr<MainWindow> window = MakeWindow();
    RunPaceDialog* dialog = OpenSettings(*window);
    Enter(*dialog, RunPace{.requestsPerSecond = 2});
    Press(*dialog, QDialogButtonBox::Ok);
    RunToEnd(*window, websites, 3);
    const auto arrivals = server.HostArrivals(1);
    ASSERT_EQ(arrivals.size(), 3u);
    // Without the rate the window's threads would send all three at once.
    EXPECT_GE(arrivals.back() - arrivals.front(), 700ms);
}

}  // namespace
}  // namespace larkspire
