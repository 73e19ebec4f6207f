#include "lists/TextListFile.h"

#include "base/Utf8.h"
#include "lists/AnsiCodec.h"
#include "lists/FileErrors.h"
#include "lists/PosixFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <tuple>
#include <utility>
#include <vector>

namespace larkspire {

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LittleEndianBom = "\xFF\xFE";
constexpr std::string_view Utf16BigEndianBom = "\xFE\xFF";

const QString NoMappingMessage =
    QStringLiteral("No mapping for the Unicode character exists in the target multi-byte code page");

// The file's bytes in pieces, each but the last ending just after a line feed, so that no line (and no UTF-8
// sequence) spans two pieces and each piece can be decoded, split and freed on its own: a large list never stands
// in memory as bytes, as text and as lines at once. `markSize` bytes of the first piece are the byte-order mark.
struct RawText {
    std::vector<std::string> Pieces;
    TextEncoding Encoding = TextEncoding::Ansi;
    std::size_t MarkSize = 0;
};

constexpr std::size_t PieceSize = std::size_t{1} << 20;

bool HoldsNonAscii(std::string_view bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char byte) { return static_cast<unsigned char>(byte) >= 0x80; });
}

bool IsWellFormedUtf8(std::string_view bytes)
{
    while (!bytes.empty()) {
        std::size_t count = 1;
        if (!NextUtf8(bytes, count)) return false;
        bytes.remove_prefix(count);
    }
    return true;
}

constexpr off_t LargestListFile = off_t{1} << 30;

bool IsUtf16(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf16LittleEndian || encoding == TextEncoding::Utf16BigEndian;
}

// The encoding a byte-order mark at the start of `bytes` names, with the mark's size; Ansi and 0 without one.
std::pair<TextEncoding, std::size_t> MarkedEncoding(std::string_view bytes)
{
    if (bytes.starts_with(Utf8Bom)) return {TextEncoding::Utf8, Utf8Bom.size()};
    if (bytes.starts_with(Utf16LittleEndianBom)) return {TextEncoding::Utf16LittleEndian, Utf16LittleEndianBom.size()};
    if (bytes.starts_with(Utf16BigEndianBom)) return {TextEncoding::Utf16BigEndian, Utf16BigEndianBom.size()};
    return {TextEncoding::Ansi, 0};
}

// Just past the last line feed of `bytes` at or after `from` (a whole code unit of UTF-16, counted from the start
// of `bytes`, which is always a unit's start), or 0 when there is none.
std::size_t EndOfLastLine(std::string_view bytes, std::size_t from, TextEncoding encoding)
{
    if (!IsUtf16(encoding)) {
        const std::size_t found = bytes.substr(from).rfind('\n');
        return found == std::string_view::npos ? 0 : from + found + 1;
    }
    const bool littleEndian = encoding == TextEncoding::Utf16LittleEndian;
    for (std::size_t end = bytes.size() & ~std::size_t{1}; end >= 2 && end > from; end -= 2) {
        const char first = bytes[end - 2];
        const char second = bytes[end - 1];
        if ((littleEndian ? first : second) == '\n' && (littleEndian ? second : first) == '\0') return end;
    }
    return 0;
}

// Only a regular file can be a list: a FIFO would block the window for good and a device may never end.
// The open does not block, so a FIFO is refused at once instead.
RawText ReadFilePieces(const QString& path)
{
    const QByteArray nativePath = NativePath(path);
    if (nativePath.isEmpty()) throw CannotOpenFileError(path, ENOENT);
    UniqueFd file(::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!file.IsOpen()) throw CannotOpenFileError(path, errno);
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0) throw CannotOpenFileError(path, errno);
    if (S_ISDIR(status.st_mode)) throw CannotOpenFileError(path, EISDIR);
    if (!S_ISREG(status.st_mode)) throw NotRegularFileError(path);
    if (status.st_size > LargestListFile) throw TooLargeForListError(path);
    RawText raw;
    std::string pending;
    std::size_t total = 0;
    bool first = true;
    for (;;) {
        const std::size_t held = pending.size();
        pending.resize(held + PieceSize);
        const ssize_t count = ::read(file.Get(), pending.data() + held, PieceSize);
        if (count < 0 && errno == EINTR) {
            pending.resize(held);
            continue;
        }
        if (count < 0) throw NamedFileError(path, QStringLiteral("Stream read error"));
        pending.resize(held + static_cast<std::size_t>(count));
        total += static_cast<std::size_t>(count);
        // A file that grew past the limit since it was measured is refused as one that was too large from the start.
        if (total > static_cast<std::size_t>(LargestListFile)) throw TooLargeForListError(path);
        if (count == 0) break;
        if (first && pending.size() >= Utf8Bom.size()) {
            std::tie(raw.Encoding, raw.MarkSize) = MarkedEncoding(pending);
            first = false;
        }
        if (first) continue;
        // Only the bytes just read can hold a line feed: the ones before them would have ended a piece.
        if (const std::size_t end = EndOfLastLine(pending, held, raw.Encoding)) {
            raw.Pieces.emplace_back(pending, 0, end);
            pending.erase(0, end);
        }
    }
    if (first) std::tie(raw.Encoding, raw.MarkSize) = MarkedEncoding(pending);
    if (!pending.empty()) raw.Pieces.push_back(std::move(pending));
    return raw;
}

// A U+0000 would cut the lines short, and a save of them would lose the rest of the file. In UTF-8 and
// Windows-1252 only a zero byte decodes to it.
bool HoldsZeroCharacter(std::string_view bytes, TextEncoding encoding)
{
    if (!IsUtf16(encoding)) return bytes.find('\0') != std::string_view::npos;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        if (bytes[i] == '\0' && bytes[i + 1] == '\0') return true;
    }
    return false;
}

