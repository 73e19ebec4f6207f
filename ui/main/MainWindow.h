#pragma once

#include "base/AppInfo.h"
#include "lists/PingListExpansion.h"
#include "lists/PingTable.h"
#include "ui/main/StatusTally.h"
#include "ui/widgets/Dialogs.h"

#include <QMainWindow>
#include <QStringList>

#include <atomic>
#include <memory>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QStatusBar;
class QTableView;

namespace larkspire {

class SliderWithBox;
class MainWindowRunView;
class PingTableModel;
class PingTableFilter;
class RunFollower;
class RunSummaryView;
class AboutWindow;
class ListEditorWindow;
class RunPaceDialog;

// The program's working window: the websites and services rows, the two settings, Start and Abort,
// the ping table with its counters, and the menus. It owns every list, setting and the table for the
// whole life of the program; every handler runs on the GUI thread.
class MainWindow : public QMainWindow {
    Q_OBJECT
    // The run's view batches the table model's changes around each pass of the run's steps.
    friend class MainWindowRunView;

    // Made first: the abort flag and the time-out below live in it, since a run may outlive the window.
    std::shared_ptr<MainWindowRunView> runWindow_;

public:
    // `processorCount` sets the thread slider's range (the program passes the machine's logical
    // processors); `programInfo` becomes ProgramInfo.
    MainWindow(unsigned processorCount, std::unique_ptr<AppInfo> programInfo, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The list editor and About windows, which are created after this one and outlive its use of them.
    void SetTextEditor(ListEditorWindow* editor);
    void SetAboutWindow(AboutWindow* about);

    // True: the running state (Start and every list, services, export and websites control disabled,
    // Abort enabled). False: the idle state. Sliders, grid, menus and labels are never touched.
    void SetRunningState(bool running);
    // Rebuilds the table from WebsitesList and ServicesList, so that it holds exactly their rows (none when
    // either gives none), and refreshes the counters.
    void ReloadPingTable();
    // "<websites>/<services>" that give rows, the row count and "00:00:00" into the three counters.
    void RefreshCounters();
    // Rescans the services folder, selects and loads the file named `nameToSelect`, or the first file when
    // there is none of that name, and refreshes the counters. With no services file the table is emptied.
    // Throws FileError when the file cannot be read; the table and the services counter then show no rows.
    void ReloadServicesList(const QString& nameToSelect);
    // Scrolls pingTableView so that table row `row` is its top row, keeping the horizontal position, while the
    // view follows the run (RunFollower); a row outside the table or not shown leaves the grid as it is.
    void ScrollRowToTop(int row);
    // The table rows selected in pingTableView, in the view's order.
    std::vector<int> SelectedTableRows() const;

    QStringList WebsitesList;
    QStringList ServicesList;
    QString ServicesFolderPath;  // the services folder, ending with "/"
    std::atomic<bool>& AbortFlag;
    std::atomic<int>& TimeoutSeconds;  // seconds; follows timeoutSetting
    int ThreadsNumber = 0;             // the thread setting as read by the latest run
    std::unique_ptr<AppInfo> ProgramInfo;
    PingTable Table;  // shown in pingTableView

    // Band 1, websites row.
    QWidget* listsBand;
    QPushButton* clearWebsitesButton;
    QPushButton* editWebsitesButton;
    QLineEdit* websitesPathEdit;
    QPushButton* loadWebsitesButton;
    QLabel* threadsCaption;
    SliderWithBox* threadsSetting;
    // Band 1, services row.
    QPushButton* clearServicesButton;
    QPushButton* editServicesButton;
    QComboBox* servicesCombo;
    QPushButton* servicesMenuButton;
    QLabel* timeoutCaption;
    SliderWithBox* timeoutSetting;
    // Band 2.
    QWidget* runButtonsBand;
    QPushButton* startButton;
    QPushButton* abortButton;
    // The table.
    QFrame* tablePanel;
    QWidget* tableFilterBar;  // above the table: which rows it shows
    QComboBox* statusFilterCombo;
    QLineEdit* urlFilterEdit;
    QTableView* pingTableView;
    QMenu* tableMenu;  // the rows' context menu
    QAction* copyUrlAction;
    QAction* copyRowsAction;
    QAction* openInBrowserAction;
    QAction* checkAgainAction;
    QAction* checkFailedAgainAction;
    // Band 3: the counters, Export and the status bar.
    QWidget* countersBand;
    QWidget* tableCounters;
    QWidget* progressCounters;
    QLabel* websitesServicesCaption;
    QLabel* websitesServicesValueLabel;
    QLabel* totalUrlsCaption;
    QLabel* totalUrlsValueLabel;
    QLabel* processedCaption;
    QLabel* processedValueLabel;
    QLabel* timeCaption;
    QLabel* timeValueLabel;
    QPushButton* exportButton;
    QStatusBar* bottomStatusBar;
    RunSummaryView* runSummaryView;  // lasts in bottomStatusBar beside its messages
    // Menus.
    QMenuBar* mainMenuBar;
    QMenu* fileMenu;
    QAction* openWebsitesAction;
    QAction* openUrlListAction;
    QAction* editWebsitesAction;
    QAction* clearWebsitesAction;
    QAction* editServicesAction;
    QAction* clearServicesAction;
    QAction* startAction;
    QAction* abortAction;
    QAction* verifyTlsAction;  // checked: https servers must show a trusted certificate for their host
    QAction* settingsAction;
    RunPaceDialog* runPaceDialog;  // opened by settingsAction; OK keeps its pace for the runs to come
    QAction* exitAction;
    QAction* aboutAction;
    QAction* onlineManualAction;
    QAction* supportAction;
    QMenu* servicesMenu;
    QAction* loadServicesFileAction;
    QAction* removeServicesFileAction;
    QMenu* exportMenu;
    QAction* exportCompletedAction;
    QAction* exportNotCompletedAction;
    QAction* exportAllAction;
    QAction* exportFailedAction;
    // File dialogs.
    const FileDialogOptions openListDialog;
    const FileDialogOptions saveExportDialog;

public slots:
    void onStartClicked();
    void onAbortClicked();

    void onLoadWebsitesClicked();
    void onClearWebsitesClicked();
    void onEditWebsitesClicked();
    void onEditServicesClicked();
    void onClearServicesClicked();
    void onServicesSelectionChanged();
    void onServicesMenuClicked();
    void onLoadServicesFileTriggered();
    void onRemoveServicesFileTriggered();
    void onTimeoutChanged();
    void onExportClicked();
    void onExportCompletedTriggered();
    void onExportNotCompletedTriggered();
    void onExportAllTriggered();
    void onExportFailedTriggered();
    void onOpenUrlListTriggered();
    void onCheckAgainTriggered();
    void onCheckFailedAgainTriggered();
    void onCopyUrlTriggered();
    void onCopyRowsTriggered();
    void onTableContextMenu(const QPoint& position);
    void onTableFilterChanged();
    void onPingTableDoubleClicked();
    void onSettingsTriggered();
    void onExitTriggered();
    void onAboutTriggered();
    void onOnlineManualTriggered();
    void onSupportTriggered();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildBand1();
    void BuildBand2();
    void BuildTable();
    void BuildBand3();
    void BuildTableFilterBar();
    void BuildTableMenu();
    void BuildMenus();
    void BuildFileMenu();
    void ConnectHandlers();
    void SetUpOnCreate(std::unique_ptr<AppInfo> programInfo);
    void TearDownOnDestroy();
    void LayOutOnResize();
    void AdjustTrackbars();

    // The services selection's change, without the error box: throws when the file cannot be read, the
    // table then emptied. Warns in the status bar when no template holds "{website}".
    void LoadSelectedServices();
    // Changes the selected services item as the program does, running the change handler when the
    // index really changes; a read failure propagates to the caller's command.
    void SelectServicesItem(int index);
    void ExportSelection(int filterColumn, const QString& filterText);
    // The save dialog of the exports; the chosen path with the default extension, or the empty text.
    QString ChooseExportPath();
    // The open dialog for the list kind `placeKey`, starting in the folder that kind was last opened from.
    QString ChooseListToOpen(const QString& placeKey);
    // The open dialog, then the chosen file into websitesPathEdit and the table: websites, or a URL list.
    void OpenIntoWebsitesField(const QString& placeKey, bool urlList);
    // Loads the file named in websitesPathEdit: as websites, or as the URL list the table holds.
    void LoadWebsitesField();
    // Starts a run over `rows` of the table, or over every row when there are none.
    void StartChecking(std::vector<int> rows);
    // The table row of the view's current row when it is selected, else of the first selected row; -1 without.
    int SelectedTableRow() const;
    // Window geometry and column widths, as left at the previous start, and kept for the next.
    void RestorePlaces();
    void StorePlaces();
    // The File menu's copies of the buttons' commands are enabled as their buttons are.
    void MatchActionsToButtons();
    void EditFile(const QString& path);

    unsigned processorCount_;
    std::unique_ptr<PingTableModel> tableModel_;
    std::unique_ptr<PingTableFilter> tableFilter_;  // what pingTableView shows of tableModel_
    RunFollower* runFollower_ = nullptr;
    // While the table is a URL list (Open URL list), its lines; the table is rebuilt from them, not the lists.
    QStringList urlListLines_;
    bool tableIsUrlList_ = false;
    RowSourceCounts rowSourceCounts_;  // what the lists gave the table at its latest rebuild
    StatusTally statusTally_;          // the table's rows by status, shown in runSummaryView
    ListEditorWindow* textEditor_ = nullptr;
    AboutWindow* aboutWindow_ = nullptr;
};

}  // namespace larkspire
