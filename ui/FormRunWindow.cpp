#include "ui/FormRunWindow.h"

#include "lists/StringGridUtil.h"
#include "ui/ComboTrackBar.h"
#include "ui/Dialogs.h"
#include "ui/formMain.h"

#include <QLabel>
#include <QMetaObject>

namespace larkspire {

TFormRunWindow::TFormRunWindow(TTFormMain& form)
    : form_(form),
      link_([&form](std::function<void()> call) {
          // A queued call to a window that is destroyed before it runs is dropped by Qt, which releases its caller.
          QMetaObject::invokeMethod(&form, std::move(call), Qt::QueuedConnection);
      })
{
}

void TFormRunWindow::Close() { link_.Close(); }

bool TFormRunWindow::HandOver(const std::function<void()>& step) { return link_.HandOver(step); }

std::atomic<bool>& TFormRunWindow::StopThreadingFlag() { return stopThreadingFlag_; }

std::atomic<int>& TFormRunWindow::TimeoutThreads() { return timeoutThreads_; }

std::u16string TFormRunWindow::ThreadSettingText()
{
    return form_.ComboTrackBarNumberThreads->Text().toStdU16String();
}

int TFormRunWindow::RowCount() { return form_.Table.RowCount(); }

std::u16string TFormRunWindow::RowUrl(int row)
{
    return form_.Table.GetCell(PingTable::ColumnUrl, row).toStdU16String();
}

void TFormRunWindow::SetRowStatus(int row, const std::u16string& status)
{
    form_.Table.SetCell(PingTable::ColumnPing, row, QString::fromStdU16String(status));
}

void TFormRunWindow::ClearStatusColumn() { ClearGrid(form_.Table, PingTable::ColumnPing); }

void TFormRunWindow::MakeTopRow(int row) { form_.MakeRowTopVisible(row); }

void TFormRunWindow::SetLabelCompleted(const std::u16string& text)
{
    form_.LabelCompleted->setText(QString::fromStdU16String(text));
}

void TFormRunWindow::SetLabelTime(const std::u16string& text)
{
    form_.LabelTime->setText(QString::fromStdU16String(text));
}

void TFormRunWindow::EnableDisableOnStart(bool Flag) { form_.EnableDisableOnStart(Flag); }

void TFormRunWindow::ShowMessage(const std::u16string& text)
{
    Dialogs::ShowMessage(&form_, QString::fromStdU16String(text));
}

}  // namespace larkspire
