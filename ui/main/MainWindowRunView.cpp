#include "ui/main/MainWindowRunView.h"

#include "lists/PingTableColumns.h"
#include "ui/main/MainWindow.h"
#include "ui/widgets/Dialogs.h"
#include "ui/widgets/SliderWithBox.h"

#include <QLabel>
#include <QMetaObject>

namespace larkspire {

MainWindowRunView::MainWindowRunView(MainWindow& window)
    : window_(window),
      link_([&window](std::function<void()> call) {
          // A queued call to a window that is destroyed before it runs is dropped by Qt, which releases its caller.
          QMetaObject::invokeMethod(&window, std::move(call), Qt::QueuedConnection);
      })
{
}

void MainWindowRunView::Close() { link_.Close(); }

bool MainWindowRunView::HandOver(const std::function<void()>& step) { return link_.HandOver(step); }

std::atomic<bool>& MainWindowRunView::AbortFlag() { return abortFlag_; }

std::atomic<int>& MainWindowRunView::TimeoutSeconds() { return timeoutSeconds_; }

std::u16string MainWindowRunView::ThreadSettingText()
{
    return window_.threadsSetting->Text().toStdU16String();
}

int MainWindowRunView::RowCount() { return window_.Table.RowCount(); }

std::u16string MainWindowRunView::RowUrl(int row)
{
    return window_.Table.GetCell(PingTable::ColumnUrl, row).toStdU16String();
}

void MainWindowRunView::SetRowStatus(int row, const std::u16string& status, const std::u16string& reason)
{
    window_.Table.SetStatus(row, QString::fromStdU16String(status), QString::fromStdU16String(reason));
}

void MainWindowRunView::ClearStatusColumn() { ClearColumn(window_.Table, PingTable::ColumnPing); }

void MainWindowRunView::MakeTopRow(int row) { window_.ScrollRowToTop(row); }

void MainWindowRunView::SetProcessedText(const std::u16string& text)
{
    window_.processedValueLabel->setText(QString::fromStdU16String(text));
}

void MainWindowRunView::SetElapsedText(const std::u16string& text)
{
    window_.timeValueLabel->setText(QString::fromStdU16String(text));
}

void MainWindowRunView::SetRunningState(bool running) { window_.SetRunningState(running); }

void MainWindowRunView::ShowMessage(const std::u16string& text)
{
    Dialogs::ShowMessage(&window_, QString::fromStdU16String(text));
}

}  // namespace larkspire
