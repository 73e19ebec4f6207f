#include "lists/AnsiCodec.h"

#include <algorithm>
#include <array>
#include <optional>

namespace larkspire {

namespace {

// Windows-1252 at 80-9F; the five bytes the code page leaves undefined map to the control
// character of the same value, as the Windows conversion does.
// clang-format off
constexpr std::array<char16_t, 32> HighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
// clang-format on

constexpr std::array<char16_t, 256> MakeDecodeTable()
{
    std::array<char16_t, 256> table{};
    for (int byte = 0; byte < 256; ++byte) table[byte] = static_cast<char16_t>(byte);
    for (int i = 0; i < 32; ++i) table[0x80 + i] = HighControlRange[i];
    return table;
}

constexpr std::array<char16_t, 256> DecodeTable = MakeDecodeTable();

constexpr char Replacement = '?';

// The code page's byte for one UTF-16 unit; nothing for a unit outside it (surrogates included).
std::optional<char> AnsiByte(char16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
    for (int i = 0; i < 32; ++i) {
        if (HighControlRange[i] == unit) return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

}  // namespace

QString DecodeAnsi(std::string_view bytes)
{
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (unsigned char byte : bytes) *out++ = DecodeTable[byte];
    return text;
}

void AppendAnsi(QStringView text, std::string& out)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i;  // one character outside the code page, one replacement
            out.push_back(Replacement);
            continue;
        }
        out.push_back(AnsiByte(unit).value_or(Replacement));
    }
}

bool FitsAnsi(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar unit) { return AnsiByte(unit.unicode()).has_value(); });
}

QByteArray EncodeAnsi(QStringView text)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    AppendAnsi(text, bytes);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace larkspire
