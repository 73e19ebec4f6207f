#include "ui/main/MainWindow.h"

#include "http/UrlChecker.h"
#include "lists/PingListExpansion.h"
#include "lists/PingTableColumns.h"
#include "lists/PosixFile.h"
#include "lists/ServicesFolder.h"
#include "lists/StatusKind.h"
#include "lists/TextListFile.h"
#include "run/DetachedThread.h"
#include "run/RunThread.h"
#include "ui/about/AboutWindow.h"
#include "ui/editor/ListEditorWindow.h"
#include "ui/main/CopiedRows.h"
#include "ui/main/MainWindowRunView.h"
#include "ui/main/PingTableFilter.h"
#include "ui/main/PingTableModel.h"
#include "ui/main/RunFollower.h"
#include "ui/main/RunPaceDialog.h"
#include "ui/main/RunSummaryView.h"
#include "ui/main/TableRebuildProgress.h"
#include "ui/widgets/DesktopLinks.h"
#include "ui/widgets/SliderWithBox.h"
#include "ui/widgets/WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <new>

namespace larkspire {
namespace {

constexpr int MinClientWidth = 733;
constexpr int MinClientHeight = 618;
constexpr int MaxThreads = 60;
constexpr int TimeoutMin = 3;
constexpr int TimeoutMax = 30;

const QString WebsitesPlaceholder = QStringLiteral("Insert your websites");
const QString CompletedStatus = QStringLiteral("Completed");
const QString NoFileSelected = QStringLiteral("No file selected");
const QString AbortingMessage = QStringLiteral("Aborting\u2026");

const QString OutOfMemoryMessage =
    QStringLiteral("There is not enough memory for this command; it was stopped and the program goes on");

QString DeleteQuestion(const QString& name)
{
    return name.isEmpty() ? QStringLiteral("Delete file?") : QStringLiteral("Delete file %1?").arg(name);
}

QString SameUrlWarning(const QString& servicesName)
{
    return QStringLiteral("No line of %1 holds {website}: every website gets the same URL.").arg(servicesName);
}

// Ends the command at the failing step and shows the error; steps already done stay done. Running out of
// memory is one more such error: the window and its results stay.
template <typename Command>
void RunCommand(QWidget* window, Command&& command)
{
    try {
        command();
    } catch (const LarkspireError& error) {
        Dialogs::ShowError(window, QString::fromUtf8(error.what()));
    } catch (const std::bad_alloc&) {
        Dialogs::ShowError(window, OutOfMemoryMessage);
    }
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, const QString& hint)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QLabel* MakeCaption(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QLabel* MakeValueLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setContentsMargins(5, 0, 0, 0);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSize(15);
    label->setFont(font);
    return label;
}

// The window's remembered settings, in a file of their own under the user's configuration folder.
QSettings StoredSettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Larkspire"),
                     QStringLiteral("Indexer"));
}

const QString VerifyTlsKey = QStringLiteral("VerifyTlsCertificates");
// The run pace of the Settings dialog.
const QString RetriesWhenAskedKey = QStringLiteral("pace/RetriesWhenAsked");
const QString RetriesOfFailuresKey = QStringLiteral("pace/RetriesOfFailures");
const QString ChecksPerHostKey = QStringLiteral("pace/ChecksPerHost");
const QString RequestsPerSecondKey = QStringLiteral("pace/RequestsPerSecond");
const QString GeometryKey = QStringLiteral("Window/Geometry");
const QString StatusColumnWidthKey = QStringLiteral("Window/StatusColumnWidth");
// The folder each file dialog was last left in, by what it chooses.
const QString WebsitesPlaceKey = QStringLiteral("Folders/Websites");
const QString ServicesPlaceKey = QStringLiteral("Folders/Services");
const QString UrlListPlaceKey = QStringLiteral("Folders/UrlList");
const QString ExportPlaceKey = QStringLiteral("Folders/Export");

// Opens a file dialog in the folder it was last left in and remembers the folder of the file chosen.
template <typename Dialog>
QString ChooseFileRemembering(QWidget* parent, FileDialogOptions options, const QString& placeKey, Dialog dialog)
{
    options.directory = StoredSettings().value(placeKey).toString();
    const QString path = dialog(parent, options);
    if (!path.isEmpty()) StoredSettings().setValue(placeKey, QFileInfo(path).absolutePath());
    return path;
}

// A stored pace setting, kept inside its range: the settings file is the user's to edit by hand.
int StoredPaceValue(const QSettings& settings, const QString& key, int fallback, int most)
{
    bool number = false;
    const int value = settings.value(key, fallback).toInt(&number);
    return number ? std::clamp(value, 0, most) : fallback;
}

RunPace StoredRunPace()
{
    const QSettings settings = StoredSettings();
    const RunPace defaults;
    return RunPace{
        .retriesWhenAsked =
            StoredPaceValue(settings, RetriesWhenAskedKey, defaults.retriesWhenAsked, kMostRetriesWhenAsked),
        .retriesOfFailures =
            StoredPaceValue(settings, RetriesOfFailuresKey, defaults.retriesOfFailures, kMostRetriesOfFailures),
        .checksPerHost = StoredPaceValue(settings, ChecksPerHostKey, defaults.checksPerHost, kMostChecksPerHost),
        .requestsPerSecond =
            StoredPaceValue(settings, RequestsPerSecondKey, defaults.requestsPerSecond, kMostRequestsPerSecond)};
}

