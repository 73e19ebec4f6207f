#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "run/HandOverLink.h"
#include "run/RunWindow.h"
#include "tests/run/GuiThread.h"

namespace larkspire::test {

// The Url of row m in the fake window; RowOfUrl gives m back.
std::u16string UrlOfRow(int m);
int RowOfUrl(const std::u16string& url);

// A headless window for ping runs: its table, labels and running state live on a GUI thread of its own, and
// posted and handed-over steps reach that thread through a HandOverLink, as in the program's window.
// Every GUI operation records a fault when it is called off the GUI thread or after the window has gone.
class FakeRunWindow : public RunWindow {
public:
    // A table of rows whose Urls are UrlOfRow(0), UrlOfRow(1), ...
    FakeRunWindow(int rows, std::u16string threadSetting);
    FakeRunWindow(std::vector<std::u16string> urls, std::u16string threadSetting);

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

    // Test side, any thread. Runs call on the GUI thread, as the window's own handlers run.
    void OnGui(const std::function<void()>& call) { gui_.Run(call); }
    // The window goes away, on its GUI thread: no step runs afterwards.
    void Close();
    // The same, called on the GUI thread itself.
    void GoAway();
    // Called on the GUI thread inside SetRunningState; set before the run starts.
    std::function<void(bool)> onRunningStateChange;

    void SetStatus(int row, const std::u16string& status);
    std::vector<std::u16string> Statuses();
    std::u16string ProcessedText();
    std::u16string ElapsedText();
    std::vector<std::u16string> Messages();
    // The GUI operations in the order they ran, without the time label's updates.
    std::vector<std::string> Events();
    // Rows in the order their start steps wrote "Pinging page...".
    std::vector<int> StartOrder();
    bool Running();
    int Faults();

private:
    // Records the operation; false when it must not touch anything (a fault).
    bool Enter(const std::string& event);

    std::atomic<bool> stopThreadingFlag_{false};
    std::atomic<int> timeoutThreads_{3};
    std::mutex mutex_;
    const std::u16string threadSetting_;
    std::vector<std::u16string> urls_;
    std::vector<std::u16string> statuses_;
    std::u16string processedText_ = u"0";
    std::u16string elapsedText_ = u"00:00:00";
    bool running_ = false;
    bool gone_ = false;
    int faults_ = 0;
    std::vector<std::u16string> messages_;
    std::vector<std::string> events_;
    std::vector<int> startOrder_;
    HandOverLink link_;
    // After the link, so that its loop has ended, and runs no pass, before the link goes.
    GuiThread gui_;
};

}  // namespace larkspire::test
