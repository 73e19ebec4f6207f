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
class RunSummaryView;
class AboutWindow;
class ListEditorWindow;

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
    // Scrolls pingTableView so that `row` is its top row, keeping the horizontal position; a row outside
    // the table leaves the grid as it is.
    void ScrollRowToTop(int row);

    QStringList WebsitesList;
    QStringList ServicesList;
    QString ServicesFolderPath;  // the services folder, ending with "/"
    std::atomic<bool>& AbortFlag;
    std::atomic<int>& TimeoutSeconds;  // seconds; follows timeoutSetting
    int ThreadsNumber = 0;               // the thread setting as read by the latest run
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
    QTableView* pingTableView;
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
    QAction* verifyTlsAction;  // checked: https servers must show a trusted certificate for their host
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
    void onPingTableDoubleClicked();
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
    void BuildMenus();
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
    void EditFile(const QString& path);

    unsigned processorCount_;
    std::unique_ptr<PingTableModel> tableModel_;
    RowSourceCounts rowSourceCounts_;  // what the lists gave the table at its latest rebuild
    StatusTally statusTally_;          // the table's rows by status, shown in runSummaryView
    ListEditorWindow* textEditor_ = nullptr;
    AboutWindow* aboutWindow_ = nullptr;
};

}  // namespace larkspire
