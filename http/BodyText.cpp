#include "http/BodyText.h"

#include "base/Utf8.h"

#include <array>
#include <optional>

#include "base/AsciiText.h"

namespace larkspire {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::u16string Unquoted(std::u16string_view text)
{
    text = TrimBlanks(text);
    if (text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'') && text.back() == text.front()) {
        text = text.substr(1, text.size() - 2);
    }
    return std::u16string(TrimBlanks(text));
}

std::u16string MediaType(std::u16string_view contentType)
{
    return AsciiLower(TrimBlanks(contentType.substr(0, contentType.find(u';'))));
}

bool IsUtf8Label(std::u16string_view label)
{
    return label == u"utf-8" || label == u"utf8" || label == u"unicode-1-1-utf-8";
}

// Labels browsers read as Windows-1252: ISO-8859-1 and ASCII among them.
bool IsWindows1252Label(std::u16string_view label)
{
    // clang-format off
    static constexpr std::array<std::u16string_view, 17> Labels = {
        u"windows-1252", u"cp1252",   u"x-cp1252",   u"iso-8859-1", u"iso8859-1",         u"iso_8859-1",
        u"iso88591",     u"latin1",   u"l1",         u"iso-ir-100", u"iso_8859-1:1987",   u"csisolatin1",
        u"ibm819",       u"cp819",    u"us-ascii",   u"ascii",      u"ansi_x3.4-1968"};
    // clang-format on
    for (std::u16string_view known : Labels) {
        if (label == known) return true;
    }
    return false;
}

std::u16string DecodeWindows1252(std::string_view bytes)
{
    // 80-9F by the code page's table; the five undefined bytes keep their own code.
    // clang-format off
    static constexpr std::array<char16_t, 32> High = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    // clang-format on
    std::u16string text;
    text.reserve(bytes.size());
    for (char b : bytes) {
        const auto byte = static_cast<unsigned char>(b);
        text += byte >= 0x80 && byte <= 0x9F ? High[byte - 0x80] : static_cast<char16_t>(byte);
    }
    return text;
}

std::u16string DecodeBytesAsCodes(std::string_view bytes)
{
    std::u16string text;
    text.reserve(bytes.size());
    for (char b : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(b));
    return text;
}

// Reads the attributes of one tag from position (just after its name) to its ">".
class TagAttributes {
public:
    TagAttributes(std::string_view text, std::size_t position) : text_(text), position_(position) {}

    // The next attribute as lower-case name and raw value; nothing at the end of the tag.
    std::optional<std::pair<std::string, std::string>> Next()
    {
        while (position_ < text_.size() && (IsSpace(text_[position_]) || text_[position_] == '/')) ++position_;
        if (position_ >= text_.size() || text_[position_] == '>') return std::nullopt;
        std::string name;
        while (position_ < text_.size() && !IsSpace(text_[position_]) && text_[position_] != '=' &&
               text_[position_] != '>') {
            name += LowerAscii(text_[position_++]);
        }
        SkipSpaces();
        if (position_ >= text_.size() || text_[position_] != '=') return std::pair{name, std::string()};
        ++position_;
        SkipSpaces();
        return std::pair{name, ReadValue()};
    }

private:
    void SkipSpaces()
    {
        while (position_ < text_.size() && IsSpace(text_[position_])) ++position_;
    }

    std::string ReadValue()
    {
        if (position_ < text_.size() && (text_[position_] == '"' || text_[position_] == '\'')) {
            const char quote = text_[position_++];
            const std::size_t close = std::min(text_.find(quote, position_), text_.size());
            std::string value(text_.substr(position_, close - position_));
            position_ = close + 1;
            return value;
        }
        const std::size_t start = position_;
        while (position_ < text_.size() && !IsSpace(text_[position_]) && text_[position_] != '>') ++position_;
        return std::string(text_.substr(start, position_ - start));
    }

    std::string_view text_;
    std::size_t position_;
};

std::size_t FindMetaTag(std::string_view body, std::size_t from)
{
    for (std::size_t at = body.find('<', from); at != std::string_view::npos; at = body.find('<', at + 1)) {
        if (at + 5 < body.size() && LowerAscii(body[at + 1]) == 'm' && LowerAscii(body[at + 2]) == 'e' &&
            LowerAscii(body[at + 3]) == 't' && LowerAscii(body[at + 4]) == 'a' &&
            (IsSpace(body[at + 5]) || body[at + 5] == '/')) {
            return at;
        }
    }
    return std::string_view::npos;
}

}  // namespace

std::u16string DecodeUtf8(std::string_view bytes)
{
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    std::u16string text;
    text.reserve(bytes.size());
    while (!bytes.empty()) {
        std::size_t count = 1;
        const std::optional<char32_t> code = NextUtf8(bytes, count);
        if (!code) {
            text += u'\uFFFD';
        } else if (*code >= 0x10000) {
            text += static_cast<char16_t>(0xD800 + ((*code - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((*code - 0x10000) & 0x3FF));
        } else {
            text += static_cast<char16_t>(*code);
        }
        bytes.remove_prefix(count);
    }
    return text;
}

std::u16string CharsetOfContentType(std::u16string_view contentType)
{
    std::size_t parameter = contentType.find(u';');
    while (parameter != std::u16string_view::npos) {
        const std::size_t next = contentType.find(u';', parameter + 1);
        const std::u16string_view entry = contentType.substr(parameter + 1, next - parameter - 1);
        const std::size_t equals = entry.find(u'=');
        if (equals != std::u16string_view::npos &&
            EqualsIgnoringAsciiCase(TrimBlanks(entry.substr(0, equals)), u"charset")) {
            return Unquoted(entry.substr(equals + 1));
        }
        parameter = next;
    }
    return {};
}

std::u16string CharsetOfHtmlMeta(std::string_view body)
{
    for (std::size_t at = FindMetaTag(body, 0); at != std::string_view::npos; at = FindMetaTag(body, at + 1)) {
        TagAttributes attributes(body, at + 5);
        std::string charset, httpEquiv, content;
        while (const auto attribute = attributes.Next()) {
            if (attribute->first == "charset")
                charset = attribute->second;
            else if (attribute->first == "http-equiv")
                httpEquiv = attribute->second;
            else if (attribute->first == "content")
                content = attribute->second;
        }
        if (!charset.empty()) return Unquoted(FromAsciiBytes(charset));
        if (EqualsIgnoringAsciiCase(TrimBlanks(FromAsciiBytes(httpEquiv)), u"content-type")) {
            const std::u16string declared = CharsetOfContentType(FromAsciiBytes(content));
            if (!declared.empty()) return declared;
        }
    }
    return {};
}

std::u16string DecodeBodyText(std::string_view body, std::u16string_view contentType)
{
    std::u16string charset = CharsetOfContentType(contentType);
    const std::u16string mediaType = MediaType(contentType);
    if (charset.empty() && (mediaType.empty() || mediaType.find(u"html") != std::u16string::npos)) {
        charset = CharsetOfHtmlMeta(body);
    }
    const std::u16string label = AsciiLower(charset);
    if (IsUtf8Label(label)) return DecodeUtf8(body);
    if (IsWindows1252Label(label)) return DecodeWindows1252(body);
    return DecodeBytesAsCodes(body);
}

}  // namespace larkspire
