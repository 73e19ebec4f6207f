#include "ui/formMain.h"

#include "lists/FileUtil.h"
#include "lists/PingListExpansion.h"
#include "lists/StringGridUtil.h"
#include "ui/BrowserUtil.h"
#include "ping/RunThread.h"
#include "ui/ComboTrackBar.h"
#include "ui/FormRunWindow.h"
#include "ui/PingTableModel.h"
#include "ui/WindowUtil.h"
#include "ui/formAbout.h"
#include "ui/formTextEditor.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

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

// Ends the command at the failing step and shows the error; steps already done stay done.
template <typename Command>
void RunCommand(QWidget* window, Command&& command)
{
    try {
        command();
    } catch (const LarkspireError& error) {
        Dialogs::ShowError(window, QString::fromUtf8(error.what()));
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

QAction* MakeAction(QMenu* menu, const char* name, const QString& text)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
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

TTFormMain::TTFormMain(unsigned processorCount, std::unique_ptr<CommonVars> globalVariables, QWidget* parent)
    : QMainWindow(parent),
      runWindow_(std::make_shared<TFormRunWindow>(*this)),
      StopThreadingFlag(runWindow_->StopThreadingFlag()),
      TimeoutThreads(runWindow_->TimeoutThreads()),
      OpenDialog1{QStringLiteral("Open"), QStringLiteral("Text files (*.txt)"), QString()},
      SaveDialog1{QStringLiteral("Save As"), QStringLiteral("Text file (*.txt)"), QString()},
      processorCount_(processorCount)
{
    setObjectName(QStringLiteral("FormMain"));
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
    layout->addWidget(GridPanelLayout1);
    layout->addWidget(GridPanelLayout2);
    layout->addWidget(Panel1, 1);
    layout->addWidget(GridPanelLayout3);
    resize(MinClientWidth, MinClientHeight);

    ConnectHandlers();
    FormCreate(std::move(globalVariables));
}

TTFormMain::~TTFormMain()
{
    // A run still under way must not reach this window any more; its threads end on their own.
    runWindow_->Close();
    FormDestroy();
}

void TTFormMain::BuildBand1()
{
    GridPanelLayout1 = MakeBand(this, "GridPanelLayout1", 97);
    QWidget* band = GridPanelLayout1;

    ButtonClear1 = MakeButton(band, "ButtonClear1", QStringLiteral("Clear"),
                              QStringLiteral("Clear your website file path"));
    ButtonEditWebsites = MakeButton(band, "ButtonEditWebsites", QStringLiteral("Edit"),
                                    QStringLiteral("Edit your websites list"));
    TextField1 = new QLineEdit(WebsitesPlaceholder, band);
    TextField1->setObjectName(QStringLiteral("TextField1"));
    ButtonLoad1 = MakeButton(band, "ButtonLoad1", QStringLiteral("Load"), QStringLiteral("Load file for websites"));
    LabelNumberThreads = MakeCaption(band, "LabelNumberThreads", QStringLiteral("Threads #"));
    ComboTrackBarNumberThreads = new TComboTrackBar(band);
    ComboTrackBarNumberThreads->setObjectName(QStringLiteral("ComboTrackBarNumberThreads"));
    ComboTrackBarNumberThreads->setToolTip(QStringLiteral("Threads number"));

    ButtonClear2 = MakeButton(band, "ButtonClear2", QStringLiteral("Clear"), QStringLiteral("Clear indexing sites"));
    ButtonEditServices = MakeButton(band, "ButtonEditServices", QStringLiteral("Edit"),
                                    QStringLiteral("Edit pinging list"));
    ComboBoxServices = new QComboBox(band);
    ComboBoxServices->setObjectName(QStringLiteral("ComboBoxServices"));
    ButtonServices = MakeButton(band, "ButtonServices", QStringLiteral("Load/Remove"),
                                QStringLiteral("Load or Remove index files"));
    LabelTimeoutThreads = MakeCaption(band, "LabelTimeoutThreads", QStringLiteral("Timeout (seconds)"));
    ComboTrackBarTimeoutThreads = new TComboTrackBar(band);
    ComboTrackBarTimeoutThreads->setObjectName(QStringLiteral("ComboTrackBarTimeoutThreads"));
    ComboTrackBarTimeoutThreads->setToolTip(QStringLiteral("Timeout"));

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
        {ButtonClear1, ButtonEditWebsites, TextField1, ButtonLoad1, LabelNumberThreads, ComboTrackBarNumberThreads},
        {ButtonClear2, ButtonEditServices, ComboBoxServices, ButtonServices, LabelTimeoutThreads,
         ComboTrackBarTimeoutThreads},
    };
    for (int column = 0; column < 6; ++column) {
        // Both controls of a fixed column are equally wide, and never narrower than their text needs.
        int width = widths[column] - 6;
        for (const auto& row : rows)
            width = std::max(width, row[column]->sizeHint().width());
        for (int row = 0; row < 2; ++row) {
            if (widths[column] != 0)
                rows[row][column]->setFixedWidth(width);
            grid->addWidget(rows[row][column], row, column, Qt::AlignCenter);
        }
    }
    // The two text controls fill their column.
    grid->setAlignment(TextField1, Qt::AlignVCenter);
    grid->setAlignment(ComboBoxServices, Qt::AlignVCenter);
}

void TTFormMain::BuildBand2()
{
    GridPanelLayout2 = MakeBand(this, "GridPanelLayout2", 56);
    ButtonStart = MakeButton(GridPanelLayout2, "ButtonStart", QStringLiteral("Start"), QStringLiteral("Start pinging"));
    ButtonStart->setFixedSize(175, 30);
    ButtonAbort = MakeButton(GridPanelLayout2, "ButtonAbort", QStringLiteral("Abort"), QString());
    ButtonAbort->setFixedSize(150, 30);
    ButtonAbort->setEnabled(false);

    auto* grid = new QGridLayout(GridPanelLayout2);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->addWidget(ButtonStart, 0, 0, Qt::AlignCenter);
    grid->addWidget(ButtonAbort, 0, 1, Qt::AlignCenter);
}

void TTFormMain::BuildTable()
{
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    StringGrid1 = new QTableView(Panel1);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));

    tableModel_ = std::make_unique<TPingTableModel>(Table);
    StringGrid1->setModel(tableModel_.get());
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setShowGrid(true);
    StringGrid1->setWordWrap(false);
    StringGrid1->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Every row equally high, so the view never measures rows: a million of them scroll as smoothly as ten.
    QHeaderView* rows = StringGrid1->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(21);
    rows->hide();
    QHeaderView* columns = StringGrid1->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->resizeSection(PingTable::ColumnUrl, 600);
    // The selected row stays marked while the focus is elsewhere.
    QPalette palette = StringGrid1->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    StringGrid1->setPalette(palette);

    auto* layout = new QVBoxLayout(Panel1);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(StringGrid1);
}

