#include "ui/main/PingTableFilter.h"

#include "lists/StatusKind.h"

#include <QItemSelection>

#include <algorithm>

namespace larkspire {
namespace {

bool StatusPasses(StatusFilter filter, StatusKind kind)
{
    switch (filter) {
    case StatusFilter::Completed:
        return kind == StatusKind::Completed;
    case StatusFilter::Failed:
        return IsFailure(kind);
    case StatusFilter::NotChecked:
        return kind == StatusKind::NotChecked;
    case StatusFilter::All:
        break;
    }
    return true;
}

// Sorted by status, rows come by outcome: completed, errors, time-outs, aborted, under way, not checked.
int OutcomeRank(StatusKind kind)
{
    switch (kind) {
    case StatusKind::Completed:
        return 0;
    case StatusKind::Error:
        return 1;
    case StatusKind::Timeout:
        return 2;
    case StatusKind::Aborted:
        return 3;
    case StatusKind::UnderWay:
        return 4;
    case StatusKind::NotChecked:
        break;
    }
    return 5;
}

}  // namespace

PingTableFilter::PingTableFilter(const PingTable& table, QAbstractItemModel& tableModel, QObject* parent)
    : QSortFilterProxyModel(parent), table_(table)
{
    setSourceModel(&tableModel);
}

void PingTableFilter::SetStatusFilter(StatusFilter filter)
{
    if (filter == statusFilter_) return;
    statusFilter_ = filter;
    invalidateRowsFilter();
}

void PingTableFilter::SetUrlText(const QString& text)
{
    if (text == urlText_) return;
    urlText_ = text;
    invalidateRowsFilter();
}

bool PingTableFilter::InTableOrder() const { return sortColumn() < 0; }

std::vector<int> PingTableFilter::TableRows(const QSortFilterProxyModel& proxy, const QItemSelection& selection)
{
    std::vector<int> viewRows;
    for (const QItemSelectionRange& range : selection)
        for (int row = range.top(); row <= range.bottom(); ++row) viewRows.push_back(row);
    std::sort(viewRows.begin(), viewRows.end());
    viewRows.erase(std::unique(viewRows.begin(), viewRows.end()), viewRows.end());
    std::vector<int> tableRows;
    tableRows.reserve(viewRows.size());
    for (int row : viewRows) tableRows.push_back(proxy.mapToSource(proxy.index(row, 0)).row());
    return tableRows;
}

bool PingTableFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    if (statusFilter_ != StatusFilter::All &&
        !StatusPasses(statusFilter_, StatusKindOf(table_.GetCell(PingTable::ColumnPing, sourceRow))))
        return false;
    return urlText_.isEmpty() ||
           table_.GetCell(PingTable::ColumnUrl, sourceRow).contains(urlText_, Qt::CaseInsensitive);
}

bool PingTableFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const int column = left.column();
    const QString leftText = table_.GetCell(column, left.row());
    const QString rightText = table_.GetCell(column, right.row());
    if (column == PingTable::ColumnPing) {
        const int leftRank = OutcomeRank(StatusKindOf(leftText));
        const int rightRank = OutcomeRank(StatusKindOf(rightText));
        if (leftRank != rightRank) return leftRank < rightRank;
    }
    // Equal cells keep the table's order between them, so a re-sort during a run moves no row needlessly.
    return leftText != rightText ? leftText < rightText : left.row() < right.row();
}

}  // namespace larkspire
