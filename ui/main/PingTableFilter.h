#pragma once

#include "lists/PingTable.h"

#include <QSortFilterProxyModel>

namespace larkspire {

// Which rows the table shows by their status.
enum class StatusFilter { All, Completed, Failed, NotChecked };

// What the user sees of the ping table: the rows the status and URL filters let through, in the order of the
// column the user sorted by, or in the table's own order. The run and the exports keep working on the table's
// rows; only the view goes through this model. Cells are read from the table directly, not through data(), so a
// million rows filter and sort in about a second.
class PingTableFilter final : public QSortFilterProxyModel {
    Q_OBJECT

public:
    PingTableFilter(const PingTable& table, QAbstractItemModel& tableModel, QObject* parent = nullptr);

    void SetStatusFilter(StatusFilter filter);
    // Rows whose URL holds `text`, in any case; the empty text lets every row through.
    void SetUrlText(const QString& text);
    // True while the rows are shown in the table's own order.
    bool InTableOrder() const;

    // The table rows of the view's selection, in the view's order.
    static std::vector<int> TableRows(const QSortFilterProxyModel& proxy, const QItemSelection& selection);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    const PingTable& table_;
    StatusFilter statusFilter_ = StatusFilter::All;
    QString urlText_;
};

}  // namespace larkspire