void StoreRunPace(const RunPace& pace)
{
    QSettings settings = StoredSettings();
    settings.setValue(RetriesWhenAskedKey, pace.retriesWhenAsked);
    settings.setValue(RetriesOfFailuresKey, pace.retriesOfFailures);
    settings.setValue(ChecksPerHostKey, pace.checksPerHost);
    settings.setValue(RequestsPerSecondKey, pace.requestsPerSecond);
}

// A URL list line may carry a status after this separator, as the table's own text form does.
const QString UrlListSeparator = QStringLiteral("||");

QAction* MakeAction(QMenu* menu, const char* name, const QString& text, const QKeySequence& shortcut = {})
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    return action;
}

QWidget* MakeBand(QWidget* parent, const char* name, int height)
{
    auto* band = new QWidget(parent);
    band->setObjectName(QLatin1String(name));
    band->setFixedHeight(height);
    return band;
}

// A counter block: two rows of a caption and its value, in two columns of equal width.
void LayOutCounterBlock(QWidget& block, std::pair<QLabel*, QLabel*> row0, std::pair<QLabel*, QLabel*> row1)
{
    auto* grid = new QGridLayout(&block);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->addWidget(row0.first, 0, 0);
    grid->addWidget(row0.second, 0, 1);
    grid->addWidget(row1.first, 1, 0);
    grid->addWidget(row1.second, 1, 1);
}

// A save dialog's default extension: added when the chosen name has none.
QString WithDefaultExtension(const QString& path)
{
    return FileNamePart(path).contains(QLatin1Char('.')) ? path : path + QStringLiteral(".txt");
}

}  // namespace

MainWindow::MainWindow(unsigned processorCount, std::unique_ptr<AppInfo> programInfo, QWidget* parent)
    : QMainWindow(parent),
      runWindow_(std::make_shared<MainWindowRunView>(*this)),
      AbortFlag(runWindow_->AbortFlag()),
      TimeoutSeconds(runWindow_->TimeoutSeconds()),
      openListDialog{QStringLiteral("Open"), QStringLiteral("Text files (*.txt);;All files (*)"), QString()},
      saveExportDialog{QStringLiteral("Save As"), QStringLiteral("Text file (*.txt);;All files (*)"), QString()},
      processorCount_(processorCount)
{
    // Room for a run's workers, the run's other threads and Qt's own, so that the GUI thread's arena is its own.
    GiveThreadsArenasOfTheirOwn(2 * MaxThreads);
    setObjectName(QStringLiteral("mainWindow"));
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(client);

    BuildBand1();
    BuildBand2();
    BuildTable();
    BuildBand3();
    BuildMenus();

    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(5, 0, 5, 0);
    layout->setSpacing(0);
    layout->addWidget(listsBand);
    layout->addWidget(runButtonsBand);
    layout->addWidget(tablePanel, 1);
    layout->addWidget(countersBand);
    resize(MinClientSizeOnScreen(*this, {MinClientWidth, MinClientHeight}));

    ConnectHandlers();
    SetUpOnCreate(std::move(programInfo));
}

MainWindow::~MainWindow()
{
    // A run still under way must not reach this window any more; its threads end on their own.
    runWindow_->Close();
    StorePlaces();
    TearDownOnDestroy();
}

void MainWindow::BuildBand1()
{
    listsBand = MakeBand(this, "listsBand", 97);
    QWidget* band = listsBand;

    clearWebsitesButton = MakeButton(band, "clearWebsitesButton", QStringLiteral("Clear"),
                                     QStringLiteral("Clear your website file path"));
    editWebsitesButton =
        MakeButton(band, "editWebsitesButton", QStringLiteral("Edit"), QStringLiteral("Edit your websites list"));
    websitesPathEdit = new QLineEdit(WebsitesPlaceholder, band);
    websitesPathEdit->setObjectName(QStringLiteral("websitesPathEdit"));
    loadWebsitesButton =
        MakeButton(band, "loadWebsitesButton", QStringLiteral("Load"), QStringLiteral("Load file for websites"));
    threadsCaption = MakeCaption(band, "threadsCaption", QStringLiteral("Threads #"));
    threadsSetting = new SliderWithBox(band);
    threadsSetting->setObjectName(QStringLiteral("threadsSetting"));
    threadsSetting->setToolTip(QStringLiteral("Threads number"));

    clearServicesButton =
        MakeButton(band, "clearServicesButton", QStringLiteral("Clear"), QStringLiteral("Clear indexing sites"));
    editServicesButton =
        MakeButton(band, "editServicesButton", QStringLiteral("Edit"), QStringLiteral("Edit pinging list"));
    servicesCombo = new QComboBox(band);
    servicesCombo->setObjectName(QStringLiteral("servicesCombo"));
    servicesMenuButton = MakeButton(band, "servicesMenuButton", QStringLiteral("Load/Remove"),
                                    QStringLiteral("Load or Remove index files"));
    timeoutCaption = MakeCaption(band, "timeoutCaption", QStringLiteral("Timeout (seconds)"));
    timeoutSetting = new SliderWithBox(band);
    timeoutSetting->setObjectName(QStringLiteral("timeoutSetting"));
    timeoutSetting->setToolTip(QStringLiteral("Timeout"));

    // Columns 70, 75, the rest, 90, 110 and 100 wide; the controls keep a small gap inside their cells.
    const int widths[] = {70, 75, 0, 90, 110, 100};
    auto* grid = new QGridLayout(band);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(0);
    for (int column = 0; column < 6; ++column) {
        grid->setColumnMinimumWidth(column, widths[column]);
        grid->setColumnStretch(column, widths[column] == 0 ? 1 : 0);
    }
    grid->setRowStretch(0, 1);
    grid->setRowStretch(1, 1);
    const QList<QList<QWidget*>> rows = {
        {clearWebsitesButton, editWebsitesButton, websitesPathEdit, loadWebsitesButton, threadsCaption, threadsSetting},
        {clearServicesButton, editServicesButton, servicesCombo, servicesMenuButton, timeoutCaption, timeoutSetting},
    };
    for (int column = 0; column < 6; ++column) {
        // Both controls of a fixed column are equally wide, and never narrower than their text needs.
        int width = widths[column] - 6;
        for (const auto& row : rows) width = std::max(width, row[column]->sizeHint().width());
        for (int row = 0; row < 2; ++row) {
            if (widths[column] != 0) rows[row][column]->setFixedWidth(width);
            grid->addWidget(rows[row][column], row, column, Qt::AlignCenter);
        }
    }
    // The two text controls fill their column.
    grid->setAlignment(websitesPathEdit, Qt::AlignVCenter);
    grid->setAlignment(servicesCombo, Qt::AlignVCenter);
}

