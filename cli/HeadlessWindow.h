#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

#include "cli/MainThreadQueue.h"
#include "cli/StatusTally.h"
#include "run/HandOverLink.h"
#include "run/RunWindow.h"

namespace larkspire {

class PingTable;

// What the window's labels and statuses have shown of the run so far; read on the main thread.
struct RunProgress {
    bool running = false;
    std::chrono::steady_clock::time_point startedAt;
    std::u16string lastStarted;  // the figure beside "Processed": the row whose check began last, from 1
    std::u16string elapsed = u"00:00:00";
    StatusTally finished;
    std::u16string endMessage;  // "Ping terminated" or "Ping aborted" once the run has ended
};

// The window of a ping run without a screen. The program's main thread plays the GUI thread: it serves the
// run's hand-overs from its queue until the run's end message, and owns the table meanwhile.
class HeadlessWindow final : public RunWindow {
public:
    HeadlessWindow(PingTable& table, int threads, int timeoutSeconds);

    bool HandOver(const std::function<void()>& step) override;
    bool Post(std::function<void()> step) override;
    std::atomic<bool>& AbortFlag() override { return stopThreadingFlag_; }
    std::atomic<int>& TimeoutSeconds() override { return timeoutThreads_; }

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

    // Main thread: runs the hand-overs as they come until the run has shown its end message, calling
    // betweenSteps once every tick. Afterwards the window refuses every hand-over and no longer touches
    // the table.
    void ServeUntilRunEnds(const std::function<void()>& betweenSteps, std::chrono::milliseconds tick);

    // Main thread: Abort. Unlike the window's button it also holds when it comes before the run has cleared
    // its abort request, so no row starts after it.
    void Abort();

    const RunProgress& Progress() const { return progress_; }

private:
    PingTable& table_;
    const std::u16string threadSetting_;
    std::atomic<bool> stopThreadingFlag_{false};
    std::atomic<int> timeoutThreads_;
    bool abortAsked_ = false;
    RunProgress progress_;
    MainThreadQueue calls_;
    HandOverLink link_;
};

}  // namespace larkspire
