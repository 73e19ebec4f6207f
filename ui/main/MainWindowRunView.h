#pragma once

#include "run/HandOverLink.h"
#include "run/RunWindow.h"

#include <atomic>

namespace larkspire {

class MainWindow;

// The main window as a ping run sees it. The run may outlive the window (the program can end during a run),
// so this object holds what background threads touch, the abort flag and the time-out, and is shared with
// the run; once the window has closed it, every hand-over is refused and nothing of the window is touched.
class MainWindowRunView final : public RunWindow {
public:
    explicit MainWindowRunView(MainWindow& window);

    // The window is going away: no step runs from now on, and waiting callers are released.
    void Close();

    bool HandOver(const std::function<void()>& step) override;
    std::atomic<bool>& AbortFlag() override;
    std::atomic<int>& TimeoutSeconds() override;

    std::u16string ThreadSettingText() override;
    int RowCount() override;
    std::u16string RowUrl(int row) override;
    void SetRowStatus(int row, const std::u16string& status, const std::u16string& reason) override;
    void ClearStatusColumn() override;
    void MakeTopRow(int row) override;
    void SetProcessedText(const std::u16string& text) override;
    void SetElapsedText(const std::u16string& text) override;
    void SetRunningState(bool running) override;
    void ShowMessage(const std::u16string& text) override;

private:
    MainWindow& window_;
    HandOverLink link_;
    std::atomic<bool> abortFlag_{false};
    std::atomic<int> timeoutSeconds_{0};
};

}  // namespace larkspire
