#pragma once

#include "lists/StatusKind.h"

#include <array>

namespace larkspire {

// How many rows of the table are in each StatusKind, kept up to date one status change at a time, so that a
// summary never needs to walk the table.
class StatusTally {
public:
    // Every one of `rows` rows not checked.
    void Reset(int rows);
    // One row's status went from `before` to `after`.
    void Change(StatusKind before, StatusKind after);

    int Count(StatusKind kind) const;
    int Rows() const;
    // Rows whose check has ended, whatever its outcome.
    int Finished() const;

private:
    std::array<int, 6> counts_{};
};

}  // namespace larkspire