std::string_view PieceText(const RawText& raw, std::size_t index)
{
    std::string_view bytes = raw.Pieces[index];
    return index == 0 ? bytes.substr(raw.MarkSize) : bytes;
}

// Settles the encoding of a file without a mark and refuses what cannot be read, before a single line is given
// out. Without a mark, UTF-8 is recognised by its bytes: a Windows-1252 text with accented letters is practically
// never well-formed UTF-8, and pure ASCII reads the same either way.
void CheckEncoding(const QString& path, RawText& raw)
{
    const auto pieces = [&raw](auto&& test) {
        for (std::size_t index = 0; index < raw.Pieces.size(); ++index) {
            if (test(PieceText(raw, index))) return true;
        }
        return false;
    };
    const auto illFormed = [](std::string_view bytes) { return !IsWellFormedUtf8(bytes); };
    if (raw.Encoding == TextEncoding::Utf8 && pieces(illFormed)) throw NamedFileError(path, NoMappingMessage);
    if (IsUtf16(raw.Encoding) && raw.Pieces.size() == 1 && PieceText(raw, 0).size() == 1)
        throw NamedFileError(path, NoMappingMessage);
    if (raw.Encoding == TextEncoding::Ansi && pieces([](std::string_view bytes) { return HoldsNonAscii(bytes); }) &&
        !pieces(illFormed))
        raw.Encoding = TextEncoding::Utf8WithoutMark;
    if (pieces([&raw](std::string_view bytes) { return HoldsZeroCharacter(bytes, raw.Encoding); }))
        throw NotTextFileError(path);
}

// Well-formed UTF-8, already checked.
QString DecodeUtf8(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    while (!bytes.empty()) {
        std::size_t count = 1;
        const char32_t code = *NextUtf8(bytes, count);
        if (code >= 0x10000) {
            text += QChar(QChar::highSurrogate(code));
            text += QChar(QChar::lowSurrogate(code));
        } else {
            text += QChar(static_cast<char16_t>(code));
        }
        bytes.remove_prefix(count);
    }
    return text;
}

// Code units taken as they come, without validation; an odd last byte is ignored.
QString DecodeUtf16(std::string_view bytes, bool littleEndian)
{
    const qsizetype units = static_cast<qsizetype>(bytes.size() / 2);
    QString text(units, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    for (qsizetype i = 0; i < units; ++i, in += 2)
        out[i] = littleEndian ? static_cast<char16_t>(in[0] | in[1] << 8) : static_cast<char16_t>(in[0] << 8 | in[1]);
    return text;
}

QString DecodePiece(std::string_view bytes, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Ansi:
        return DecodeAnsi(bytes);
    case TextEncoding::Utf8:
    case TextEncoding::Utf8WithoutMark:
        return DecodeUtf8(bytes);
    case TextEncoding::Utf16LittleEndian:
        return DecodeUtf16(bytes, true);
    case TextEncoding::Utf16BigEndian:
        return DecodeUtf16(bytes, false);
    }
    return {};
}

// The break that ends the first line; a text without one gets LF, the system's own.
LineEnd FirstLineEnd(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n') return LineEnd::Lf;
        if (text[i] == u'\r') return LineEnd::CrLf;
    }
    return LineEnd::Lf;
}

// CR, LF and CR LF end a line. A break at the very end adds no empty line.
void SplitLines(QStringView text, const std::function<void(QString&&)>& takeLine)
{
    const char16_t* units = text.utf16();
    const qsizetype size = text.size();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < size) {
        const char16_t unit = units[i];
        if (unit == u'\r' || unit == u'\n') {
            takeLine(text.mid(start, i - start).toString());
            if (unit == u'\r' && i + 1 < size && units[i + 1] == u'\n') ++i;
            start = ++i;
            continue;
        }
        ++i;
    }
    if (i > start) takeLine(text.mid(start, i - start).toString());
}

// Gives out every line of the file, piece by piece, each piece's bytes freed once its lines are out. Returns the
// encoding read and the first line's break.
ListFileFormat ReadLines(const QString& path, const std::function<void(QString&&)>& takeLine)
{
    RawText raw = ReadFilePieces(path);
    CheckEncoding(path, raw);
    ListFileFormat format(raw.Encoding, LineEnd::Lf);
    for (std::size_t index = 0; index < raw.Pieces.size(); ++index) {
        const QString text = DecodePiece(PieceText(raw, index), raw.Encoding);
        std::string().swap(raw.Pieces[index]);
        if (index == 0) format.LineEnds = FirstLineEnd(text);
        SplitLines(text, takeLine);
    }
    return format;
}

void TrimTrailingControls(QString& line)
{
    qsizetype end = line.size();
    while (end > 0 && line[end - 1].unicode() <= 0x20) --end;
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
    QStringList lines;
    ReadLines(path, [&lines](QString&& line) { lines.append(std::move(line)); });
    list.swap(lines);
}

void ReadTextLines(const QString& path, const std::function<void(QString&&)>& takeLine) { ReadLines(path, takeLine); }

EditorText ReadEditorText(const QString& path)
{
    EditorText editorText;
    editorText.Format = ReadLines(path, [&editorText](QString&& line) {
        line.replace(u'\t', QStringLiteral("    "));
        editorText.Lines.append(std::move(line));
    });
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
        if (failure->atCreate) throw CannotCreateFileError(path, failure->error);
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
