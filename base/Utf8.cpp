#include "base/Utf8.h"

namespace larkspire {

std::optional<char32_t> NextUtf8(std::string_view bytes, std::size_t& count)
{
    const auto lead = static_cast<unsigned char>(bytes[0]);
    count = 1;
    if (lead < 0x80) return lead;
    std::size_t length = 0;
    char32_t code = 0;
    unsigned char secondLow = 0x80, secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        if (lead == 0xE0) secondLow = 0xA0;
        if (lead == 0xED) secondHigh = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        if (lead == 0xF0) secondLow = 0x90;
        if (lead == 0xF4) secondHigh = 0x8F;
    } else {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (i >= bytes.size()) return std::nullopt;
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const unsigned char low = i == 1 ? secondLow : 0x80;
        const unsigned char high = i == 1 ? secondHigh : 0xBF;
        if (byte < low || byte > high) return std::nullopt;
        code = (code << 6) | (byte & 0x3F);
        count = i + 1;
    }
    return code;
}

}  // namespace larkspire
