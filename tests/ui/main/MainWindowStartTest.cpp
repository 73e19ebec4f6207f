#include "tests/support/qt/EventuallyTrue.h"
#include "tests/ui/main/MainWindowFixture.h"
#include "ui/widgets/SliderWithBox.h"
#include "ui/widgets/WindowPlacement.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTest>

namespace larkspire {
namespace {

using MainWindowStart = MainWindowFixture;

struct ControlCase {
    const char* name;
    const char* text;
    const char* hint;
    bool enabled;
};

const ControlCase StartControls[] = {
    {"clearWebsitesButton", "Clear", "Clear your website file path", true},
    {"editWebsitesButton", "Edit", "Edit your websites list", true},
    {"loadWebsitesButton", "Load", "Load file for websites", true},
    {"clearServicesButton", "Clear", "Clear indexing sites", true},
    {"editServicesButton", "Edit", "Edit pinging list", true},
    {"servicesMenuButton", "Load/Remove", "Load or Remove index files", true},
    {"startButton", "Start", "Start pinging", true},
    {"abortButton", "Abort", "", false},
    {"exportButton", "Export", "Export pinged list", true},
};

TEST_F(MainWindowStart, ButtonsHaveTheirTextsHintsAndStartState)
{
    const auto window = MakeWindow();
    for (const ControlCase& control : StartControls) {
        SCOPED_TRACE(control.name);
        const auto* button = Child<QPushButton>(*window, control.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(control.text));
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(control.hint));
        EXPECT_EQ(button->isEnabled(), control.enabled);
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
    }
    EXPECT_EQ(Child<QPushButton>(*window, "startButton")->size(), QSize(175, 30));
    EXPECT_EQ(Child<QPushButton>(*window, "abortButton")->size(), QSize(150, 30));
    EXPECT_EQ(Child<QPushButton>(*window, "exportButton")->size(), QSize(149, 26));
}

TEST_F(MainWindowStart, TitleFieldsAndLabelsShowTheirFirstTexts)
{
    const auto window = MakeWindow();
    EXPECT_EQ(window->windowTitle(), QString::fromStdString(window->ProgramInfo->mainWindowCaption));
    EXPECT_EQ(window->ServicesFolderPath, ServicesFolder());
    EXPECT_EQ(Child<QLineEdit>(*window, "websitesPathEdit")->text(), QStringLiteral("Insert your websites"));
    for (const char* name : {"websitesPathEdit", "servicesCombo", "pingTableView", "bottomStatusBar"})
        EXPECT_TRUE(Child<QWidget>(*window, name)->toolTip().isEmpty()) << name;
    EXPECT_EQ(Child<QComboBox>(*window, "servicesCombo")->count(), 0);
    EXPECT_TRUE(window->WebsitesList.isEmpty());
    EXPECT_TRUE(window->ServicesList.isEmpty());
    EXPECT_FALSE(window->AbortFlag);

    const struct {
        const char* name;
        const char* text;
        bool value;
    } labels[] = {
        {"threadsCaption", "Threads #", false},
        {"timeoutCaption", "Timeout (seconds)", false},
        {"websitesServicesCaption", "Websites/Services for website", false},
        {"websitesServicesValueLabel", "0/0", true},
        {"totalUrlsCaption", "Total Url Loaded", false},
        {"totalUrlsValueLabel", "0", true},
        {"processedCaption", "Processed", false},
        {"processedValueLabel", "0", true},
        {"timeCaption", "Time", false},
        {"timeValueLabel", "00:00:00", true},
    };
    for (const auto& expected : labels) {
        SCOPED_TRACE(expected.name);
        const auto* label = Child<QLabel>(*window, expected.name);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QString::fromUtf8(expected.text));
        EXPECT_TRUE(label->toolTip().isEmpty());
        if (expected.value) {
            EXPECT_TRUE(label->font().bold());
            EXPECT_EQ(label->font().pointSize(), 15);
            EXPECT_EQ(label->contentsMargins().left(), 5);
            EXPECT_TRUE(label->alignment() & Qt::AlignLeft);
        } else {
            EXPECT_TRUE(label->alignment() & Qt::AlignRight);
            EXPECT_FALSE(label->font().bold());
        }
    }
}

TEST_F(MainWindowStart, GridHasTwoHeadedColumnsAndNoRows)
{
    const auto window = MakeWindow();
    auto* grid = Child<QTableView>(*window, "pingTableView");
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->parentWidget()->objectName(), QStringLiteral("tablePanel"));
    EXPECT_EQ(grid->model()->rowCount(), 0);
    EXPECT_EQ(grid->model()->columnCount(), 2);
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Url"));
    EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Ping status"));
    EXPECT_EQ(grid->verticalHeader()->defaultSectionSize(), 21);
    EXPECT_EQ(grid->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_FALSE(grid->horizontalHeader()->isHidden()) << "the header shows once the window does";
    EXPECT_TRUE(grid->showGrid());
}

