#include "ui/main/MainWindowRunView.h"

#include "lists/PingTableColumns.h"
#include "ui/widgets/SliderWithBox.h"
#include "ui/widgets/Dialogs.h"
#include "ui/main/MainWindow.h"

#include <QLabel>
#include <QMetaObject>

namespace larkspire {

MainWindowRunView::MainWindowRunView(MainWindow& form)
    : form_(form),
      link_([&form](std::function<void()> call) {
          // A queued call to a window that is destroyed before it runs is dropped by Qt, which releases its caller.
          QMetaObject::invokeMethod(&form, std::move(call), Qt::QueuedConnection);
      })
{
}

void MainWindowRunView::Close() { link_.Close(); }

bool MainWindowRunView::HandOver(const std::function<void()>& step) { return link_.HandOver(step); }

std::atomic<bool>& MainWindowRunView::AbortFlag() { return stopThreadingFlag_; }

std::atomic<int>& MainWindowRunView::TimeoutSeconds() { return timeoutThreads_; }

std::u16string MainWindowRunView::ThreadSettingText()
{
    return form_.threadsSetting->Text().toStdU16String();
}

int MainWindowRunView::RowCount() { return form_.Table.RowCount(); }

std::u16string MainWindowRunView::RowUrl(int row)
{
    return form_.Table.GetCell(PingTable::ColumnUrl, row).toStdU16String();
}

void MainWindowRunView::SetRowStatus(int row, const std::u16string& status)
{
    form_.Table.SetCell(PingTable::ColumnPing, row, QString::fromStdU16String(status));
}

void MainWindowRunView::ClearStatusColumn() { ClearColumn(form_.Table, PingTable::ColumnPing); }

void MainWindowRunView::MakeTopRow(int row) { form_.MakeRowTopVisible(row); }

void MainWindowRunView::SetProcessedText(const std::u16string& text)
{
    form_.processedValueLabel->setText(QString::fromStdU16String(text));
}

void MainWindowRunView::SetElapsedText(const std::u16string& text)
{
    form_.timeValueLabel->setText(QString::fromStdU16String(text));
}

void MainWindowRunView::SetRunningState(bool Flag) { form_.SetRunningState(Flag); }

void MainWindowRunView::ShowMessage(const std::u16string& text)
{
    Dialogs::ShowMessage(&form_, QString::fromStdU16String(text));
}

}  // namespace larkspire
