#include "lists/TextListFile.h"

#include "base/Utf8.h"
#include "lists/AnsiCodec.h"
#include "lists/FileErrors.h"
#include "lists/PosixFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace larkspire {

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LittleEndianBom = "\xFF\xFE";
constexpr std::string_view Utf16BigEndianBom = "\xFE\xFF";

const QString NoMappingMessage =
    QStringLiteral("No mapping for the Unicode character exists in the target multi-byte code page");

struct DecodedText {
    QString Text;
    TextEncoding Encoding = TextEncoding::Ansi;
};

bool HoldsNonAscii(std::string_view bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char byte) { return static_cast<unsigned char>(byte) >= 0x80; });
}

constexpr off_t LargestListFile = off_t{1} << 30;

// Only a regular file can be a list: a FIFO would block the window for good and a device may never end.
// The open does not block, so a FIFO is refused at once instead.
std::string ReadWholeFile(const QString& path)
{
    const QByteArray nativePath = NativePath(path);
    if (nativePath.isEmpty())
        throw CannotOpenFileError(path, ENOENT);
    UniqueFd file(::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!file.IsOpen())
        throw CannotOpenFileError(path, errno);
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0)
        throw CannotOpenFileError(path, errno);
    if (S_ISDIR(status.st_mode))
        throw CannotOpenFileError(path, EISDIR);
    if (!S_ISREG(status.st_mode))
        throw NotRegularFileError(path);
    if (status.st_size > LargestListFile)
        throw TooLargeForListError(path);
    std::string bytes;
    if (ReadAll(file.Get(), bytes) != 0)
        throw NamedFileError(path, QStringLiteral("Stream read error"));
    return bytes;
}

// Strict UTF-8: overlong forms, surrogates, values above U+10FFFF and cut sequences all give nothing.
std::optional<QString> DecodeWellFormedUtf8(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    while (!bytes.empty()) {
        std::size_t count = 1;
        const std::optional<char32_t> code = NextUtf8(bytes, count);
        if (!code)
            return std::nullopt;
        if (*code >= 0x10000) {
            text += QChar(QChar::highSurrogate(*code));
            text += QChar(QChar::lowSurrogate(*code));
        } else {
            text += QChar(static_cast<char16_t>(*code));
        }
        bytes.remove_prefix(count);
    }
    return text;
}

QString DecodeUtf8(std::string_view bytes)
{
    std::optional<QString> text = DecodeWellFormedUtf8(bytes);
    if (!text)
        throw FileError(NoMappingMessage);
    return *std::move(text);
}

// Without a mark, UTF-8 is recognised by its bytes: a Windows-1252 text with accented letters is
// practically never well-formed UTF-8, and pure ASCII reads the same either way.
DecodedText DecodeWithoutMark(std::string_view bytes)
{
    if (HoldsNonAscii(bytes)) {
        if (std::optional<QString> text = DecodeWellFormedUtf8(bytes))
            return {*std::move(text), TextEncoding::Utf8WithoutMark};
    }
    return {DecodeAnsi(bytes), TextEncoding::Ansi};
}

// Code units taken as they come, without validation; an odd last byte is ignored.
QString DecodeUtf16(std::string_view bytes, bool littleEndian)
{
    if (bytes.size() == 1)
        throw FileError(NoMappingMessage);
    const qsizetype units = static_cast<qsizetype>(bytes.size() / 2);
    QString text(units, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    for (qsizetype i = 0; i < units; ++i, in += 2)
        out[i] = littleEndian ? static_cast<char16_t>(in[0] | in[1] << 8) : static_cast<char16_t>(in[0] << 8 | in[1]);
    return text;
}

DecodedText Decode(std::string_view bytes)
{
    if (bytes.starts_with(Utf8Bom))
        return {DecodeUtf8(bytes.substr(Utf8Bom.size())), TextEncoding::Utf8};
    if (bytes.starts_with(Utf16LittleEndianBom))
        return {DecodeUtf16(bytes.substr(Utf16LittleEndianBom.size()), true), TextEncoding::Utf16LittleEndian};
    if (bytes.starts_with(Utf16BigEndianBom))
        return {DecodeUtf16(bytes.substr(Utf16BigEndianBom.size()), false), TextEncoding::Utf16BigEndian};
    return DecodeWithoutMark(bytes);
}

// The break that ends the first line; a text without one gets LF, the system's own.
LineEnd FirstLineEnd(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n')
            return LineEnd::Lf;
        if (text[i] == u'\r')
            return LineEnd::CrLf;
        if (text[i] == u'\0')
            break;
    }
    return LineEnd::Lf;
}