void TTFormMain::BuildBand3()
{
    GridPanelLayout3 = MakeBand(this, "GridPanelLayout3", 98);
    QWidget* band = GridPanelLayout3;

    GridPanelLayout4 = new QWidget(band);
    GridPanelLayout4->setObjectName(QStringLiteral("GridPanelLayout4"));
    Label1 = MakeCaption(GridPanelLayout4, "Label1", QStringLiteral("Websites/Services for website"));
    LabelWebsitesNumber = MakeValueLabel(GridPanelLayout4, "LabelWebsitesNumber", QStringLiteral("0/0"));
    Label3 = MakeCaption(GridPanelLayout4, "Label3", QStringLiteral("Total Url Loaded"));
    LabelTotalUrl = MakeValueLabel(GridPanelLayout4, "LabelTotalUrl", QStringLiteral("0"));

    GridPanelLayout5 = new QWidget(band);
    GridPanelLayout5->setObjectName(QStringLiteral("GridPanelLayout5"));
    Label2 = MakeCaption(GridPanelLayout5, "Label2", QStringLiteral("Processed"));
    LabelCompleted = MakeValueLabel(GridPanelLayout5, "LabelCompleted", QStringLiteral("0"));
    Label4 = MakeCaption(GridPanelLayout5, "Label4", QStringLiteral("Time"));
    LabelTime = MakeValueLabel(GridPanelLayout5, "LabelTime", QStringView(ZeroTimeText).toString());

    LayOutCounterBlock(*GridPanelLayout4, {Label1, LabelWebsitesNumber}, {Label3, LabelTotalUrl});
    LayOutCounterBlock(*GridPanelLayout5, {Label2, LabelCompleted}, {Label4, LabelTime});

    ButtonExport = MakeButton(band, "ButtonExport", QStringLiteral("Export"), QStringLiteral("Export pinged list"));
    ButtonExport->setFixedSize(149, 26);
    StatusBarBottom = new QStatusBar(band);
    StatusBarBottom->setObjectName(QStringLiteral("StatusBarBottom"));
    StatusBarBottom->setSizeGripEnabled(true);
    StatusBarBottom->setFixedHeight(22);

    // Columns 39.5 %, 39.5 % and 21 % of the width.
    auto* grid = new QGridLayout(band);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->setColumnStretch(0, 395);
    grid->setColumnStretch(1, 395);
    grid->setColumnStretch(2, 210);
    grid->setRowStretch(0, 1);
    grid->addWidget(GridPanelLayout4, 0, 0);
    grid->addWidget(GridPanelLayout5, 0, 1);
    grid->addWidget(ButtonExport, 0, 2, Qt::AlignCenter);
    grid->addWidget(StatusBarBottom, 1, 0, 1, 3);
}

