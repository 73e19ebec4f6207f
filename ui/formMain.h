#pragma once

#include "app/CommonVarsC.h"
#include "lists/PingTable.h"
#include "ui/Dialogs.h"

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

class TComboTrackBar;
class TFormRunWindow;
class TPingTableModel;
class TTFormAbout;
class TTFormTextEditor;

// The program's working window: the websites and services rows, the two settings, Start and Abort,
// the ping table with its counters, and the menus. It owns every list, setting and the table for the
// whole life of the program; every handler runs on the GUI thread.
class TTFormMain : public QMainWindow {
    Q_OBJECT

    // Made first: the abort flag and the time-out below live in it, since a run may outlive the window.
    std::shared_ptr<TFormRunWindow> runWindow_;

public:
    // `processorCount` sets the thread slider's range (the program passes the machine's logical
    // processors); `globalVariables` becomes GlobalVariables.
    TTFormMain(unsigned processorCount, std::unique_ptr<CommonVars> globalVariables, QWidget* parent = nullptr);
    ~TTFormMain() override;

    // The list editor and About windows, which are created after this one and outlive its use of them.
    void SetTextEditor(TTFormTextEditor* editor);
    void SetAboutWindow(TTFormAbout* about);

    // True: the running state (Start and every list, services, export and websites control disabled,
    // Abort enabled). False: the idle state. Sliders, grid, menus and labels are never touched.
    void EnableDisableOnStart(bool Flag);
    // Rebuilds the table from WebsitesList and ServicesList when TextField1 names an existing file and
    // there is at least one website; refreshes the counters in any case.
    void LoadGrid();
    // "<websites>/<services>", the row count and "00:00:00" into the three counters.
    void UpdateWebsitesNumber();
    // Rescans the services folder, selects and loads its first file, refreshes the counters. Throws
    // FileError when the first file cannot be read; the counters are then left as they were.
    void ReloadComboBoxServices();
    // Scrolls StringGrid1 so that `row` is its top row, keeping the horizontal position; a row outside
    // the table leaves the grid as it is.
    void MakeRowTopVisible(int row);

    QStringList WebsitesList;
    QStringList ServicesList;
    QString IndexerFilesPath;  // the services folder, ending with "/"
    std::atomic<bool>& StopThreadingFlag;
    std::atomic<int>& TimeoutThreads;  // seconds; follows ComboTrackBarTimeoutThreads
    int ThreadsNumber = 0;               // the thread setting as read by the latest run
    std::unique_ptr<CommonVars> GlobalVariables;
    PingTable Table;  // shown in StringGrid1

    // Band 1, websites row.
    QWidget* GridPanelLayout1;
    QPushButton* ButtonClear1;
    QPushButton* ButtonEditWebsites;
    QLineEdit* TextField1;
    QPushButton* ButtonLoad1;
    QLabel* LabelNumberThreads;
    TComboTrackBar* ComboTrackBarNumberThreads;
    // Band 1, services row.
    QPushButton* ButtonClear2;
    QPushButton* ButtonEditServices;
    QComboBox* ComboBoxServices;
    QPushButton* ButtonServices;
    QLabel* LabelTimeoutThreads;
    TComboTrackBar* ComboTrackBarTimeoutThreads;
    // Band 2.
    QWidget* GridPanelLayout2;
    QPushButton* ButtonStart;
    QPushButton* ButtonAbort;
    // The table.
    QFrame* Panel1;
    QTableView* StringGrid1;
    // Band 3: the counters, Export and the status bar.
    QWidget* GridPanelLayout3;
    QWidget* GridPanelLayout4;
    QWidget* GridPanelLayout5;
    QLabel* Label1;
    QLabel* LabelWebsitesNumber;
    QLabel* Label3;
    QLabel* LabelTotalUrl;
    QLabel* Label2;
    QLabel* LabelCompleted;
    QLabel* Label4;
    QLabel* LabelTime;
    QPushButton* ButtonExport;
    QStatusBar* StatusBarBottom;
    // Menus.
    QMenuBar* MainMenu1;
    QAction* MenuItemExit;
    QAction* MenuItemAbout;
    QAction* MenuItemOnlineManual;
    QAction* MenuItemSupport;
    QMenu* PopupMenuServices;
    QAction* MenuItemLoadServicesFile;
    QAction* MenuItemRemoveServicesFile;
    QMenu* PopupMenuExport;
    QAction* ExportCompleted;
    QAction* ExportNotCompleted;
    QAction* ExportAllEntries;
    // File dialogs.
    const FileDialogOptions OpenDialog1;
    const FileDialogOptions SaveDialog1;

public slots:
    void ButtonStartClick();
    void ButtonAbortClick();

    void ButtonLoad1Click();
    void ButtonClear1Click();
    void ButtonEditWebsitesClick();
    void ButtonEditServicesClick();
    void ButtonClear2Click();
    void ComboBoxServicesChange();
    void ButtonServicesClick();
    void MenuItemLoadServicesFileClick();
    void MenuItemRemoveServicesFileClick();
    void ComboTrackBarTimeoutThreadsChange();
    void ButtonExportClick();
    void ExportCompletedClick();
    void ExportNotCompletedClick();
    void ExportAllEntriesClick();
    void StringGrid1DblClick();
    void MenuItemExitClick();
    void MenuItemAboutClick();
    void MenuItemOnlineManualClick();
    void MenuItemSupportClick();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildBand1();
    void BuildBand2();
    void BuildTable();
    void BuildBand3();
    void BuildMenus();
    void ConnectHandlers();
    void FormCreate(std::unique_ptr<CommonVars> globalVariables);
    void FormDestroy();
    void FormResize();
    void AdjustTrackbars();

    // The services selection's change, without the error box: throws when the file cannot be read.
    void LoadSelectedServices();
    // Changes the selected services item as the program does, running the change handler when the
    // index really changes; a read failure propagates to the caller's command.
    void SelectServicesItem(int index);
    void ExportSelection(int filterColumn, const QString& filterText);
    void EditFile(const QString& path);

    unsigned processorCount_;
    std::unique_ptr<TPingTableModel> tableModel_;
    TTFormTextEditor* textEditor_ = nullptr;
    TTFormAbout* aboutWindow_ = nullptr;
};

}  // namespace larkspire
