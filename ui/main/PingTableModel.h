#pragma once

#include "lists/PingTable.h"

#include <QAbstractTableModel>

class QTableView;

namespace larkspire {

// Shows a PingTable in a view without copying it: every cell is read from the table when drawn, and
// the table's notifications become the model's. The table must outlive the model.
class PingTableModel final : public QAbstractTableModel, private PingTableListener {
    Q_OBJECT

public:
    explicit PingTableModel(PingTable& table, QObject* parent = nullptr);
    ~PingTableModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // From now until FlushChanges, cell changes are gathered instead of told one by one.
    void HoldChanges();
    // Tells the view of the cells changed since HoldChanges in one change of the rows they span, and stops
    // holding. Nothing is told when no cell changed; a reset meanwhile has told the view everything already.
    void FlushChanges();

private:
    void TableAboutToReset() override;
    void TableReset() override;
    void CellChanged(int column, int row) override;

    PingTable& table_;
    bool holding_ = false;
    int firstHeldRow_ = -1;
    int lastHeldRow_ = -1;
};

// Scrolls `view` so that `row` is its top visible row, keeping the horizontal position. A row outside
// the model leaves the view as it is.
void ScrollRowToTop(QTableView& view, int row);

}  // namespace larkspire