void TTFormMain::BuildMenus()
{
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* file = MainMenu1->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("MenuFile"));
    MenuItemExit = MakeAction(file, "MenuItemExit", QStringLiteral("Exit"));
    QMenu* help = MainMenu1->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("MenuHelp"));
    MenuItemAbout = MakeAction(help, "MenuItemAbout", QStringLiteral("About"));
    MenuItemOnlineManual = MakeAction(help, "MenuItemOnlineManual", QStringLiteral("Online manual"));
    MenuItemSupport = MakeAction(help, "MenuItemSupport", QStringLiteral("Support request"));

    PopupMenuServices = new QMenu(this);
    PopupMenuServices->setObjectName(QStringLiteral("PopupMenuServices"));
    MenuItemLoadServicesFile =
        MakeAction(PopupMenuServices, "MenuItemLoadServicesFile", QStringLiteral("Load Services"));
    MenuItemRemoveServicesFile =
        MakeAction(PopupMenuServices, "MenuItemRemoveServicesFile", QStringLiteral("Remove Services"));

    PopupMenuExport = new QMenu(this);
    PopupMenuExport->setObjectName(QStringLiteral("PopupMenuExport"));
    ExportCompleted = MakeAction(PopupMenuExport, "ExportCompleted", QStringLiteral("Export all completed"));
    ExportNotCompleted = MakeAction(PopupMenuExport, "ExportNotCompleted", QStringLiteral("Export all not-completed"));
    ExportAllEntries = MakeAction(PopupMenuExport, "ExportAllEntries", QStringLiteral("Export all entries"));
}

