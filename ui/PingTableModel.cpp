#include "ui/PingTableModel.h"

#include <QScrollBar>
#include <QTableView>

namespace larkspire {

TPingTableModel::TPingTableModel(PingTable& table, QObject* parent) : QAbstractTableModel(parent), table_(table)
{
    table_.SetListener(this);
}

TPingTableModel::~TPingTableModel() { table_.SetListener(nullptr); }

int TPingTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : table_.RowCount();
}

int TPingTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : table_.ColumnCount();
}

QVariant TPingTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return table_.GetCell(index.column(), index.row());
}

QVariant TPingTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case PingTable::ColumnUrl:
        return QStringLiteral("Url");
    case PingTable::ColumnPing:
        return QStringLiteral("Ping status");
    default:
        return {};
    }
}

void TPingTableModel::TableAboutToReset() { beginResetModel(); }

void TPingTableModel::TableReset() { endResetModel(); }

void TPingTableModel::CellChanged(int column, int row)
{
    const QModelIndex cell = index(row, column);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
}

void MakeRowTopVisible(QTableView& view, int row)
{
    const QAbstractItemModel* model = view.model();
    if (model == nullptr || row < 0 || row >= model->rowCount())
        return;
    QScrollBar* horizontal = view.horizontalScrollBar();
    const int horizontalPosition = horizontal->value();
    view.scrollTo(model->index(row, 0), QAbstractItemView::PositionAtTop);
    horizontal->setValue(horizontalPosition);
}

}  // namespace larkspire
