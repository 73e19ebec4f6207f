#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace larkspire {

// Response header fields in arrival order; names are matched without regard to case.
class HttpHeaders {
public:
    struct Field {
        std::u16string Name;
        std::u16string Value;
    };

    void Add(std::u16string name, std::u16string value);
    // Appends a folded continuation line to the last field's value.
    void AppendToLast(std::u16string_view continuation);

    // The first field of that name, if any.
    std::optional<std::u16string> Find(std::u16string_view name) const;
    // The first field of that name, or an empty text.
    std::u16string Value(std::u16string_view name) const;
    // Every field of that name, in arrival order (for Set-Cookie).
    std::vector<std::u16string> Values(std::u16string_view name) const;

    const std::vector<Field>& Fields() const { return fields_; }

private:
    std::vector<Field> fields_;
};

}  // namespace larkspire
