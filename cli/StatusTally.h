#pragma once

#include <string>
#include <utility>
#include <vector>

namespace larkspire {

// How many rows of a run have ended with each final status.
class StatusTally {
public:
    void Clear();
    void Add(const std::u16string& status);

    int Total() const { return total_; }
    // Each status seen with its count: "Completed" first, then the errors by code, "Timeout", "Aborted", the rest.
    std::vector<std::pair<std::u16string, int>> Counts() const;

private:
    std::vector<std::pair<std::u16string, int>> counts_;
    int total_ = 0;
};

}  // namespace larkspire