void TTFormMain::ConnectHandlers()
{
    connect(ButtonStart, &QPushButton::clicked, this, &TTFormMain::ButtonStartClick);
    connect(ButtonAbort, &QPushButton::clicked, this, &TTFormMain::ButtonAbortClick);
    connect(ButtonLoad1, &QPushButton::clicked, this, &TTFormMain::ButtonLoad1Click);
    connect(ButtonClear1, &QPushButton::clicked, this, &TTFormMain::ButtonClear1Click);
    connect(ButtonEditWebsites, &QPushButton::clicked, this, &TTFormMain::ButtonEditWebsitesClick);
    connect(ButtonEditServices, &QPushButton::clicked, this, &TTFormMain::ButtonEditServicesClick);
    connect(ButtonClear2, &QPushButton::clicked, this, &TTFormMain::ButtonClear2Click);
    connect(ComboBoxServices, &QComboBox::currentIndexChanged, this, &TTFormMain::ComboBoxServicesChange);
    connect(ButtonServices, &QPushButton::clicked, this, &TTFormMain::ButtonServicesClick);
    connect(MenuItemLoadServicesFile, &QAction::triggered, this, &TTFormMain::MenuItemLoadServicesFileClick);
    connect(MenuItemRemoveServicesFile, &QAction::triggered, this, &TTFormMain::MenuItemRemoveServicesFileClick);
    connect(ComboTrackBarTimeoutThreads, &TComboTrackBar::Changed, this,
            &TTFormMain::ComboTrackBarTimeoutThreadsChange);
    connect(ButtonExport, &QPushButton::clicked, this, &TTFormMain::ButtonExportClick);
    connect(ExportCompleted, &QAction::triggered, this, &TTFormMain::ExportCompletedClick);
    connect(ExportNotCompleted, &QAction::triggered, this, &TTFormMain::ExportNotCompletedClick);
    connect(ExportAllEntries, &QAction::triggered, this, &TTFormMain::ExportAllEntriesClick);
    connect(MenuItemExit, &QAction::triggered, this, &TTFormMain::MenuItemExitClick);
    connect(MenuItemAbout, &QAction::triggered, this, &TTFormMain::MenuItemAboutClick);
    connect(MenuItemOnlineManual, &QAction::triggered, this, &TTFormMain::MenuItemOnlineManualClick);
    connect(MenuItemSupport, &QAction::triggered, this, &TTFormMain::MenuItemSupportClick);
}

void TTFormMain::FormCreate(std::unique_ptr<CommonVars> globalVariables)
{
    GlobalVariables = std::move(globalVariables);
    setWindowTitle(GlobalVariables->MAINFORMCAPTION);
    IndexerFilesPath = GlobalVariables->INDEXERDIR;
    ClearGrid(Table, 0);
    AdjustTrackbars();
    // A services file that cannot be read is reported, and the window still comes up whole.
    RunCommand(this, [this] { ReloadComboBoxServices(); });
    CenterFormOnScreen(*this);
    StringGrid1->viewport()->installEventFilter(this);
}

void TTFormMain::FormDestroy() { GlobalVariables.reset(); }

void TTFormMain::SetTextEditor(TTFormTextEditor* editor) { textEditor_ = editor; }

void TTFormMain::SetAboutWindow(TTFormAbout* about) { aboutWindow_ = about; }

void TTFormMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TTFormMain::FormResize() { EnsureMinClientSize(*this, MinClientWidth, MinClientHeight); }

void TTFormMain::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    // Closing this window ends the program even while the About window is open.
    QCoreApplication::quit();
}

bool TTFormMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == StringGrid1->viewport() && event->type() == QEvent::MouseButtonDblClick)
        StringGrid1DblClick();
    return QMainWindow::eventFilter(watched, event);
}

void TTFormMain::AdjustTrackbars()
{
    // A processor count of 0 means the system could not tell; one processor is the safe reading.
    const int processors = static_cast<int>(std::max(processorCount_, 1u));
    ComboTrackBarNumberThreads->SetMin(processors);
    ComboTrackBarNumberThreads->SetMax(MaxThreads - MaxThreads % processors);
    ComboTrackBarNumberThreads->SetStep(processors);

    ComboTrackBarTimeoutThreads->SetMin(TimeoutMin);
    ComboTrackBarTimeoutThreads->SetMax(TimeoutMax);
}

