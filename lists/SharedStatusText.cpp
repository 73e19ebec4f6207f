#include "lists/SharedStatusText.h"

#include <unordered_map>

namespace larkspire {

QString SharedStatusText(std::u16string_view status)
{
    if (status.empty())
        return {};
    // Per thread, so no lock is needed; in practice only the thread that owns the table calls it. Each key views
    // the characters of its own value, which is never changed, so the lookup allocates nothing.
    thread_local std::unordered_map<std::u16string_view, QString> shared;
    const auto found = shared.find(status);
    if (found != shared.end())
        return found->second;
    QString text = QString::fromUtf16(status.data(), static_cast<qsizetype>(status.size()));
    if (shared.size() < static_cast<std::size_t>(kMostSharedStatusTexts))
        shared.emplace(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), status.size()), text);
    return text;
}

}  // namespace larkspire
