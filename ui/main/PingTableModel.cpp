#include "ui/main/PingTableModel.h"

#include "ui/main/StatusColours.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>
#include <utility>

namespace larkspire {
namespace {

// What a status change changes: the text, the row's tooltip and the status's colour.
const QList<int> kStatusRoles = {Qt::DisplayRole, Qt::ToolTipRole, Qt::ForegroundRole};

}  // namespace

PingTableModel::PingTableModel(PingTable& table, QObject* parent) : QAbstractTableModel(parent), table_(table)
{
    table_.SetListener(this);
}

PingTableModel::~PingTableModel() { table_.SetListener(nullptr); }

int PingTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : table_.RowCount(); }

int PingTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : table_.ColumnCount(); }

QVariant PingTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return table_.GetCell(index.column(), index.row());
    if (role == Qt::ForegroundRole && index.column() == PingTable::ColumnPing) {
        // The text stays: the colour only helps the eye find outcomes in a long table.
        const QColor colour =
            StatusColour(StatusKindOf(table_.GetCell(PingTable::ColumnPing, index.row())), QGuiApplication::palette());
        return colour.isValid() ? QVariant(colour) : QVariant();
    }
    if (role == Qt::ToolTipRole) {
        const QString reason = table_.Reason(index.row());
        return reason.isEmpty() ? QVariant() : QVariant(reason);
    }
    return {};
}

QVariant PingTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case PingTable::ColumnUrl:
        return QStringLiteral("Url");
    case PingTable::ColumnPing:
        return QStringLiteral("Ping status");
    default:
        return {};
    }
}

void PingTableModel::HoldChanges() { holding_ = true; }

void PingTableModel::FlushChanges()
{
    holding_ = false;
    if (firstHeldRow_ < 0) return;
    const int first = std::exchange(firstHeldRow_, -1);
    const int last = std::exchange(lastHeldRow_, -1);
    emit dataChanged(index(first, 0), index(last, PingTable::ColumnPing), kStatusRoles);
}

void PingTableModel::TableAboutToReset()
{
    firstHeldRow_ = lastHeldRow_ = -1;
    beginResetModel();
}

void PingTableModel::TableReset() { endResetModel(); }

void PingTableModel::CellChanged(int column, int row)
{
    if (holding_) {
        firstHeldRow_ = firstHeldRow_ < 0 ? row : std::min(firstHeldRow_, row);
        lastHeldRow_ = std::max(lastHeldRow_, row);
        return;
    }
    const QModelIndex cell = index(row, column);
    // A status cell carries its reason as the tooltip of the whole row.
    if (column == PingTable::ColumnPing)
        emit dataChanged(index(row, 0), cell, kStatusRoles);
    else
        emit dataChanged(cell, cell, {Qt::DisplayRole});
}

void ScrollRowToTop(QTableView& view, int row)
{
    const QAbstractItemModel* model = view.model();
    if (model == nullptr || row < 0 || row >= model->rowCount()) return;
    QScrollBar* horizontal = view.horizontalScrollBar();
    const int horizontalPosition = horizontal->value();
    view.scrollTo(model->index(row, 0), QAbstractItemView::PositionAtTop);
    horizontal->setValue(horizontalPosition);
}

}  // namespace larkspire
