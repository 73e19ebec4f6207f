#pragma once

#include "base/CheckOutcome.h"
#include "base/LarkspireError.h"
#include "lists/TextPool.h"

#include <QString>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace larkspire {

// A cell write outside the table.
class TableRangeError : public LarkspireError {
public:
    TableRangeError();
};

// One row of the ping table: the URL and the outcome of its latest check in parts, the texts as numbers of the
// table's pools. 32 bytes, so a million rows cost 32 MB beside their URLs.
struct PingRow {
    QString Url;
    std::int32_t ElapsedMs = -1;
    std::uint16_t Status = 0;
    // The reason's number in its low 15 bits; the top bit tells that the row has texts in the table's side store.
    std::uint16_t Reason = 0;
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

    PingTable();

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
    // Throws TableRangeError, writing nothing, outside the table. A new status clears the rest of the row's outcome.
    void SetCell(int column, int row, const QString& text);

    // The reason a user reads beside a row's status (ShownReason of its outcome); empty outside the table.
    QString Reason(int row) const;
    // The parts of a row's latest outcome; an empty outcome outside the table.
    CheckOutcome Outcome(int row) const;
    // The whole outcome in one change of the status cell; throws TableRangeError outside the table.
    void SetOutcome(int row, const CheckOutcome& outcome);

    // Takes every row of `other` in place of this table's own, in one reset notification; `other` is left empty.
    // A table built elsewhere (on another thread) comes in without a copy.
    void TakeRowsOf(PingTable& other);

    // The one listener, or nullptr; it must outlive the table or be replaced before it goes.
    void SetListener(PingTableListener* listener);

private:
    // What a row holds beyond its numbers: the final URL of a check that redirects moved, and a status or reason
    // that found its pool full.
    struct RowTexts {
        QString Status;
        QString Reason;
        QString FinalUrl;
    };

    void BeginBatch();
    void EndBatch();
    void TellCellChanged(int column, int row);
    void StoreOutcome(int row, std::u16string_view status, std::u16string_view reason, std::int32_t elapsedMs,
                      std::u16string_view finalUrl);
    const QString& StatusText(int row) const;
    const QString& ReasonText(int row) const;
    const RowTexts* SideTexts(int row) const;

    std::vector<PingRow> rows_;
    TextPool statuses_;
    TextPool reasons_;
    std::unordered_map<int, RowTexts> sideTexts_;
    PingTableListener* listener_ = nullptr;
    int batchDepth_ = 0;
};

}  // namespace larkspire
