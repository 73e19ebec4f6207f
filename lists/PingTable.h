#pragma once

#include "base/LarkspireError.h"

#include <QString>

#include <vector>

namespace larkspire {

// A cell write outside the table.
class TableRangeError : public LarkspireError {
public:
    TableRangeError();
};

// One row of the ping table: the URL, the status of its latest check and the reason given for that status.
struct PingRow {
    QString Url;
    QString Status;
    QString Reason;
};

// Told about changes of a PingTable, so a view can follow them. Bulk changes come as one
// TableAboutToReset / TableReset pair around the whole change, never as a stream of cell changes.
class PingTableListener {
public:
    virtual ~PingTableListener() = default;

    virtual void TableAboutToReset() = 0;
    virtual void TableReset() = 0;
    virtual void CellChanged(int column, int row) = 0;
};

// The two-column result table: column 0 the Url, column 1 the ping status; every row a data row.
class PingTable {
public:
    static constexpr int ColumnUrl = 0;
    static constexpr int ColumnPing = 1;

    // Groups every change made while it lives into one reset notification. Nests: only the
    // outermost batch notifies.
    class Batch {
    public:
        explicit Batch(PingTable& table);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        PingTable& table_;
    };

    int RowCount() const;
    // Rows beyond `count` are discarded, new rows start empty; a negative count is ignored.
    void SetRowCount(int count);
    int ColumnCount() const;

    // The empty text outside the table (a row of -1 included).
    QString GetCell(int column, int row) const;
    // Throws TableRangeError, writing nothing, outside the table. A new status clears the row's reason.
    void SetCell(int column, int row, const QString& text);

    // The reason explaining a row's status; empty outside the table.
    QString Reason(int row) const;
    // The status and its reason in one change of the status cell; throws TableRangeError outside the table.
    void SetStatus(int row, const QString& status, const QString& reason);

    // Takes every row of `other` in place of this table's own, in one reset notification; `other` is left empty.
    // A table built elsewhere (on another thread) comes in without a copy.
    void TakeRowsOf(PingTable& other);

    // The one listener, or nullptr; it must outlive the table or be replaced before it goes.
    void SetListener(PingTableListener* listener);

private:
    void BeginBatch();
    void EndBatch();
    void TellCellChanged(int column, int row);

    std::vector<PingRow> rows_;
    PingTableListener* listener_ = nullptr;
    int batchDepth_ = 0;
};

}  // namespace larkspire
