#include "lists/TextPool.h"

namespace larkspire {

namespace {

const QString EmptyText;

}  // namespace

std::optional<std::uint16_t> TextPool::Number(std::u16string_view text)
{
    if (text.empty()) return 0;
    if (const auto found = numbers_.find(text); found != numbers_.end()) return found->second;
    if (texts_.size() >= capacity_) return std::nullopt;
    const QString& kept = texts_.emplace_back(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
    const auto number = static_cast<std::uint16_t>(texts_.size());
    numbers_.emplace(std::u16string_view(reinterpret_cast<const char16_t*>(kept.utf16()), text.size()), number);
    return number;
}

const QString& TextPool::Text(std::uint16_t number) const
{
    return number == 0 || number > texts_.size() ? EmptyText : texts_[number - 1];
}

void TextPool::Clear()
{
    std::vector<QString>().swap(texts_);
    numbers_.clear();
}

}  // namespace larkspire
