#include "cli/HeadlessWindow.h"

#include <QString>

#include "base/AsciiText.h"
#include "http/UrlChecker.h"
#include "lists/PingTable.h"
#include "lists/PingTableColumns.h"

namespace larkspire {

HeadlessWindow::HeadlessWindow(PingTable& table, int threads, int timeoutSeconds)
    : table_(table),
      threadSetting_(DecimalText(threads)),
      timeoutThreads_(timeoutSeconds),
      link_([this] { calls_.Post([this] { link_.RunPass(); }); })
{}

bool HeadlessWindow::HandOver(const std::function<void()>& step) { return link_.HandOver(step); }

bool HeadlessWindow::Post(std::function<void()> step) { return link_.Post(std::move(step)); }

std::u16string HeadlessWindow::ThreadSettingText() { return threadSetting_; }

int HeadlessWindow::RowCount() { return table_.RowCount(); }

std::u16string HeadlessWindow::RowUrl(int row) { return table_.GetCell(PingTable::ColumnUrl, row).toStdU16String(); }

void HeadlessWindow::SetRowStatus(int row, const CheckOutcome& outcome)
{
    table_.SetOutcome(row, outcome);
    if (outcome.status != StatusPinging) progress_.finished.Add(outcome.status);
}

void HeadlessWindow::ClearStatusColumn()
{
    ClearColumn(table_, PingTable::ColumnPing);
    progress_.finished.Clear();
}

void HeadlessWindow::MakeTopRow(int)
{
    // Nothing scrolls here: the progress line shows the row beside "Processed" instead.
}

void HeadlessWindow::SetProcessedText(const std::u16string& text) { progress_.lastStarted = text; }

void HeadlessWindow::SetElapsedText(const std::u16string& text) { progress_.elapsed = text; }

void HeadlessWindow::SetRunningState(bool running)
{
    // The run clears its abort request as it enters the running state: an Abort that came earlier is renewed
    // here, before any row has started.
    if (running && abortAsked_) stopThreadingFlag_ = true;
    progress_.running = running;
    if (running) progress_.startedAt = std::chrono::steady_clock::now();
}

void HeadlessWindow::ShowMessage(const std::u16string& text) { progress_.endMessage = text; }

void HeadlessWindow::Abort()
{
    abortAsked_ = true;
    stopThreadingFlag_ = true;
}

void HeadlessWindow::ServeUntilRunEnds(const std::function<void()>& betweenSteps, std::chrono::milliseconds tick)
{
    auto nextTick = std::chrono::steady_clock::now();
    while (progress_.endMessage.empty()) {
        calls_.ServeUntil(nextTick);
        if (std::chrono::steady_clock::now() >= nextTick) {
            betweenSteps();
            nextTick = std::chrono::steady_clock::now() + tick;
        }
    }
    link_.Close();
    calls_.DiscardAll();
}

}  // namespace larkspire
