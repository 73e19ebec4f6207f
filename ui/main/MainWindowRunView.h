#pragma once

#include "run/HandOverLink.h"
#include "run/RunWindow.h"

#include <QString>

class QSocketNotifier;

#include <atomic>
#include <chrono>
#include <vector>

namespace larkspire {

class MainWindow;

// The main window as a ping run sees it. The run may outlive the window (the program can end during a run),
// so this object holds what background threads touch, the abort flag and the time-out, and is shared with
// the run; once the window has closed it, every step is refused and nothing of the window is touched.
//
// The run's steps reach the GUI thread in passes (HandOverLink). Within a pass the table's cell changes are held
// back and told to the view once, for the rows touched; the scroll that follows the run, the "Processed" figure and
// the status bar's summary are applied at most every kViewRefreshInterval, and always before the window goes back
// to its idle state. The summary's counts follow every status change as it is made, without reading the table.
class MainWindowRunView final : public RunWindow {
public:
    static constexpr std::chrono::milliseconds kViewRefreshInterval{50};

    explicit MainWindowRunView(MainWindow& window);
    ~MainWindowRunView() override;
    MainWindowRunView(const MainWindowRunView&) = delete;
    MainWindowRunView& operator=(const MainWindowRunView&) = delete;

    // The rows the next run checks, in this order: the table's rows for a run over a part of the table; none for
    // a run over every row. Set before the run starts; kept until the next run is started.
    void CheckRows(std::vector<int> rows);

    // The window is going away: no step runs from now on, and waiting callers are released.
    void Close();

    bool HandOver(const std::function<void()>& step) override;
    bool Post(std::function<void()> step) override;
    std::atomic<bool>& AbortFlag() override;
    std::atomic<int>& TimeoutSeconds() override;

    std::u16string ThreadSettingText() override;
    int RowCount() override;
    std::u16string RowUrl(int row) override;
    void SetRowStatus(int row, const CheckOutcome& outcome) override;
    void ClearStatusColumn() override;
    void MakeTopRow(int row) override;
    void SetProcessedText(const std::u16string& text) override;
    void SetElapsedText(const std::u16string& text) override;
    void SetRunningState(bool running) override;
    void ShowMessage(const std::u16string& text) override;

private:
    // Any thread: has the GUI thread run a pass of the link soon.
    void WakeGuiThread();
    // GUI thread, woken: one pass of the run's steps.
    void RunPass();
    void BeginPass();
    void EndPass();
    // The scroll, the "Processed" figure and the summary changed since the last refresh, now.
    void RefreshView();
    // The table row behind the run's row number.
    int TableRow(int runRow) const;

    MainWindow& window_;
    std::atomic<bool> abortFlag_{false};
    std::atomic<int> timeoutSeconds_{0};
    std::vector<int> checkedRows_;  // empty: every row
    int pendingTopRow_ = -1;
    QString pendingProcessed_;
    bool summaryChanged_ = false;
    std::chrono::steady_clock::time_point lastRefresh_{};
    bool refreshTimerArmed_ = false;
    // Wakes the GUI thread for a pass: writing to an event counter takes no lock and allocates nothing, where a
    // posted Qt event would leave the GUI thread freeing memory a worker allocated.
    const int wakeCounter_;
    QSocketNotifier* wakeNotifier_;  // a child of the window
    // Last, so that it closes before the members its steps use go.
    HandOverLink link_;
};

}  // namespace larkspire
