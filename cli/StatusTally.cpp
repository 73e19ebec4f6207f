#include "cli/StatusTally.h"

#include <algorithm>
#include <climits>
#include <tuple>

#include "http/UrlChecker.h"

namespace larkspire {

namespace {

// The code of an "Error %d" status, or none.
bool ErrorCode(const std::u16string& status, long long& code)
{
    constexpr std::u16string_view prefix = u"Error ";
    if (!status.starts_with(prefix) || status.size() == prefix.size()) return false;
    std::size_t at = prefix.size();
    const bool negative = status[at] == u'-';
    if (negative && ++at == status.size()) return false;
    code = 0;
    for (; at < status.size(); ++at) {
        if (status[at] < u'0' || status[at] > u'9') return false;
        code = std::min<long long>(code * 10 + (status[at] - u'0'), INT_MAX);
    }
    if (negative) code = -code;
    return true;
}

std::tuple<int, long long, std::u16string> DisplayRank(const std::u16string& status)
{
    long long code = 0;
    if (status == StatusCompleted) return {0, 0, {}};
    if (ErrorCode(status, code)) return {1, code, {}};
    if (status == StatusTimeout) return {2, 0, {}};
    if (status == StatusAborted) return {3, 0, {}};
    return {4, 0, status};
}

}  // namespace

void StatusTally::Clear()
{
    counts_.clear();
    total_ = 0;
}

void StatusTally::Add(const std::u16string& status)
{
    ++total_;
    const auto found =
        std::find_if(counts_.begin(), counts_.end(), [&](const auto& entry) { return entry.first == status; });
    if (found != counts_.end()) {
        ++found->second;
        return;
    }
    counts_.emplace_back(status, 1);
}

std::vector<std::pair<std::u16string, int>> StatusTally::Counts() const
{
    auto ordered = counts_;
    std::sort(ordered.begin(), ordered.end(),
              [](const auto& a, const auto& b) { return DisplayRank(a.first) < DisplayRank(b.first); });
    return ordered;
}

}  // namespace larkspire