TEST_F(MainWindowStart, BandsAndStatusBarHaveTheirHeights)
{
    const auto window = MakeWindow();
    EXPECT_EQ(Child<QWidget>(*window, "listsBand")->height(), 97);
    EXPECT_EQ(Child<QWidget>(*window, "runButtonsBand")->height(), 56);
    EXPECT_EQ(Child<QWidget>(*window, "countersBand")->height(), 98);
    auto* statusBar = Child<QStatusBar>(*window, "bottomStatusBar");
    ASSERT_NE(statusBar, nullptr);
    EXPECT_EQ(statusBar->height(), 22);
    EXPECT_TRUE(statusBar->isSizeGripEnabled());
    EXPECT_NE(Child<QWidget>(*window, "tableCounters"), nullptr);
    EXPECT_NE(Child<QWidget>(*window, "progressCounters"), nullptr);
}

TEST_F(MainWindowStart, MenusHoldTheirItemsInOrder)
{
    const auto window = MakeWindow();
    const auto texts = [](const QMenu* menu) {
        QStringList names;
        for (const QAction* action : menu->actions()) names << action->objectName() + QLatin1Char('=') + action->text();
        return names;
    };
    EXPECT_EQ(
        texts(Child<QMenu>(*window, "fileMenu")),
        (QStringList{
            QStringLiteral(u"openWebsitesAction=Open websites file…"),
            QStringLiteral(u"openUrlListAction=Open URL list…"), QStringLiteral("editWebsitesAction=Edit websites"),
            QStringLiteral("clearWebsitesAction=Clear websites"), QStringLiteral("="),
            QStringLiteral("editServicesAction=Edit services"), QStringLiteral("clearServicesAction=Clear services"),
            QStringLiteral("=Services"), QStringLiteral("="), QStringLiteral("startAction=Start"),
            QStringLiteral("abortAction=Abort"), QStringLiteral("checkFailedAgainAction=Check failed again"),
            QStringLiteral("=Export"), QStringLiteral("="), QStringLiteral("verifyTlsAction=Verify TLS certificates"),
            QStringLiteral("settingsAction=Settings\u2026"), QStringLiteral("="), QStringLiteral("exitAction=Exit")}));
    // Shown as "File" and "Help"; Alt+F and Alt+H open them.
    EXPECT_EQ(Child<QMenu>(*window, "fileMenu")->title(), QStringLiteral("&File"));
    EXPECT_EQ(Child<QMenu>(*window, "helpMenu")->title(), QStringLiteral("&Help"));
    EXPECT_EQ(texts(Child<QMenu>(*window, "helpMenu")),
              (QStringList{QStringLiteral("aboutAction=About"), QStringLiteral("onlineManualAction=Online manual"),
                           QStringLiteral("supportAction=Support request")}));
    EXPECT_EQ(texts(Child<QMenu>(*window, "servicesMenu")),
              (QStringList{QStringLiteral("loadServicesFileAction=Load Services"),
                           QStringLiteral("removeServicesFileAction=Remove Services")}));
    EXPECT_EQ(texts(Child<QMenu>(*window, "exportMenu")),
              (QStringList{QStringLiteral("exportCompletedAction=Export all completed"),
                           QStringLiteral("exportNotCompletedAction=Export all not-completed"),
                           QStringLiteral("exportAllAction=Export all entries"),
                           QStringLiteral("exportFailedAction=Export all failed")}));
    EXPECT_EQ(window->openListDialog.filter, QStringLiteral("Text files (*.txt);;All files (*)"));
    EXPECT_EQ(window->saveExportDialog.filter, QStringLiteral("Text file (*.txt);;All files (*)"));
}

struct SliderCase {
    unsigned processors;
    int min;
    int max;
    int step;
};

void PrintTo(const SliderCase& param, std::ostream* out) { *out << "processors: " << param.processors; }

class ThreadSlider : public MainWindowFixture, public testing::WithParamInterface<SliderCase> {};

