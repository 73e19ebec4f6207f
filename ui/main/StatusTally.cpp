#include "ui/main/StatusTally.h"

#include <numeric>

namespace larkspire {
namespace {

std::size_t Slot(StatusKind kind) { return static_cast<std::size_t>(kind); }

}  // namespace

void StatusTally::Reset(int rows)
{
    counts_.fill(0);
    counts_[Slot(StatusKind::NotChecked)] = rows;
}

void StatusTally::Change(StatusKind before, StatusKind after)
{
    --counts_[Slot(before)];
    ++counts_[Slot(after)];
}

int StatusTally::Count(StatusKind kind) const { return counts_[Slot(kind)]; }

int StatusTally::Rows() const { return std::accumulate(counts_.begin(), counts_.end(), 0); }

int StatusTally::Finished() const { return Rows() - Count(StatusKind::NotChecked) - Count(StatusKind::UnderWay); }

}  // namespace larkspire
