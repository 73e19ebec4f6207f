#include "lists/PingTable.h"

namespace larkspire {

namespace {

// The numbers that say a text is in the row's side store instead.
constexpr std::uint16_t StatusInSideStore = 0xFFFF;
constexpr std::uint16_t ReasonInSideStore = 0x7FFF;
constexpr std::uint16_t ReasonNumberBits = 0x7FFF;
constexpr std::uint16_t HasSideTexts = 0x8000;

static_assert(sizeof(void*) != 8 || sizeof(PingRow) == 32, "a row grew: a million of them are counted on");

std::u16string_view View(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

}  // namespace

PingTable::PingTable() : statuses_(StatusInSideStore - 1), reasons_(ReasonInSideStore - 1) {}

TableRangeError::TableRangeError() : LarkspireError("Grid index out of range") {}

PingTable::Batch::Batch(PingTable& table) : table_(table) { table_.BeginBatch(); }

PingTable::Batch::~Batch() { table_.EndBatch(); }

void PingTable::BeginBatch()
{
    if (batchDepth_++ == 0 && listener_) listener_->TableAboutToReset();
}

void PingTable::EndBatch()
{
    if (--batchDepth_ == 0 && listener_) listener_->TableReset();
}

int PingTable::RowCount() const { return static_cast<int>(rows_.size()); }

void PingTable::SetRowCount(int count)
{
    if (count < 0) return;
    Batch batch(*this);
    if (count == 0) {
        // An emptied table gives its memory back, its pools' included.
        std::vector<PingRow>().swap(rows_);
        statuses_.Clear();
        reasons_.Clear();
        sideTexts_.clear();
        return;
    }
    if (count < RowCount()) std::erase_if(sideTexts_, [count](const auto& entry) { return entry.first >= count; });
    rows_.resize(static_cast<std::size_t>(count));
}

void PingTable::TakeRowsOf(PingTable& other)
{
    Batch batch(*this);
    rows_ = std::move(other.rows_);
    statuses_ = std::move(other.statuses_);
    reasons_ = std::move(other.reasons_);
    sideTexts_ = std::move(other.sideTexts_);
    std::vector<PingRow>().swap(other.rows_);
    other.statuses_.Clear();
    other.reasons_.Clear();
    other.sideTexts_.clear();
}

int PingTable::ColumnCount() const { return 2; }

QString PingTable::GetCell(int column, int row) const
{
    if (row < 0 || row >= RowCount()) return {};
    const PingRow& cells = rows_[static_cast<std::size_t>(row)];
    switch (column) {
    case ColumnUrl:
        return cells.Url;
    case ColumnPing:
        return StatusText(row);
    default:
        return {};
    }
}

void PingTable::SetCell(int column, int row, const QString& text)
{
    if (column == ColumnPing) {
        StoreOutcome(row, View(text), {}, -1, {});
        return;
    }
    if (row < 0 || row >= RowCount() || column != ColumnUrl) throw TableRangeError();
    rows_[static_cast<std::size_t>(row)].Url = text;
    TellCellChanged(column, row);
}

QString PingTable::Reason(int row) const
{
    if (row < 0 || row >= RowCount()) return {};
    return QString::fromStdU16String(ShownReason(Outcome(row)));
}

CheckOutcome PingTable::Outcome(int row) const
{
    if (row < 0 || row >= RowCount()) return {};
    const RowTexts* side = SideTexts(row);
    return CheckOutcome(StatusText(row).toStdU16String(), ReasonText(row).toStdU16String(),
                        rows_[static_cast<std::size_t>(row)].ElapsedMs,
                        side ? side->FinalUrl.toStdU16String() : std::u16string());
}

void PingTable::SetOutcome(int row, const CheckOutcome& outcome)
{
    StoreOutcome(row, outcome.status, outcome.reason, outcome.elapsedMs, outcome.finalUrl);
}

void PingTable::StoreOutcome(int row, std::u16string_view status, std::u16string_view reason, std::int32_t elapsedMs,
                             std::u16string_view finalUrl)
{
    if (row < 0 || row >= RowCount()) throw TableRangeError();
    const auto toQString = [](std::u16string_view text) {
        return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
    };
    RowTexts side;
    side.FinalUrl = toQString(finalUrl);
    const std::optional<std::uint16_t> statusNumber = statuses_.Number(status);
    if (!statusNumber) side.Status = toQString(status);
    const std::optional<std::uint16_t> reasonNumber = reasons_.Number(reason);
    if (!reasonNumber) side.Reason = toQString(reason);
    const bool needsSide = !statusNumber || !reasonNumber || !finalUrl.empty();

    PingRow& cells = rows_[static_cast<std::size_t>(row)];
    if (needsSide)
        sideTexts_.insert_or_assign(row, std::move(side));
    else if (cells.Reason & HasSideTexts)
        sideTexts_.erase(row);
    cells.Status = statusNumber.value_or(StatusInSideStore);
    const std::uint16_t sideFlag = needsSide ? HasSideTexts : 0;
    cells.Reason = static_cast<std::uint16_t>(reasonNumber.value_or(ReasonInSideStore) | sideFlag);
    cells.ElapsedMs = elapsedMs;
    // Told after the whole outcome is stored, so a listener reading the row sees the reason of the new status.
    TellCellChanged(ColumnPing, row);
}

const PingTable::RowTexts* PingTable::SideTexts(int row) const
{
    if (!(rows_[static_cast<std::size_t>(row)].Reason & HasSideTexts)) return nullptr;
    const auto found = sideTexts_.find(row);
    return found == sideTexts_.end() ? nullptr : &found->second;
}

const QString& PingTable::StatusText(int row) const
{
    const std::uint16_t number = rows_[static_cast<std::size_t>(row)].Status;
    if (number == StatusInSideStore) return SideTexts(row)->Status;
    return statuses_.Text(number);
}

const QString& PingTable::ReasonText(int row) const
{
    const std::uint16_t number = rows_[static_cast<std::size_t>(row)].Reason & ReasonNumberBits;
    if (number == ReasonInSideStore) return SideTexts(row)->Reason;
    return reasons_.Text(number);
}

void PingTable::TellCellChanged(int column, int row)
{
    if (batchDepth_ == 0 && listener_) listener_->CellChanged(column, row);
}

void PingTable::SetListener(PingTableListener* listener) { listener_ = listener; }

}  // namespace larkspire