void MainWindow::BuildBand2()
{
    runButtonsBand = MakeBand(this, "runButtonsBand", 56);
    startButton = MakeButton(runButtonsBand, "startButton", QStringLiteral("Start"), QStringLiteral("Start pinging"));
    startButton->setFixedSize(175, 30);
    abortButton = MakeButton(runButtonsBand, "abortButton", QStringLiteral("Abort"), QString());
    abortButton->setFixedSize(150, 30);
    abortButton->setEnabled(false);

    auto* grid = new QGridLayout(runButtonsBand);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->addWidget(startButton, 0, 0, Qt::AlignCenter);
    grid->addWidget(abortButton, 0, 1, Qt::AlignCenter);
}

void MainWindow::BuildTable()
{
    tablePanel = new QFrame(this);
    tablePanel->setObjectName(QStringLiteral("tablePanel"));
    pingTableView = new QTableView(tablePanel);
    pingTableView->setObjectName(QStringLiteral("pingTableView"));

    tableModel_ = std::make_unique<PingTableModel>(Table);
    tableFilter_ = std::make_unique<PingTableFilter>(Table, *tableModel_);
    pingTableView->setModel(tableFilter_.get());
    runFollower_ = new RunFollower(*pingTableView, *tableFilter_);
    pingTableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    pingTableView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    pingTableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab moves on to the next control instead of walking a million cells.
    pingTableView->setTabKeyNavigation(false);
    pingTableView->setContextMenuPolicy(Qt::CustomContextMenu);
    pingTableView->setShowGrid(true);
    pingTableView->setWordWrap(false);
    pingTableView->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Every row equally high, so the view never measures rows: a million of them scroll as smoothly as ten.
    QHeaderView* rows = pingTableView->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(21);
    rows->hide();
    QHeaderView* columns = pingTableView->horizontalHeader();
    // The URL column takes the width the window gives; the status column keeps its own.
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setSectionResizeMode(PingTable::ColumnUrl, QHeaderView::Stretch);
    // A click on a header sorts by it, a second the other way, a third back to the table's order.
    columns->setSortIndicatorClearable(true);
    columns->setSortIndicator(-1, Qt::AscendingOrder);
    pingTableView->setSortingEnabled(true);
    // The selected row stays marked while the focus is elsewhere.
    QPalette palette = pingTableView->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    pingTableView->setPalette(palette);

    BuildTableFilterBar();
    BuildTableMenu();
    auto* layout = new QVBoxLayout(tablePanel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(tableFilterBar);
    layout->addWidget(pingTableView);
}

void MainWindow::BuildTableFilterBar()
{
    tableFilterBar = new QWidget(tablePanel);
    tableFilterBar->setObjectName(QStringLiteral("tableFilterBar"));
    auto* showCaption = new QLabel(QStringLiteral("&Show"), tableFilterBar);
    statusFilterCombo = new QComboBox(tableFilterBar);
    statusFilterCombo->setObjectName(QStringLiteral("statusFilterCombo"));
    statusFilterCombo->addItem(QStringLiteral("All"), static_cast<int>(StatusFilter::All));
    statusFilterCombo->addItem(QStringLiteral("Completed"), static_cast<int>(StatusFilter::Completed));
    statusFilterCombo->addItem(QStringLiteral("Failed"), static_cast<int>(StatusFilter::Failed));
    statusFilterCombo->addItem(QStringLiteral("Not checked"), static_cast<int>(StatusFilter::NotChecked));
    showCaption->setBuddy(statusFilterCombo);
    urlFilterEdit = new QLineEdit(tableFilterBar);
    urlFilterEdit->setObjectName(QStringLiteral("urlFilterEdit"));
    urlFilterEdit->setPlaceholderText(QStringLiteral("Filter URLs"));
    urlFilterEdit->setClearButtonEnabled(true);

    auto* layout = new QHBoxLayout(tableFilterBar);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->addWidget(showCaption);
    layout->addWidget(statusFilterCombo);
    layout->addWidget(urlFilterEdit, 1);
}

void MainWindow::BuildTableMenu()
{
    tableMenu = new QMenu(this);
    tableMenu->setObjectName(QStringLiteral("tableMenu"));
    copyUrlAction = MakeAction(tableMenu, "copyUrlAction", QStringLiteral("Copy URL"));
    copyRowsAction = MakeAction(tableMenu, "copyRowsAction", QStringLiteral("Copy rows"), QKeySequence::Copy);
    // Ctrl+C belongs to the table, not to the fields that have their own copy.
    copyRowsAction->setShortcutContext(Qt::WidgetShortcut);
    pingTableView->addAction(copyRowsAction);
    openInBrowserAction = MakeAction(tableMenu, "openInBrowserAction", QStringLiteral("Open in browser"));
    tableMenu->addSeparator();
    checkAgainAction = MakeAction(tableMenu, "checkAgainAction", QStringLiteral("Check again"));
    checkFailedAgainAction = MakeAction(tableMenu, "checkFailedAgainAction", QStringLiteral("Check failed again"));
}

void MainWindow::BuildBand3()
{
    countersBand = MakeBand(this, "countersBand", 98);
    QWidget* band = countersBand;

    tableCounters = new QWidget(band);
    tableCounters->setObjectName(QStringLiteral("tableCounters"));
    websitesServicesCaption =
        MakeCaption(tableCounters, "websitesServicesCaption", QStringLiteral("Websites/Services for website"));
    websitesServicesValueLabel = MakeValueLabel(tableCounters, "websitesServicesValueLabel", QStringLiteral("0/0"));
    totalUrlsCaption = MakeCaption(tableCounters, "totalUrlsCaption", QStringLiteral("Total Url Loaded"));
    totalUrlsValueLabel = MakeValueLabel(tableCounters, "totalUrlsValueLabel", QStringLiteral("0"));

    progressCounters = new QWidget(band);
    progressCounters->setObjectName(QStringLiteral("progressCounters"));
    processedCaption = MakeCaption(progressCounters, "processedCaption", QStringLiteral("Processed"));
    processedValueLabel = MakeValueLabel(progressCounters, "processedValueLabel", QStringLiteral("0"));
    timeCaption = MakeCaption(progressCounters, "timeCaption", QStringLiteral("Time"));
    timeValueLabel = MakeValueLabel(progressCounters, "timeValueLabel", QStringView(ZeroTimeText).toString());

    LayOutCounterBlock(*tableCounters, {websitesServicesCaption, websitesServicesValueLabel},
                       {totalUrlsCaption, totalUrlsValueLabel});
    LayOutCounterBlock(*progressCounters, {processedCaption, processedValueLabel}, {timeCaption, timeValueLabel});

    exportButton = MakeButton(band, "exportButton", QStringLiteral("Export"), QStringLiteral("Export pinged list"));
    exportButton->setFixedSize(149, 26);
    bottomStatusBar = new QStatusBar(band);
    bottomStatusBar->setObjectName(QStringLiteral("bottomStatusBar"));
    bottomStatusBar->setSizeGripEnabled(true);
    bottomStatusBar->setFixedHeight(22);
    runSummaryView = new RunSummaryView(bottomStatusBar);
    bottomStatusBar->addPermanentWidget(runSummaryView);

    // Columns 39.5 %, 39.5 % and 21 % of the width.
    auto* grid = new QGridLayout(band);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->setColumnStretch(0, 395);
    grid->setColumnStretch(1, 395);
    grid->setColumnStretch(2, 210);
    grid->setRowStretch(0, 1);
    grid->addWidget(tableCounters, 0, 0);
    grid->addWidget(progressCounters, 0, 1);
    grid->addWidget(exportButton, 0, 2, Qt::AlignCenter);
    grid->addWidget(bottomStatusBar, 1, 0, 1, 3);
}

void MainWindow::BuildMenus()
{
    mainMenuBar = menuBar();
    mainMenuBar->setObjectName(QStringLiteral("mainMenuBar"));
    fileMenu = mainMenuBar->addMenu(QStringLiteral("&File"));
    fileMenu->setObjectName(QStringLiteral("fileMenu"));
    QMenu* file = fileMenu;
    BuildFileMenu();
    // Off unless the user turned it on: old and self-signed servers are what a pinger meets.
    verifyTlsAction = MakeAction(file, "verifyTlsAction", QStringLiteral("Verify TLS certificates"));
    verifyTlsAction->setCheckable(true);
    verifyTlsAction->setChecked(StoredSettings().value(VerifyTlsKey, false).toBool());
    settingsAction = MakeAction(file, "settingsAction", QStringLiteral("Settings\u2026"));
    runPaceDialog = new RunPaceDialog(this);
    file->addSeparator();
    exitAction = MakeAction(file, "exitAction", QStringLiteral("Exit"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    QMenu* help = mainMenuBar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    aboutAction = MakeAction(help, "aboutAction", QStringLiteral("About"));
    onlineManualAction =
        MakeAction(help, "onlineManualAction", QStringLiteral("Online manual"), QKeySequence(Qt::Key_F1));
    supportAction = MakeAction(help, "supportAction", QStringLiteral("Support request"));
}

void MainWindow::BuildFileMenu()
{
    QMenu* file = fileMenu;
    openWebsitesAction = MakeAction(file, "openWebsitesAction", QStringLiteral("Open websites file\u2026"),
                                    QKeySequence(Qt::CTRL | Qt::Key_O));
    openUrlListAction = MakeAction(file, "openUrlListAction", QStringLiteral("Open URL list\u2026"),
                                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    editWebsitesAction =
        MakeAction(file, "editWebsitesAction", QStringLiteral("Edit websites"), QKeySequence(Qt::CTRL | Qt::Key_E));
    clearWebsitesAction = MakeAction(file, "clearWebsitesAction", QStringLiteral("Clear websites"));
    file->addSeparator();
    editServicesAction = MakeAction(file, "editServicesAction", QStringLiteral("Edit services"));
    clearServicesAction = MakeAction(file, "clearServicesAction", QStringLiteral("Clear services"));
    servicesMenu = new QMenu(QStringLiteral("Services"), this);
    servicesMenu->setObjectName(QStringLiteral("servicesMenu"));
    loadServicesFileAction = MakeAction(servicesMenu, "loadServicesFileAction", QStringLiteral("Load Services"));
    removeServicesFileAction = MakeAction(servicesMenu, "removeServicesFileAction", QStringLiteral("Remove Services"));
    file->addMenu(servicesMenu);
    file->addSeparator();
    startAction = MakeAction(file, "startAction", QStringLiteral("Start"), QKeySequence(Qt::CTRL | Qt::Key_Return));
    startAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    abortAction = MakeAction(file, "abortAction", QStringLiteral("Abort"), QKeySequence(Qt::Key_Escape));
    abortAction->setEnabled(false);
    file->addAction(checkFailedAgainAction);
    exportMenu = new QMenu(QStringLiteral("Export"), this);
    exportMenu->setObjectName(QStringLiteral("exportMenu"));
    exportCompletedAction = MakeAction(exportMenu, "exportCompletedAction", QStringLiteral("Export all completed"),
                                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    exportNotCompletedAction =
        MakeAction(exportMenu, "exportNotCompletedAction", QStringLiteral("Export all not-completed"),
                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    exportAllAction = MakeAction(exportMenu, "exportAllAction", QStringLiteral("Export all entries"),
                                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    exportFailedAction = MakeAction(exportMenu, "exportFailedAction", QStringLiteral("Export all failed"),
                                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    file->addMenu(exportMenu);
    file->addSeparator();
}

void MainWindow::ConnectHandlers()
{
    connect(startButton, &QPushButton::clicked, this, &MainWindow::onStartClicked);
    connect(abortButton, &QPushButton::clicked, this, &MainWindow::onAbortClicked);
    connect(loadWebsitesButton, &QPushButton::clicked, this, &MainWindow::onLoadWebsitesClicked);
    connect(clearWebsitesButton, &QPushButton::clicked, this, &MainWindow::onClearWebsitesClicked);
    connect(editWebsitesButton, &QPushButton::clicked, this, &MainWindow::onEditWebsitesClicked);
    connect(editServicesButton, &QPushButton::clicked, this, &MainWindow::onEditServicesClicked);
    connect(clearServicesButton, &QPushButton::clicked, this, &MainWindow::onClearServicesClicked);
    connect(servicesCombo, &QComboBox::currentIndexChanged, this, &MainWindow::onServicesSelectionChanged);
    connect(servicesMenuButton, &QPushButton::clicked, this, &MainWindow::onServicesMenuClicked);
    connect(loadServicesFileAction, &QAction::triggered, this, &MainWindow::onLoadServicesFileTriggered);
    connect(removeServicesFileAction, &QAction::triggered, this, &MainWindow::onRemoveServicesFileTriggered);
    connect(timeoutSetting, &SliderWithBox::Changed, this, &MainWindow::onTimeoutChanged);
    connect(exportButton, &QPushButton::clicked, this, &MainWindow::onExportClicked);
    connect(exportCompletedAction, &QAction::triggered, this, &MainWindow::onExportCompletedTriggered);
    connect(exportNotCompletedAction, &QAction::triggered, this, &MainWindow::onExportNotCompletedTriggered);
    connect(exportAllAction, &QAction::triggered, this, &MainWindow::onExportAllTriggered);
    connect(exportFailedAction, &QAction::triggered, this, &MainWindow::onExportFailedTriggered);
    connect(openWebsitesAction, &QAction::triggered, this, &MainWindow::onLoadWebsitesClicked);
    connect(openUrlListAction, &QAction::triggered, this, &MainWindow::onOpenUrlListTriggered);
    connect(editWebsitesAction, &QAction::triggered, this, &MainWindow::onEditWebsitesClicked);
    connect(clearWebsitesAction, &QAction::triggered, this, &MainWindow::onClearWebsitesClicked);
    connect(editServicesAction, &QAction::triggered, this, &MainWindow::onEditServicesClicked);
    connect(clearServicesAction, &QAction::triggered, this, &MainWindow::onClearServicesClicked);
    connect(startAction, &QAction::triggered, this, &MainWindow::onStartClicked);
    connect(abortAction, &QAction::triggered, this, &MainWindow::onAbortClicked);
    connect(checkAgainAction, &QAction::triggered, this, &MainWindow::onCheckAgainTriggered);
    connect(checkFailedAgainAction, &QAction::triggered, this, &MainWindow::onCheckFailedAgainTriggered);
    connect(copyUrlAction, &QAction::triggered, this, &MainWindow::onCopyUrlTriggered);
    connect(copyRowsAction, &QAction::triggered, this, &MainWindow::onCopyRowsTriggered);
    connect(openInBrowserAction, &QAction::triggered, this, &MainWindow::onPingTableDoubleClicked);
    connect(pingTableView, &QWidget::customContextMenuRequested, this, &MainWindow::onTableContextMenu);
    connect(statusFilterCombo, &QComboBox::currentIndexChanged, this, &MainWindow::onTableFilterChanged);
    connect(urlFilterEdit, &QLineEdit::textChanged, this, &MainWindow::onTableFilterChanged);
    connect(verifyTlsAction, &QAction::toggled, this, [](bool on) { StoredSettings().setValue(VerifyTlsKey, on); });
    connect(settingsAction, &QAction::triggered, this, &MainWindow::onSettingsTriggered);
    connect(runPaceDialog, &QDialog::accepted, this, [this] { StoreRunPace(runPaceDialog->Pace()); });
    connect(exitAction, &QAction::triggered, this, &MainWindow::onExitTriggered);
    connect(aboutAction, &QAction::triggered, this, &MainWindow::onAboutTriggered);
    connect(onlineManualAction, &QAction::triggered, this, &MainWindow::onOnlineManualTriggered);
    connect(supportAction, &QAction::triggered, this, &MainWindow::onSupportTriggered);
}

void MainWindow::SetUpOnCreate(std::unique_ptr<AppInfo> programInfo)
{
    ProgramInfo = std::move(programInfo);
    setWindowTitle(QString::fromStdString(ProgramInfo->mainWindowCaption));
    ServicesFolderPath = PathFromNative(QByteArray::fromStdString(ProgramInfo->servicesFolder));
    ClearColumn(Table, 0);
    AdjustTrackbars();
    // A services file that cannot be read is reported, and the window still comes up whole.
    RunCommand(this, [this] { ReloadServicesList(QString()); });
    CenterInAvailableArea(*this);
    RestorePlaces();
    pingTableView->viewport()->installEventFilter(this);
}

void MainWindow::RestorePlaces()
{
    const QSettings settings = StoredSettings();
    const QByteArray geometry = settings.value(GeometryKey).toByteArray();
    if (!geometry.isEmpty()) restoreGeometry(geometry);
    const int statusWidth = settings.value(StatusColumnWidthKey, 0).toInt();
    if (statusWidth > 0) pingTableView->horizontalHeader()->resizeSection(PingTable::ColumnPing, statusWidth);
}

void MainWindow::StorePlaces()
{
    QSettings settings = StoredSettings();
    settings.setValue(GeometryKey, saveGeometry());
    settings.setValue(StatusColumnWidthKey, pingTableView->horizontalHeader()->sectionSize(PingTable::ColumnPing));
}

void MainWindow::TearDownOnDestroy() { ProgramInfo.reset(); }

void MainWindow::SetTextEditor(ListEditorWindow* editor) { textEditor_ = editor; }

void MainWindow::SetAboutWindow(AboutWindow* about) { aboutWindow_ = about; }

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    LayOutOnResize();
}

void MainWindow::LayOutOnResize()
{
    // On a small or scaled screen the designed minimum would put the counters and Export out of reach.
    const QSize minimum = MinClientSizeOnScreen(*this, {MinClientWidth, MinClientHeight});
    EnsureMinClientSize(*this, minimum.width(), minimum.height());
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The frame is known once the window is shown: frame and all, it stays inside the screen's free area.
    if (!event->spontaneous()) FitIntoAvailableArea(*this);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    // Closing this window ends the program even while the About window is open.
    QCoreApplication::quit();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == pingTableView->viewport() && event->type() == QEvent::MouseButtonDblClick)
        onPingTableDoubleClicked();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::AdjustTrackbars()
{
    // A processor count of 0 means the system could not tell; one processor is the safe reading.
    const int processors = static_cast<int>(std::max(processorCount_, 1u));
    threadsSetting->SetMin(processors);
    threadsSetting->SetMax(MaxThreads - MaxThreads % processors);
    threadsSetting->SetStep(processors);

    timeoutSetting->SetMin(TimeoutMin);
    timeoutSetting->SetMax(TimeoutMax);
}

void MainWindow::onTimeoutChanged() { TimeoutSeconds = timeoutSetting->Text().toInt(); }

void MainWindow::SetRunningState(bool running)
{
    startButton->setEnabled(!running);
    abortButton->setEnabled(running);
    if (!running && bottomStatusBar->currentMessage() == AbortingMessage) bottomStatusBar->clearMessage();
    for (QWidget* control : std::initializer_list<QWidget*>{
             clearWebsitesButton, clearServicesButton, editWebsitesButton, editServicesButton, loadWebsitesButton,
             servicesCombo, servicesMenuButton, exportButton, websitesPathEdit})
        control->setEnabled(!running);
    // Checking rows again changes the table a run is working on: idle only.
    checkAgainAction->setEnabled(!running);
    checkFailedAgainAction->setEnabled(!running);
    openUrlListAction->setEnabled(!running);
    if (running) runFollower_->Resume();
    MatchActionsToButtons();
}

void MainWindow::MatchActionsToButtons()
{
    const std::pair<QAction*, QWidget*> copies[] = {{openWebsitesAction, loadWebsitesButton},
                                                    {editWebsitesAction, editWebsitesButton},
                                                    {clearWebsitesAction, clearWebsitesButton},
                                                    {editServicesAction, editServicesButton},
                                                    {clearServicesAction, clearServicesButton},
                                                    {loadServicesFileAction, servicesMenuButton},
                                                    {removeServicesFileAction, servicesMenuButton},
                                                    {startAction, startButton},
                                                    {abortAction, abortButton},
                                                    {exportCompletedAction, exportButton},
                                                    {exportNotCompletedAction, exportButton},
                                                    {exportAllAction, exportButton},
                                                    {exportFailedAction, exportButton}};
    for (const auto& [action, button] : copies) action->setEnabled(button->isEnabled());
}

void MainWindow::ScrollRowToTop(int row) { runFollower_->Follow(row); }

std::vector<int> MainWindow::SelectedTableRows() const
{
    return PingTableFilter::TableRows(*tableFilter_, pingTableView->selectionModel()->selection());
}

int MainWindow::SelectedTableRow() const
{
    const QItemSelectionModel& selection = *pingTableView->selectionModel();
    const QModelIndex current = pingTableView->currentIndex();
    if (current.isValid() && selection.isRowSelected(current.row())) return tableFilter_->mapToSource(current).row();
    const std::vector<int> rows = SelectedTableRows();
    return rows.empty() ? -1 : rows.front();
}

void MainWindow::ReloadPingTable()
{
    // Always rebuilt, so that no row of an earlier list outlives it, also when the lists now give none.
    // The old rows go first, also when the build then fails and leaves the table empty.
    statusTally_.Reset(0);
    runSummaryView->Show(statusTally_);
    if (tableIsUrlList_) {
        // Each URL is a row of its own, as if one website had one service.
        FillColumnsFromLines(Table, urlListLines_, PingTable::ColumnUrl, Table.ColumnCount(), UrlListSeparator);
        rowSourceCounts_ = {Table.RowCount(), Table.RowCount() > 0 ? 1 : 0};
    } else {
        rowSourceCounts_ = RebuildPingTableShowingProgress(Table, WebsitesList, ServicesList, *bottomStatusBar);
    }
    statusTally_.Reset(Table.RowCount());
    runSummaryView->Show(statusTally_);
    RefreshCounters();
}

void MainWindow::RefreshCounters()
{
    websitesServicesValueLabel->setText(WebsitesNumberText(rowSourceCounts_.Websites, rowSourceCounts_.Templates));
    totalUrlsValueLabel->setText(TotalUrlText(Table.RowCount()));
    timeValueLabel->setText(QStringView(ZeroTimeText).toString());
}

void MainWindow::ReloadServicesList(const QString& nameToSelect)
{
    ServicesList.clear();
    QStringList names;
    ListFilesByMask(ServicesFolderPath, QStringLiteral("*.txt"), names);
    // Emptying the selector deselects (a change with nothing selected, so nothing to load); the new
    // items come in unselected, and selecting the first one below is the change that loads it.
    SelectServicesItem(-1);
    {
        const QSignalBlocker unselectedItems(servicesCombo);
        servicesCombo->clear();
        servicesCombo->addItems(names);
        servicesCombo->setCurrentIndex(-1);
    }
    if (servicesCombo->count() > 0)
        SelectServicesItem(std::max(0, servicesCombo->findText(nameToSelect)));
    else
        ReloadPingTable();  // no services file, no rows
    RefreshCounters();
}

void MainWindow::SelectServicesItem(int index)
{
    if (servicesCombo->currentIndex() == index) return;
    {
        const QSignalBlocker programmaticChange(servicesCombo);
        servicesCombo->setCurrentIndex(index);
    }
    LoadSelectedServices();
}

void MainWindow::LoadSelectedServices()
{
    if (servicesCombo->currentIndex() < 0) return;
    const QString name = servicesCombo->currentText();
    try {
        LoadTextList(ServicesFolderPath + name, ServicesList);
    } catch (const LarkspireError&) {
        // The selector shows the file that failed: no rows of the file before it may stay and be pinged.
        ServicesList.clear();
        ReloadPingTable();
        throw;
    }
    ReloadPingTable();
    if (rowSourceCounts_.Templates > 0 && !HoldsPlaceholder(ServicesList))
        bottomStatusBar->showMessage(SameUrlWarning(name));
    else
        bottomStatusBar->clearMessage();
}

void MainWindow::onServicesSelectionChanged()
{
    RunCommand(this, [this] { LoadSelectedServices(); });
}

void MainWindow::onClearServicesClicked()
{
    RunCommand(this, [this] {
        if (servicesCombo->count() > 0) SelectServicesItem(0);
        RefreshCounters();
    });
}

void MainWindow::onServicesMenuClicked() { PopupMenuUnderControl(*this, *servicesMenuButton, *servicesMenu); }

void MainWindow::onLoadServicesFileTriggered()
{
    RunCommand(this, [this] {
        const QString path = ChooseListToOpen(ServicesPlaceKey);
        if (path.isEmpty()) return;
        const QString name = AddServicesFile(path, ServicesFolderPath);
        Dialogs::ShowMessage(this, ServicesFileLoadedMessage(name));
        ReloadServicesList(name);
    });
}

void MainWindow::onRemoveServicesFileTriggered()
{
    RunCommand(this, [this] {
        const bool selected = servicesCombo->currentIndex() >= 0;
        const QString name = servicesCombo->currentText();
        if (!Dialogs::Confirm(this, DeleteQuestion(selected ? name : QString()))) return;
        // With no services file there is nothing to delete. A file that cannot be deleted is reported, and
        // the rescan follows either way.
        if (selected)
            RunCommand(this, [&] {
                RemoveServicesFile(ServicesFolderPath + name);
                Dialogs::ShowMessage(this, ServicesFileDeletedMessage(name));
            });
        ReloadServicesList(QString());
    });
}

QString MainWindow::ChooseListToOpen(const QString& placeKey)
{
    return ChooseFileRemembering(this, openListDialog, placeKey, Dialogs::GetOpenFileName);
}

void MainWindow::onLoadWebsitesClicked() { OpenIntoWebsitesField(WebsitesPlaceKey, false); }

void MainWindow::onOpenUrlListTriggered() { OpenIntoWebsitesField(UrlListPlaceKey, true); }

void MainWindow::OpenIntoWebsitesField(const QString& placeKey, bool urlList)
{
    RunCommand(this, [&] {
        const QString path = ChooseListToOpen(placeKey);
        if (path.isEmpty()) return;
        websitesPathEdit->setText(path);
        tableIsUrlList_ = urlList;
        (urlList ? WebsitesList : urlListLines_).clear();
        LoadWebsitesField();
        ReloadPingTable();
    });
}

void MainWindow::LoadWebsitesField()
{
    LoadTextList(websitesPathEdit->text(), tableIsUrlList_ ? urlListLines_ : WebsitesList);
}

void MainWindow::onClearWebsitesClicked()
{
    websitesPathEdit->setText(WebsitesPlaceholder);
    WebsitesList.clear();
    tableIsUrlList_ = false;
    urlListLines_.clear();
    ReloadPingTable();
}

void MainWindow::onExportClicked() { PopupMenuUnderControl(*this, *exportButton, *exportMenu); }

void MainWindow::onExportFailedTriggered()
{
    RunCommand(this, [this] {
        const QString path = ChooseExportPath();
        if (!path.isEmpty()) ExportFailedUrls(Table, path);
    });
}

QString MainWindow::ChooseExportPath()
{
    const QString path = ChooseFileRemembering(this, saveExportDialog, ExportPlaceKey, Dialogs::GetSaveFileName);
    return path.isEmpty() ? path : WithDefaultExtension(path);
}

void MainWindow::onExportCompletedTriggered() { ExportSelection(PingTable::ColumnPing, CompletedStatus); }

void MainWindow::onExportNotCompletedTriggered() { ExportSelection(PingTable::ColumnPing, QString()); }

void MainWindow::onExportAllTriggered() { ExportSelection(0, QString()); }

void MainWindow::ExportSelection(int filterColumn, const QString& filterText)
{
    RunCommand(this, [&] {
        const QString path = ChooseExportPath();
        if (!path.isEmpty()) ExportColumn(Table, path, PingTable::ColumnUrl, filterColumn, filterText);
    });
}

void MainWindow::onPingTableDoubleClicked()
{
    const QString url = Table.GetCell(PingTable::ColumnUrl, SelectedTableRow());
    if (!IsWebAddress(url)) {
        Dialogs::ShowMessage(this, NotAWebAddressMessage(url));
        return;
    }
    OpenWithShell(url);
}

void MainWindow::onOnlineManualTriggered() { OpenLink(this, OnlineManualAddress()); }

void MainWindow::onSupportTriggered() { OpenLink(this, SupportLink(*ProgramInfo)); }

void MainWindow::onAboutTriggered()
{
    Q_ASSERT(aboutWindow_ != nullptr);
    aboutWindow_->show();
    aboutWindow_->raise();
    aboutWindow_->activateWindow();
}

void MainWindow::onEditWebsitesClicked()
{
    RunCommand(this, [this] {
        if (!IsExistingFile(websitesPathEdit->text())) {
            Dialogs::ShowMessage(this, NoFileSelected);
            return;
        }
        EditFile(websitesPathEdit->text());
        LoadWebsitesField();
        ReloadPingTable();
    });
}

void MainWindow::onEditServicesClicked()
{
    RunCommand(this, [this] {
        // An empty services folder leaves nothing to edit.
        if (servicesCombo->currentIndex() < 0) {
            Dialogs::ShowMessage(this, NoFileSelected);
            return;
        }
        EditFile(ServicesFolderPath + servicesCombo->currentText());
        LoadSelectedServices();
    });
}

void MainWindow::EditFile(const QString& path)
{
    Q_ASSERT(textEditor_ != nullptr);
    textEditor_->currentFilename = path;
    textEditor_->LoadFile(path);
    textEditor_->ShowModal();
}

void MainWindow::onExitTriggered() { QCoreApplication::quit(); }

// Window-modal and returning at once: the dialog starts from what was last kept, and only OK keeps its values.
void MainWindow::onSettingsTriggered()
{
    runPaceDialog->SetPace(StoredRunPace());
    runPaceDialog->open();
}

void MainWindow::onStartClicked() { StartChecking({}); }

void MainWindow::onCheckAgainTriggered()
{
    std::vector<int> rows = SelectedTableRows();
    if (!rows.empty()) StartChecking(std::move(rows));
}

void MainWindow::onCheckFailedAgainTriggered()
{
    std::vector<int> rows;
    for (int row = 0; row < Table.RowCount(); ++row)
        if (IsFailure(StatusKindOf(Table.GetCell(PingTable::ColumnPing, row)))) rows.push_back(row);
    if (!rows.empty()) StartChecking(std::move(rows));
}

void MainWindow::onCopyUrlTriggered()
{
    const int row = SelectedTableRow();
    if (row >= 0) QGuiApplication::clipboard()->setText(Table.GetCell(PingTable::ColumnUrl, row));
}

void MainWindow::onCopyRowsTriggered()
{
    const std::vector<int> rows = SelectedTableRows();
    if (!rows.empty()) QGuiApplication::clipboard()->setText(CopiedRowsText(Table, rows));
}

void MainWindow::onTableContextMenu(const QPoint& position)
{
    tableMenu->popup(pingTableView->viewport()->mapToGlobal(position));
}

void MainWindow::onTableFilterChanged()
{
    runFollower_->ChangeView([this] {
        tableFilter_->SetStatusFilter(static_cast<StatusFilter>(statusFilterCombo->currentData().toInt()));
        tableFilter_->SetUrlText(urlFilterEdit->text());
    });
}

void MainWindow::StartChecking(std::vector<int> rows)
{
    try {
        RunOptions options;
        options.checker = verifyTlsAction->isChecked() ? CheckUrlStatusVerifyingTls : CheckUrlStatus;
        options.pace = StoredRunPace();
        runWindow_->CheckRows(std::move(rows));
        StartRun(runWindow_, options);
    } catch (const LarkspireError& error) {
        Dialogs::ShowError(this, QString::fromStdString(error.what()));
    } catch (const std::bad_alloc&) {
        Dialogs::ShowError(this, OutOfMemoryMessage);
    }
}

void MainWindow::onAbortClicked()
{
    AbortFlag = true;
    if (!abortButton->isEnabled()) return;
    // The checks under way take a moment to end: until the idle state is back, the window says so and a second
    // Abort cannot be asked for.
    abortButton->setEnabled(false);
    abortAction->setEnabled(false);
    bottomStatusBar->showMessage(AbortingMessage);
}

}  // namespace larkspire