TEST_P(ThreadSlider, RangeFollowsTheProcessorCount)
{
    const SliderCase& expected = GetParam();
    const auto window = MakeWindow(expected.processors);
    auto* threads = Child<SliderWithBox>(*window, "threadsSetting");
    ASSERT_NE(threads, nullptr);
    EXPECT_EQ(threads->Min(), expected.min);
    EXPECT_EQ(threads->Max(), expected.max);
    EXPECT_EQ(threads->Step(), expected.step);
    EXPECT_EQ(threads->Value(), expected.min);
    EXPECT_EQ(threads->Text(), QString::number(expected.min));
    EXPECT_EQ(threads->toolTip(), QStringLiteral("Threads number"));

    auto* timeout = Child<SliderWithBox>(*window, "timeoutSetting");
    ASSERT_NE(timeout, nullptr);
    EXPECT_EQ(timeout->Min(), 3);
    EXPECT_EQ(timeout->Max(), 30);
    EXPECT_EQ(timeout->Step(), 1);
    EXPECT_EQ(timeout->Value(), 3);
    EXPECT_EQ(timeout->toolTip(), QStringLiteral("Timeout"));
    EXPECT_EQ(window->TimeoutSeconds, 3);
}

INSTANTIATE_TEST_SUITE_P(Processors, ThreadSlider,
                         testing::Values(SliderCase{1, 1, 60, 1}, SliderCase{6, 6, 60, 6}, SliderCase{7, 7, 56, 7},
                                         SliderCase{8, 8, 56, 8}, SliderCase{12, 12, 60, 12},
                                         SliderCase{31, 31, 31, 31}, SliderCase{64, 64, 64, 64},
                                         SliderCase{0, 1, 60, 1}),
                         [](const testing::TestParamInfo<SliderCase>& info) {
                             return "processors_" + std::to_string(info.param.processors);
                         });

TEST_F(MainWindowStart, ThreadSliderOffersOnlyMultiplesOfTheProcessorCount)
{
    const auto window = MakeWindow(8);
    auto* threads = Child<SliderWithBox>(*window, "threadsSetting");
    QList<int> offered;
    for (int wanted = 0; wanted <= 70; ++wanted) {
        threads->SetValue(wanted);
        if (!offered.contains(threads->Value())) offered << threads->Value();
    }
    EXPECT_EQ(offered, (QList<int>{8, 16, 24, 32, 40, 48, 56}));
}