void TTFormMain::ComboTrackBarTimeoutThreadsChange()
{
    TimeoutThreads = ComboTrackBarTimeoutThreads->Text().toInt();
}

void TTFormMain::EnableDisableOnStart(bool Flag)
{
    ButtonStart->setEnabled(!Flag);
    ButtonAbort->setEnabled(Flag);
    for (QWidget* control : std::initializer_list<QWidget*>{ButtonClear1, ButtonClear2, ButtonEditWebsites,
                                                            ButtonEditServices, ButtonLoad1, ComboBoxServices,
                                                            ButtonServices, ButtonExport, TextField1})
        control->setEnabled(!Flag);
}

void TTFormMain::MakeRowTopVisible(int row) { larkspire::MakeRowTopVisible(*StringGrid1, row); }

void TTFormMain::LoadGrid()
{
    if (IsExistingFile(TextField1->text()) && !WebsitesList.isEmpty())
        RebuildPingTable(Table, WebsitesList, ServicesList);
    UpdateWebsitesNumber();
}

void TTFormMain::UpdateWebsitesNumber()
{
    LabelWebsitesNumber->setText(WebsitesNumberText(WebsitesList.size(), ServicesList.size()));
    LabelTotalUrl->setText(TotalUrlText(Table.RowCount()));
    LabelTime->setText(QStringView(ZeroTimeText).toString());
}

void TTFormMain::ReloadComboBoxServices()
{
    ServicesList.clear();
    QStringList names;
    ListFilesByMask(IndexerFilesPath, QStringLiteral("*.txt"), names);
    // Emptying the selector deselects (a change with nothing selected, so nothing to load); the new
    // items come in unselected, and selecting the first one below is the change that loads it.
    SelectServicesItem(-1);
    {
        const QSignalBlocker unselectedItems(ComboBoxServices);
        ComboBoxServices->clear();
        ComboBoxServices->addItems(names);
        ComboBoxServices->setCurrentIndex(-1);
    }
    if (ComboBoxServices->count() > 0)
        SelectServicesItem(0);
    UpdateWebsitesNumber();
}

void TTFormMain::SelectServicesItem(int index)
{
    if (ComboBoxServices->currentIndex() == index)
        return;
    {
        const QSignalBlocker programmaticChange(ComboBoxServices);
        ComboBoxServices->setCurrentIndex(index);
    }
    LoadSelectedServices();
}

void TTFormMain::LoadSelectedServices()
{
    if (ComboBoxServices->currentIndex() < 0)
        return;
    LoadTextList(IndexerFilesPath + ComboBoxServices->currentText(), ServicesList);
    LoadGrid();
}

void TTFormMain::ComboBoxServicesChange()
{
    RunCommand(this, [this] { LoadSelectedServices(); });
}

void TTFormMain::ButtonClear2Click()
{
    RunCommand(this, [this] {
        if (ComboBoxServices->count() > 0)
            SelectServicesItem(0);
        UpdateWebsitesNumber();
    });
}

void TTFormMain::ButtonServicesClick() { PopupMenuUnderControl(*this, *ButtonServices, *PopupMenuServices); }

void TTFormMain::MenuItemLoadServicesFileClick()
{
    RunCommand(this, [this] {
        const QString path = Dialogs::GetOpenFileName(this, OpenDialog1);
        if (path.isEmpty())
            return;
        const QString name = AddServicesFile(path, IndexerFilesPath);
        Dialogs::ShowMessage(this, ServicesFileLoadedMessage(name));
        ReloadComboBoxServices();
    });
}

void TTFormMain::MenuItemRemoveServicesFileClick()
{
    RunCommand(this, [this] {
        if (!Dialogs::Confirm(this, QStringLiteral("Delete file?")))
            return;
        // With no services file there is nothing to delete; the rescan below is harmless.
        if (ComboBoxServices->currentIndex() >= 0) {
            const QString name = ComboBoxServices->currentText();
            const QString deleteServicesFilePath = IndexerFilesPath + name;
            if (RemoveServicesFile(deleteServicesFilePath))
                Dialogs::ShowMessage(this, ServicesFileDeletedMessage(name));
        }
        ReloadComboBoxServices();
    });
}

