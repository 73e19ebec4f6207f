#include "ui/main/MainWindowRunView.h"

#include "base/LarkspireError.h"
#include "lists/PingTableColumns.h"
#include "lists/StatusKind.h"
#include "ui/main/MainWindow.h"
#include "ui/main/PingTableModel.h"
#include "ui/main/RunSummaryView.h"
#include "ui/widgets/Dialogs.h"
#include "ui/widgets/SliderWithBox.h"

#include <QLabel>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace larkspire {

namespace {

int NewWakeCounter()
{
    const int counter = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (counter < 0) throw LarkspireError("The window cannot follow a ping run: no event counter is left for it.");
    return counter;
}

}  // namespace

MainWindowRunView::MainWindowRunView(MainWindow& window)
    : window_(window),
      wakeCounter_(NewWakeCounter()),
      wakeNotifier_(new QSocketNotifier(wakeCounter_, QSocketNotifier::Read, &window)),
      link_([this] { WakeGuiThread(); })
{
    QObject::connect(wakeNotifier_, &QSocketNotifier::activated, &window, [this] { RunPass(); });
}

MainWindowRunView::~MainWindowRunView() { ::close(wakeCounter_); }

void MainWindowRunView::WakeGuiThread()
{
    const std::uint64_t one = 1;
    // The counter can only be full after 2^64 - 1 wakes without a pass; a failed write leaves it readable anyway.
    [[maybe_unused]] const ssize_t written = ::write(wakeCounter_, &one, sizeof one);
}

void MainWindowRunView::RunPass()
{
    std::uint64_t wakes = 0;
    [[maybe_unused]] const ssize_t read = ::read(wakeCounter_, &wakes, sizeof wakes);
    BeginPass();
    link_.RunPass();
    EndPass();
}

void MainWindowRunView::CheckRows(std::vector<int> rows) { checkedRows_ = std::move(rows); }

int MainWindowRunView::TableRow(int runRow) const
{
    return checkedRows_.empty() ? runRow : checkedRows_[static_cast<std::size_t>(runRow)];
}

void MainWindowRunView::Close()
{
    link_.Close();
    wakeNotifier_->setEnabled(false);
}

bool MainWindowRunView::HandOver(const std::function<void()>& step) { return link_.HandOver(step); }

bool MainWindowRunView::Post(std::function<void()> step) { return link_.Post(std::move(step)); }

std::atomic<bool>& MainWindowRunView::AbortFlag() { return abortFlag_; }

std::atomic<int>& MainWindowRunView::TimeoutSeconds() { return timeoutSeconds_; }

std::u16string MainWindowRunView::ThreadSettingText() { return window_.threadsSetting->Text().toStdU16String(); }

int MainWindowRunView::RowCount()
{
    return checkedRows_.empty() ? window_.Table.RowCount() : static_cast<int>(checkedRows_.size());
}

std::u16string MainWindowRunView::RowUrl(int row)
{
    return window_.Table.GetCell(PingTable::ColumnUrl, TableRow(row)).toStdU16String();
}

void MainWindowRunView::SetRowStatus(int runRow, const CheckOutcome& outcome)
{
    const int row = TableRow(runRow);
    const StatusKind before = StatusKindOf(window_.Table.GetCell(PingTable::ColumnPing, row));
    window_.Table.SetOutcome(row, outcome);
    window_.statusTally_.Change(before, StatusKindOf(outcome.status));
    summaryChanged_ = true;
}

void MainWindowRunView::ClearStatusColumn()
{
    summaryChanged_ = true;
    if (checkedRows_.empty()) {
        ClearColumn(window_.Table, PingTable::ColumnPing);
        window_.statusTally_.Reset(window_.Table.RowCount());
        return;
    }
    // Only the rows checked again lose their statuses; the others keep what their last check said. The pass holds
    // the model's changes, so the view hears of them once.
    for (int row : checkedRows_) {
        window_.statusTally_.Change(StatusKindOf(window_.Table.GetCell(PingTable::ColumnPing, row)),
                                    StatusKind::NotChecked);
        window_.Table.SetOutcome(row, CheckOutcome());
    }
}

void MainWindowRunView::MakeTopRow(int row) { pendingTopRow_ = TableRow(row); }

void MainWindowRunView::SetProcessedText(const std::u16string& text)
{
    pendingProcessed_ = QString::fromStdU16String(text);
}

void MainWindowRunView::SetElapsedText(const std::u16string& text)
{
    window_.timeValueLabel->setText(QString::fromStdU16String(text));
}

void MainWindowRunView::SetRunningState(bool running)
{
    window_.tableModel_->FlushChanges();
    RefreshView();
    window_.SetRunningState(running);
}

void MainWindowRunView::ShowMessage(const std::u16string& text)
{
    Dialogs::ShowMessage(&window_, QString::fromStdU16String(text));
}

void MainWindowRunView::BeginPass() { window_.tableModel_->HoldChanges(); }

void MainWindowRunView::EndPass()
{
    window_.tableModel_->FlushChanges();
    const auto sinceRefresh = std::chrono::steady_clock::now() - lastRefresh_;
    if (sinceRefresh >= kViewRefreshInterval) {
        RefreshView();
    } else if (!refreshTimerArmed_ && (pendingTopRow_ >= 0 || !pendingProcessed_.isNull() || summaryChanged_)) {
        // What the last passes asked for still shows, a little later, when no more steps come.
        refreshTimerArmed_ = true;
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(kViewRefreshInterval - sinceRefresh);
        QTimer::singleShot(wait, &window_, [this] {
            refreshTimerArmed_ = false;
            RefreshView();
        });
    }
}

void MainWindowRunView::RefreshView()
{
    lastRefresh_ = std::chrono::steady_clock::now();
    if (pendingTopRow_ >= 0) window_.ScrollRowToTop(std::exchange(pendingTopRow_, -1));
    if (!pendingProcessed_.isNull()) window_.processedValueLabel->setText(std::exchange(pendingProcessed_, QString()));
    if (std::exchange(summaryChanged_, false)) window_.runSummaryView->Show(window_.statusTally_);
}

}  // namespace larkspire