// CR, LF and CR LF end a line; U+0000 ends the text. A break at the very end adds no empty line.
QStringList SplitLines(QStringView text)
{
    QStringList lines;
    const char16_t* units = text.utf16();
    const qsizetype size = text.size();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < size) {
        const char16_t unit = units[i];
        if (unit == 0)
            break;
        if (unit == u'\r' || unit == u'\n') {
            lines.append(text.mid(start, i - start).toString());
            if (unit == u'\r' && i + 1 < size && units[i + 1] == u'\n')
                ++i;
            start = ++i;
            continue;
        }
        ++i;
    }
    if (i > start)
        lines.append(text.mid(start, i - start).toString());
    return lines;
}

// A U+0000 would cut the lines short, and a save of them would lose the rest of the file.
DecodedText ReadTextFile(const QString& path)
{
    const std::string bytes = ReadWholeFile(path);
    DecodedText decoded;
    try {
        decoded = Decode(bytes);
    } catch (const FileError& error) {
        throw NamedFileError(path, error.Message());
    }
    if (decoded.Text.contains(QChar(0)))
        throw NotTextFileError(path);
    return decoded;
}

void TrimTrailingControls(QString& line)
{
    qsizetype end = line.size();
    while (end > 0 && line[end - 1].unicode() <= 0x20)
        --end;
    line.truncate(end);
}

void AppendUtf16(QStringView text, bool littleEndian, std::string& out)
{
    for (QChar unit : text) {
        const char16_t value = unit.unicode();
        const char low = static_cast<char>(value & 0xFF);
        const char high = static_cast<char>(value >> 8);
        out.push_back(littleEndian ? low : high);
        out.push_back(littleEndian ? high : low);
    }
}

void AppendUtf8(QStringView text, std::string& out)
{
    const QByteArray utf8 = text.toUtf8();
    out.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

// Windows-1252 would turn what it lacks into "?"; UTF-8 without a mark keeps it and reads back the same.
TextEncoding EncodingThatHolds(QStringView text, TextEncoding encoding)
{
    return encoding == TextEncoding::Ansi && !FitsAnsi(text) ? TextEncoding::Utf8WithoutMark : encoding;
}

std::string EncodeText(QStringView text, TextEncoding encoding)
{
    std::string bytes;
    switch (encoding) {
    case TextEncoding::Ansi:
        AppendAnsi(text, bytes);
        break;
    case TextEncoding::Utf8:
        bytes.append(Utf8Bom);
        AppendUtf8(text, bytes);
        break;
    case TextEncoding::Utf8WithoutMark:
        AppendUtf8(text, bytes);
        break;
    case TextEncoding::Utf16LittleEndian:
        bytes.append(Utf16LittleEndianBom);
        AppendUtf16(text, true, bytes);
        break;
    case TextEncoding::Utf16BigEndian:
        bytes.append(Utf16BigEndianBom);
        AppendUtf16(text, false, bytes);
        break;
    }
    return bytes;
}

}  // namespace

void LoadTextList(const QString& path, QStringList& list)
{
    list = SplitLines(ReadTextFile(path).Text);
}

EditorText ReadEditorText(const QString& path)
{
    DecodedText decoded = ReadTextFile(path);
    EditorText editorText{SplitLines(decoded.Text), {decoded.Encoding, FirstLineEnd(decoded.Text)}};
    for (QString& line : editorText.Lines)
        line.replace(u'\t', QStringLiteral("    "));
    return editorText;
}

ListFileFormat SaveEditorText(const QString& path, QStringList& lines, ListFileFormat format)
{
    const QString lineEnd = format.LineEnds == LineEnd::CrLf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text;
    for (QString& line : lines) {
        TrimTrailingControls(line);
        text += line;
        text += lineEnd;
    }
    format.Encoding = EncodingThatHolds(text, format.Encoding);
    const std::string bytes = EncodeText(text, format.Encoding);

    if (const std::optional<WriteFileFailure> failure = WriteWholeFile(NativePath(path), bytes)) {
        if (failure->atCreate)
            throw CannotCreateFileError(path, failure->error);
        throw NamedFileError(path, QStringLiteral("Stream write error"));
    }
    return format;
}

bool IsExistingFile(const QString& path)
{
    const QByteArray nativePath = NativePath(path);
    struct stat status {};
    return !nativePath.isEmpty() && ::stat(nativePath.constData(), &status) == 0 && !S_ISDIR(status.st_mode);
}

}  // namespace larkspire