TEST_F(MainWindowStart, TimeoutSettingFollowsEveryChangeOfItsSlider)
{
    const auto window = MakeWindow();
    auto* timeout = Child<SliderWithBox>(*window, "timeoutSetting");
    timeout->SetValue(17);
    EXPECT_EQ(window->TimeoutSeconds, 17);
    timeout->SetValue(99);
    EXPECT_EQ(window->TimeoutSeconds, 30);

    // Typed into the box: a number in range is taken, text that is not one never arrives.
    auto* edit = timeout->findChild<QAbstractSpinBox*>(QStringLiteral("Edit"));
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("12"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(window->TimeoutSeconds, 12);
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("x9z"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(window->TimeoutSeconds, 9);
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("-"));
    QTest::keyClick(edit, Qt::Key_Return);
    edit->clearFocus();
    EXPECT_EQ(window->TimeoutSeconds, 9);
    EXPECT_EQ(timeout->Text(), QStringLiteral("9"));
}

TEST_F(MainWindowStart, ClientAreaStartsAtDesignSizeAndIsGrownBack)
{
    const auto window = MakeWindow();
    EXPECT_EQ(window->size(), QSize(733, 618));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const auto size = [&] { return window->size(); };
    window->resize(500, 400);
    EXPECT_TRUE(test::EventuallyEqual(size, QSize(733, 618), "the window grown back from 500x400"));
    window->resize(900, 400);
    EXPECT_TRUE(test::EventuallyEqual(size, QSize(900, 618), "the window grown back from 900x400"));
    window->resize(800, 700);
    EXPECT_TRUE(test::EventuallyEqual(size, QSize(800, 700), "the window left at 800x700"));
}

TEST_F(MainWindowStart, UrlColumnStretchesWithTheWindowAndTheStatusColumnKeepsItsWidth)
{
    const auto window = MakeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    auto* grid = Child<QTableView>(*window, "pingTableView");
    QHeaderView* columns = grid->horizontalHeader();
    const int statusWidth = columns->defaultSectionSize();
    const auto widths = [&] { return QSize(columns->sectionSize(0), columns->sectionSize(1)); };
    EXPECT_TRUE(test::EventuallyEqual(widths, QSize(grid->viewport()->width() - statusWidth, statusWidth),
                                      "the URL column takes what the status column leaves"));
    const int urlWidth = columns->sectionSize(0);
    window->resize(window->width() + 200, window->height());
    EXPECT_TRUE(test::EventuallyEqual(widths, QSize(urlWidth + 200, statusWidth), "200 wider"));
}

// On a screen whose available area is smaller than the design size (a 1366 x 768 laptop at 125 %, less its
// panel), the window must fit it: run again as a child on such a screen.
TEST_F(MainWindowStart, OnASmallScreenTheWindowFitsTheAvailableArea)
{
    const QSize smallScreen(1093, 580);
    if (qEnvironmentVariableIsSet("LARKSPIRE_SMALL_SCREEN_CHILD")) {
        const auto window = MakeWindow();
        ASSERT_EQ(window->screen()->availableGeometry(), QRect(QPoint(0, 0), smallScreen));
        EXPECT_EQ(window->size(), QSize(733, 580));
        EXPECT_TRUE(window->screen()->availableGeometry().contains(window->frameGeometry()));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        const QRect available = window->screen()->availableGeometry();
        EXPECT_TRUE(available.contains(window->frameGeometry())) << "opened inside, frame and all";
        const int frameHeight = window->frameGeometry().height() - window->height();
        const auto size = [&] { return window->size(); };
        window->resize(500, 400);
        EXPECT_TRUE(test::EventuallyEqual(size, QSize(733, smallScreen.height() - frameHeight),
                                          "grown back only to what the screen holds"));
        EXPECT_TRUE(available.contains(window->frameGeometry()));
        const QWidget* exportButton = Child<QWidget>(*window, "exportButton");
        EXPECT_TRUE(available.contains(QRect(exportButton->mapToGlobal(QPoint(0, 0)), exportButton->size())))
            << "Export stays reachable";
        return;
    }
    const QString config = Folder() + QStringLiteral("small-screen.json");
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral(R"({"screens": [{"name": "small", "x": 0, "y": 0, "width": %1, "height": %2,
                                               "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                   .arg(smallScreen.width())
                   .arg(smallScreen.height())
                   .toUtf8());
    file.close();
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config);
    environment.insert(QStringLiteral("LARKSPIRE_SMALL_SCREEN_CHILD"), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    const QString self = QCoreApplication::applicationFilePath();
    child.start(self, {QStringLiteral("--gtest_filter=MainWindowStart.OnASmallScreenTheWindowFitsTheAvailableArea")});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QByteArray output = child.readAll();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}

TEST_F(MainWindowStart, WindowIsCentredOnTheScreen)
{
    const auto window = MakeWindow();
    ASSERT_EQ(window->screen()->geometry(), QRect(0, 0, 800, 800)) << "not the screen this position is for";
    ASSERT_EQ(window->frameGeometry().size(), QSize(733, 618));
    // 733x618 on the offscreen platform's 800x800: 67 spare columns (the odd one goes right) and 182 rows.
    EXPECT_EQ(window->pos(), QPoint(33, 91));
}

TEST_F(MainWindowStart, RunningAndIdleStatesSwitchExactlyTheirControls)
{
    const auto window = MakeWindow();
    const char* runningDisabled[] = {
        "startButton",        "clearWebsitesButton", "clearServicesButton", "editWebsitesButton", "editServicesButton",
        "loadWebsitesButton", "servicesCombo",       "servicesMenuButton",  "exportButton",       "websitesPathEdit"};
    const char* untouched[] = {"threadsSetting", "timeoutSetting",      "pingTableView",
                               "mainMenuBar",    "processedValueLabel", "timeValueLabel"};
    for (const bool running : {true, false, true, false}) {
        SCOPED_TRACE(running ? "running" : "idle");
        window->SetRunningState(running);
        for (const char* name : runningDisabled)
            EXPECT_EQ(Child<QWidget>(*window, name)->isEnabled(), !running) << name;
        EXPECT_EQ(Child<QWidget>(*window, "abortButton")->isEnabled(), running);
        for (const char* name : untouched) EXPECT_TRUE(Child<QWidget>(*window, name)->isEnabled()) << name;
        for (const char* action : {"exitAction", "aboutAction", "onlineManualAction", "supportAction"})
            EXPECT_TRUE(Child<QAction>(*window, action)->isEnabled()) << action;
    }
}

TEST_F(MainWindowStart, LoadRemovePopupOpensAtTheButtonsLowerLeftCorner)
{
    const auto window = MakeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    auto* button = Child<QPushButton>(*window, "servicesMenuButton");
    auto* menu = Child<QMenu>(*window, "servicesMenu");
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(test::EventuallyTrue([&] { return menu->isVisible(); }, "the Load/Remove menu to show"));
    EXPECT_EQ(menu->pos(), button->mapToGlobal(QPoint(0, button->height())));
    menu->close();
}

}  // namespace
}  // namespace larkspire
