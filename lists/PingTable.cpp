#include "lists/PingTable.h"

namespace larkspire {

TableRangeError::TableRangeError() : LarkspireError("Grid index out of range") {}

PingTable::Batch::Batch(PingTable& table) : table_(table)
{
    table_.BeginBatch();
}

PingTable::Batch::~Batch()
{
    table_.EndBatch();
}

void PingTable::BeginBatch()
{
    if (batchDepth_++ == 0 && listener_)
        listener_->TableAboutToReset();
}

void PingTable::EndBatch()
{
    if (--batchDepth_ == 0 && listener_)
        listener_->TableReset();
}

int PingTable::RowCount() const
{
    return static_cast<int>(rows_.size());
}

void PingTable::SetRowCount(int count)
{
    if (count < 0)
        return;
    Batch batch(*this);
    if (count == 0)
        std::vector<PingRow>().swap(rows_);  // an emptied table gives its memory back
    else
        rows_.resize(static_cast<std::size_t>(count));
}

void PingTable::TakeRowsOf(PingTable& other)
{
    Batch batch(*this);
    rows_ = std::move(other.rows_);
    std::vector<PingRow>().swap(other.rows_);
}

int PingTable::ColumnCount() const
{
    return 2;
}

QString PingTable::GetCell(int column, int row) const
{
    if (row < 0 || row >= RowCount())
        return {};
    const PingRow& cells = rows_[static_cast<std::size_t>(row)];
    switch (column) {
    case ColumnUrl:
        return cells.Url;
    case ColumnPing:
        return cells.Status;
    default:
        return {};
    }
}

void PingTable::SetCell(int column, int row, const QString& text)
{
    if (column == ColumnPing) {
        SetStatus(row, text, {});
        return;
    }
    if (row < 0 || row >= RowCount() || column != ColumnUrl)
        throw TableRangeError();
    rows_[static_cast<std::size_t>(row)].Url = text;
    TellCellChanged(column, row);
}

QString PingTable::Reason(int row) const
{
    if (row < 0 || row >= RowCount())
        return {};
    return rows_[static_cast<std::size_t>(row)].Reason;
}

void PingTable::SetStatus(int row, const QString& status, const QString& reason)
{
    if (row < 0 || row >= RowCount())
        throw TableRangeError();
    PingRow& cells = rows_[static_cast<std::size_t>(row)];
    cells.Status = status;
    cells.Reason = reason;
    // Told after both are stored, so a listener reading the row sees the reason of the new status.
    TellCellChanged(ColumnPing, row);
}

void PingTable::TellCellChanged(int column, int row)
{
    if (batchDepth_ == 0 && listener_)
        listener_->CellChanged(column, row);
}

void PingTable::SetListener(PingTableListener* listener)
{
    listener_ = listener;
}

}  // namespace larkspire