void TTFormMain::ButtonLoad1Click()
{
    RunCommand(this, [this] {
        const QString path = Dialogs::GetOpenFileName(this, OpenDialog1);
        if (path.isEmpty())
            return;
        TextField1->setText(path);
        LoadTextList(TextField1->text(), WebsitesList);
        LoadGrid();
    });
}

void TTFormMain::ButtonClear1Click()
{
    TextField1->setText(WebsitesPlaceholder);
    ClearGrid(Table, 0);
    WebsitesList.clear();
    UpdateWebsitesNumber();
}

void TTFormMain::ButtonExportClick() { PopupMenuUnderControl(*this, *ButtonExport, *PopupMenuExport); }

void TTFormMain::ExportCompletedClick() { ExportSelection(PingTable::ColumnPing, CompletedStatus); }

void TTFormMain::ExportNotCompletedClick() { ExportSelection(PingTable::ColumnPing, QString()); }

void TTFormMain::ExportAllEntriesClick() { ExportSelection(0, QString()); }

void TTFormMain::ExportSelection(int filterColumn, const QString& filterText)
{
    RunCommand(this, [&] {
        const QString path = Dialogs::GetSaveFileName(this, SaveDialog1);
        if (path.isEmpty())
            return;
        ExportGridColumn(Table, WithDefaultExtension(path), PingTable::ColumnUrl, filterColumn, filterText);
    });
}

void TTFormMain::StringGrid1DblClick()
{
    const QModelIndexList selected = StringGrid1->selectionModel()->selectedRows();
    const int row = selected.isEmpty() ? -1 : selected.first().row();
    OpenWithShell(Table.GetCell(PingTable::ColumnUrl, row));
}

void TTFormMain::MenuItemOnlineManualClick() { OpenWithShell(OnlineManualAddress()); }

void TTFormMain::MenuItemSupportClick() { OpenWithShell(SupportLink(*GlobalVariables)); }

void TTFormMain::MenuItemAboutClick()
{
    Q_ASSERT(aboutWindow_ != nullptr);
    aboutWindow_->show();
    aboutWindow_->raise();
    aboutWindow_->activateWindow();
}

void TTFormMain::ButtonEditWebsitesClick()
{
    RunCommand(this, [this] {
        if (!IsExistingFile(TextField1->text())) {
            Dialogs::ShowMessage(this, NoFileSelected);
            return;
        }
        EditFile(TextField1->text());
        LoadTextList(TextField1->text(), WebsitesList);
        LoadGrid();
    });
}

void TTFormMain::ButtonEditServicesClick()
{
    RunCommand(this, [this] {
        // An empty services folder leaves nothing to edit.
        if (ComboBoxServices->currentIndex() < 0) {
            Dialogs::ShowMessage(this, NoFileSelected);
            return;
        }
        EditFile(IndexerFilesPath + ComboBoxServices->currentText());
        LoadTextList(IndexerFilesPath + ComboBoxServices->currentText(), ServicesList);
        LoadGrid();
    });
}

void TTFormMain::EditFile(const QString& path)
{
    Q_ASSERT(textEditor_ != nullptr);
    textEditor_->currentFilename = path;
    textEditor_->LoadFile(path);
    textEditor_->ShowModal();
}

void TTFormMain::MenuItemExitClick() { QCoreApplication::quit(); }

void TTFormMain::ButtonStartClick()
{
    try {
        StartRun(runWindow_);
    } catch (const LarkspireError& error) {
        Dialogs::ShowError(this, QString::fromStdString(error.what()));
    }
}

void TTFormMain::ButtonAbortClick() { StopThreadingFlag = true; }

}  // namespace larkspire
