#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace larkspire {

// Distinct texts kept once each and known by a small number, so that a million rows that show the same few
// statuses and reasons hold a number each instead of a string each. Number 0 is the empty text; numbers are
// given in the order the texts first came, up to the pool's capacity.
class TextPool {
public:
    explicit TextPool(std::uint16_t capacity) : capacity_(capacity) {}

    // The number of `text`, taken into the pool when new; nothing when it is new and the pool is full.
    std::optional<std::uint16_t> Number(std::u16string_view text);
    // The text of a number Number gave; the string is shared, not copied.
    const QString& Text(std::uint16_t number) const;
    // Forgets every text; numbers given before mean nothing afterwards.
    void Clear();

private:
    std::uint16_t capacity_;
    std::vector<QString> texts_;
    // Each key views the characters of its own text, which is never changed, so a look-up allocates nothing.
    std::unordered_map<std::u16string_view, std::uint16_t> numbers_;
};

}  // namespace larkspire
