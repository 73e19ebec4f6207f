#include "http/HttpHeaders.h"

#include "base/AsciiText.h"

namespace larkspire {

void HttpHeaders::Add(std::u16string name, std::u16string value)
{
    fields_.push_back({std::move(name), std::move(value)});
}

void HttpHeaders::AppendToLast(std::u16string_view continuation)
{
    if (fields_.empty()) return;
    std::u16string& value = fields_.back().Value;
    if (!value.empty()) value += u' ';
    value += continuation;
}

std::optional<std::u16string> HttpHeaders::Find(std::u16string_view name) const
{
    for (const Field& field : fields_) {
        if (EqualsIgnoringAsciiCase(field.Name, name)) return field.Value;
    }
    return std::nullopt;
}

std::u16string HttpHeaders::Value(std::u16string_view name) const { return Find(name).value_or(std::u16string()); }

std::vector<std::u16string> HttpHeaders::Values(std::u16string_view name) const
{
    std::vector<std::u16string> values;
    for (const Field& field : fields_) {
        if (EqualsIgnoringAsciiCase(field.Name, name)) values.push_back(field.Value);
    }
    return values;
}

}  // namespace larkspire
