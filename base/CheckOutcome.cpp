#include "base/CheckOutcome.h"

#include "base/AsciiText.h"

namespace larkspire {

std::u16string ShownReason(const CheckOutcome& outcome)
{
    static constexpr char16_t Separator[] = u" \u00B7 ";
    std::u16string shown;
    const auto add = [&shown](const std::u16string& part) {
        if (!shown.empty()) shown += Separator;
        shown += part;
    };
    if (!outcome.finalUrl.empty()) add(u"moved to " + outcome.finalUrl);
    if (!outcome.reason.empty()) add(outcome.reason);
    if (outcome.elapsedMs >= 0) add(u"in " + DecimalText(outcome.elapsedMs) + u" ms");
    return shown;
}

}  // namespace larkspire
