#include "FileTestSupport.h"

#include "lists/FileErrors.h"
#include "lists/TextListFile.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace larkspire {
namespace {

using test::MakeReadOnly;
using test::ReadBytes;
using test::WriteBytes;

const QString NoMapping =
    QStringLiteral("No mapping for the Unicode character exists in the target multi-byte code page");

// An error about one file names it first.
QString Named(const QString& path, const QString& words) { return QStringLiteral("\"%1\": %2").arg(path, words); }

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int value : values) bytes.append(static_cast<char>(value));
    return bytes;
}

class TextListFileTest : public test::TempFolderTest {
protected:
    QStringList Load(const QByteArray& bytes)
    {
        WriteBytes(PathOf("list.txt"), bytes);
        QStringList list;
        LoadTextList(PathOf("list.txt"), list);
        return list;
    }

    QString LoadError(const QString& path, QStringList& list)
    {
        try {
            LoadTextList(path, list);
        } catch (const FileError& error) {
            return error.Message();
        }
        return QStringLiteral("<no error>");
    }

    QByteArray SaveEditor(QStringList lines, TextEncoding encoding)
    {
        SaveEditorText(PathOf("saved.txt"), lines, encoding);
        return ReadBytes(PathOf("saved.txt"));
    }
};

struct ReadCase {
    const char* name;
    QByteArray bytes;
    QStringList lines;
};

TEST_F(TextListFileTest, ReadsLineBreaksBomsAndTerminators)
{
    const std::vector<ReadCase> cases = {
        {"CR LF breaks", "a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"LF", "a\nb", {"a", "b"}},
        {"CR CR", "a\r\rb", {"a", "", "b"}},
        {"LF CR", "a\n\rb", {"a", "", "b"}},
        {"CR LF alone", "\r\n", {""}},
        {"CR alone", "\r", {""}},
        {"empty file", "", {}},
        {"UTF-8 BOM alone", "\xEF\xBB\xBF", {}},
        {"blanks and TABs kept", " a \tb\t\r\n\t", {" a \tb\t", "\t"}},
        {"well-formed UTF-8 without BOM is UTF-8",
         "b\xC3\xBC"
         "cher.example",
         {QString::fromUtf8("b\u00fccher.example")}},
        {"ill-formed UTF-8 without BOM is ANSI", "\xC3\xA9\xE9", {QString::fromUtf8("\u00c3\u00a9\u00e9")}},
        {"ANSI high bytes", "\x80\x81\x9F", {QString::fromUtf8("\u20ac\u0081\u0178")}},
        {"UTF-8 BOM",
         "\xEF\xBB\xBF\xC3\xA9\r\n\xF0\x9F\x98\x80",
         {QString::fromUtf8("\u00e9"), QString::fromUtf8("\U0001F600")}},
        {"second UTF-8 BOM is text", "\xEF\xBB\xBF\xEF\xBB\xBFx", {QString(QChar(0xFEFF)) + u'x'}},
        {"UTF-16 LE", Bytes({0xFF, 0xFE, 0x61, 0x00, 0x0A, 0x00, 0x62, 0x00}), {"a", "b"}},
        {"UTF-16 BE", Bytes({0xFE, 0xFF, 0x00, 0x61}), {"a"}},
        {"UTF-16 LE odd last byte ignored", Bytes({0xFF, 0xFE, 0x61, 0x00, 0x62}), {"a"}},
        {"UTF-16 LE BOM alone", Bytes({0xFF, 0xFE}), {}},
        {"UTF-16 unpaired surrogate kept",
         Bytes({0xFF, 0xFE, 0x00, 0xD8, 0x61, 0x00}),
         {QString(QChar(0xD800)) + u'a'}},
        {"short file is not a BOM", "\xEF\xBB", {QString::fromUtf8("\u00ef\u00bb")}},
    };
    for (const ReadCase& readCase : cases) EXPECT_EQ(Load(readCase.bytes), readCase.lines) << readCase.name;
}

TEST_F(TextListFileTest, IllFormedInputFailsAndLeavesTheCallersListUnchanged)
{
    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"invalid byte", "\xEF\xBB\xBF"
                         "a\xFF"},
        {"cut sequence at the end", "\xEF\xBB\xBF"
                                    "a\xC3"},
        {"overlong form", "\xEF\xBB\xBF\xC0\xAF"},
        {"overlong three bytes", "\xEF\xBB\xBF\xE0\x80\xAF"},
        {"surrogate", "\xEF\xBB\xBF\xED\xA0\x80"},
        {"above U+10FFFF", "\xEF\xBB\xBF\xF4\x90\x80\x80"},
        {"stray continuation", "\xEF\xBB\xBF\x80"},
        {"missing third byte", "\xEF\xBB\xBF\xE2\x82x"},
        {"one byte after UTF-16 LE BOM", Bytes({0xFF, 0xFE, 0x61})},
        {"one byte after UTF-16 BE BOM", Bytes({0xFE, 0xFF, 0x00})},
    };
    for (const auto& [name, bytes] : cases) {
        WriteBytes(PathOf("bad.txt"), bytes);
        QStringList list = {"kept", "lines"};
        EXPECT_EQ(LoadError(PathOf("bad.txt"), list), Named(PathOf("bad.txt"), NoMapping)) << name;
        EXPECT_EQ(list, QStringList({"kept", "lines"})) << name;
    }
}

// A U+0000 used to end the text, so the editor showed part of the file and its save dropped the rest.
TEST_F(TextListFileTest, TextHoldingUPlus0000IsRefusedAsNotATextFile)
{
    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"UTF-16 LE without BOM", Bytes({0x61, 0x00, 0x62, 0x00})},
        {"NUL at the start", Bytes({0x00, 0x61})},
        {"NUL after a break", Bytes({0x61, 0x0D, 0x0A, 0x00, 0x62})},
        {"UTF-8 with BOM", Bytes({0xEF, 0xBB, 0xBF, 0x61, 0x00})},
        {"UTF-16 LE code unit 0", Bytes({0xFF, 0xFE, 0x00, 0x00, 0x61, 0x00})},
        {"UTF-16 BE code unit 0", Bytes({0xFE, 0xFF, 0x00, 0x61, 0x00, 0x00})},
    };
    const QString path = PathOf("binary.txt");
    const QString refusal = QStringLiteral("\"%1\" is not a text file: it holds a NUL byte").arg(path);
    for (const auto& [name, bytes] : cases) {
        WriteBytes(path, bytes);
        QStringList list = {"kept"};
        EXPECT_EQ(LoadError(path, list), refusal) << name;
        EXPECT_EQ(list, QStringList({"kept"})) << name;
        try {
            ReadEditorText(path);
            ADD_FAILURE() << name << ": the editor read a file holding U+0000";
        } catch (const FileError& error) {
            EXPECT_EQ(error.Message(), refusal) << name;
        }
        EXPECT_EQ(ReadBytes(path), bytes) << name;
    }
}

// A list is read in pieces of about 1 MiB cut after a line feed; lines, breaks and characters on either side of
// every cut must come out as the whole file holds them, in each encoding.
struct LargeListCase {
    const char* Name;
    TextEncoding Encoding;
};

class LargeListRead : public test::TempFolderTest, public testing::WithParamInterface<LargeListCase> {};

QByteArray Encoded(const QString& text, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Ansi:
        return text.toLatin1();
    case TextEncoding::Utf8:
        return "\xEF\xBB\xBF" + text.toUtf8();
    case TextEncoding::Utf8WithoutMark:
        return text.toUtf8();
    case TextEncoding::Utf16LittleEndian:
    case TextEncoding::Utf16BigEndian: {
        const bool little = encoding == TextEncoding::Utf16LittleEndian;
        QByteArray bytes = little ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
        for (QChar unit : text) {
            const char low = static_cast<char>(unit.unicode() & 0xFF);
            const char high = static_cast<char>(unit.unicode() >> 8);
            bytes.append(little ? low : high);
            bytes.append(little ? high : low);
        }
        return bytes;
    }
    }
    return {};
}

TEST_P(LargeListRead, LinesAcrossEveryPieceComeOutWhole)
{
    const bool ansi = GetParam().Encoding == TextEncoding::Ansi;
    // Lines of varying length, so the cuts fall at different places; CR LF, lone CR, LF and empty lines; a character
    // of two UTF-8 bytes, one of three and one outside the BMP (two UTF-16 units, four UTF-8 bytes).
    QStringList expected;
    QString text;
    const QString breaks[] = {QStringLiteral("\r\n"), QStringLiteral("\n"), QStringLiteral("\r")};
    const QString accents = ansi ? QStringLiteral("\u00E9\u00FC") : QStringLiteral("\u00E9\u20AC\U0001F600");
    for (int i = 0; text.size() < 2'300'000; ++i) {
        const QString line = i % 97 == 0
                                 ? QString()
                                 : QStringLiteral("https://site%1.example/").arg(i) + QString(i % 37, u'x') + accents;
        expected.append(line);
        text += line + breaks[i % 3];
    }
    const QString lastLine = QStringLiteral("last line without a break ") + accents;
    text += lastLine;
    expected.append(lastLine);
    ASSERT_GT(Encoded(text, GetParam().Encoding).size(), 2 * (1 << 20)) << "the file spans at least three pieces";
    WriteBytes(PathOf("large.txt"), Encoded(text, GetParam().Encoding));

    QStringList list;
    LoadTextList(PathOf("large.txt"), list);
    ASSERT_EQ(list.size(), expected.size());
    for (qsizetype i = 0; i < list.size(); ++i) ASSERT_EQ(list[i], expected[i]) << "line " << i;
    EXPECT_EQ(ReadEditorText(PathOf("large.txt")).Format, ListFileFormat(GetParam().Encoding, LineEnd::CrLf));
}

INSTANTIATE_TEST_SUITE_P(Encodings, LargeListRead,
                         testing::Values(LargeListCase{"Ansi", TextEncoding::Ansi},
                                         LargeListCase{"Utf8", TextEncoding::Utf8},
                                         LargeListCase{"Utf8WithoutMark", TextEncoding::Utf8WithoutMark},
                                         LargeListCase{"Utf16LittleEndian", TextEncoding::Utf16LittleEndian},
                                         LargeListCase{"Utf16BigEndian", TextEncoding::Utf16BigEndian}),
                         [](const testing::TestParamInfo<LargeListCase>& info) { return info.param.Name; });

// The encoding and the refusals depend on the whole file: a fault in its last piece refuses it before any line is
// given out, and a Windows-1252 byte there makes the whole file Windows-1252.
TEST_F(TextListFileTest, TheLastPieceDecidesForTheWholeFileBeforeAnyLineGoesOut)
{
    QByteArray lines;
    while (lines.size() < 3 * (1 << 20)) lines += "https://caf\xC3\xA9.example/\r\n";
    const auto read = [&](const QByteArray& bytes, QStringList& out) {
        WriteBytes(PathOf("pieces.txt"), bytes);
        try {
            ReadTextLines(PathOf("pieces.txt"), [&out](QString&& line) { out.append(std::move(line)); });
        } catch (const FileError& error) {
            return error.Message();
        }
        return QString();
    };
    QStringList out;
    EXPECT_EQ(read("\xEF\xBB\xBF" + lines + "bad \xC3", out), Named(PathOf("pieces.txt"), NoMapping));
    EXPECT_TRUE(out.isEmpty());
    const QString notText = QStringLiteral("\"%1\" is not a text file: it holds a NUL byte").arg(PathOf("pieces.txt"));
    EXPECT_EQ(read(lines + QByteArray("zero \0 here", 11), out), notText);
    EXPECT_TRUE(out.isEmpty());
    EXPECT_EQ(read(lines + "caf\xE9", out), QString());
    ASSERT_FALSE(out.isEmpty());
    EXPECT_EQ(out.front(), QStringLiteral("https://caf\u00C3\u00A9.example/")) << "read as Windows-1252 throughout";
    EXPECT_EQ(out.back(), QStringLiteral("caf\u00E9"));
}

TEST_F(TextListFileTest, UnopenableFileGivesCannotOpenWithTheFullPath)
{
    QStringList list = {"kept"};
    const QString missing = PathOf("missing.txt");
    EXPECT_EQ(LoadError(missing, list),
              QStringLiteral("Cannot open file \"%1\". %2").arg(missing, SystemErrorText(ENOENT)));
    EXPECT_EQ(list, QStringList({"kept"}));

    ASSERT_TRUE(QDir(Folder()).mkdir("folder.txt"));
    EXPECT_EQ(LoadError(PathOf("folder.txt"), list),
              QStringLiteral("Cannot open file \"%1\". %2").arg(PathOf("folder.txt"), SystemErrorText(EISDIR)));
    EXPECT_EQ(list, QStringList({"kept"}));
}

TEST_F(TextListFileTest, CannotOpenNamesARelativePathByItsAbsoluteForm)
{
    QStringList list;
    const QString expected = QDir::cleanPath(QDir::currentPath() + "/no-such-list-file.txt");
    EXPECT_EQ(LoadError("no-such-list-file.txt", list),
              QStringLiteral("Cannot open file \"%1\". %2").arg(expected, SystemErrorText(ENOENT)));
}

TEST_F(TextListFileTest, EditorReadGivesEncodingAndExpandsTabs)
{
    const std::vector<std::pair<QByteArray, TextEncoding>> cases = {
        {"a\tb", TextEncoding::Ansi},
        {"\xEF\xBB\xBF"
         "a\tb",
         TextEncoding::Utf8},
        {Bytes({0xFF, 0xFE, 'a', 0, '\t', 0, 'b', 0}), TextEncoding::Utf16LittleEndian},
        {Bytes({0xFE, 0xFF, 0, 'a', 0, '\t', 0, 'b'}), TextEncoding::Utf16BigEndian},
    };
    for (const auto& [bytes, encoding] : cases) {
        WriteBytes(PathOf("edit.txt"), bytes);
        const EditorText text = ReadEditorText(PathOf("edit.txt"));
        EXPECT_EQ(text.Lines, QStringList({"a    b"}));
        EXPECT_EQ(text.Format.Encoding, encoding);
    }
}

TEST_F(TextListFileTest, EditorSaveTrimsLinesAndEndsEachWithCrLf)
{
    QStringList lines = {"a  ", QStringLiteral("b\t"), "   ", QString("c") + QChar(0x01) + QChar(0x20), " d"};
    SaveEditorText(PathOf("saved.txt"), lines, TextEncoding::Ansi);
    EXPECT_EQ(ReadBytes(PathOf("saved.txt")), QByteArray("a\r\nb\r\n\r\nc\r\n d\r\n"));
    EXPECT_EQ(lines, QStringList({"a", "b", "", "c", " d"}));
}

TEST_F(TextListFileTest, EditorSaveWritesTheReadEncodingWithItsBom)
{
    const QStringList lines = {"a", QString::fromUtf8("\u00e9\u20ac")};
    EXPECT_EQ(SaveEditor(lines, TextEncoding::Ansi), QByteArray("a\r\n\xE9\x80\r\n"));
    EXPECT_EQ(SaveEditor(lines, TextEncoding::Utf8), QByteArray("\xEF\xBB\xBF"
                                                                "a\r\n\xC3\xA9\xE2\x82\xAC\r\n"));
    EXPECT_EQ(SaveEditor(lines, TextEncoding::Utf16LittleEndian),
              Bytes({0xFF, 0xFE, 'a', 0, 0x0D, 0, 0x0A, 0, 0xE9, 0x00, 0xAC, 0x20, 0x0D, 0, 0x0A, 0}));
    EXPECT_EQ(SaveEditor(lines, TextEncoding::Utf16BigEndian),
              Bytes({0xFE, 0xFF, 0, 'a', 0, 0x0D, 0, 0x0A, 0x00, 0xE9, 0x20, 0xAC, 0, 0x0D, 0, 0x0A}));
}

TEST_F(TextListFileTest, EditorSaveOfNoLinesIsTheBomAlone)
{
    EXPECT_EQ(SaveEditor({}, TextEncoding::Ansi), QByteArray());
    EXPECT_EQ(SaveEditor({}, TextEncoding::Utf8), QByteArray("\xEF\xBB\xBF"));
    EXPECT_EQ(SaveEditor({}, TextEncoding::Utf16BigEndian), Bytes({0xFE, 0xFF}));
    EXPECT_EQ(SaveEditor({""}, TextEncoding::Utf16LittleEndian), Bytes({0xFF, 0xFE, 0x0D, 0, 0x0A, 0}));
}

TEST_F(TextListFileTest, EditorRoundTripKeepsEncodingAndText)
{
    WriteBytes(PathOf("round.txt"), Bytes({0xFE, 0xFF, 0x00, 'x', 0x00, '\t', 0x00, 0x0D, 0x00, 0x0A}));
    EditorText text = ReadEditorText(PathOf("round.txt"));
    SaveEditorText(PathOf("round.txt"), text.Lines, text.Format);
    EXPECT_EQ(ReadBytes(PathOf("round.txt")), Bytes({0xFE, 0xFF, 0x00, 'x', 0x00, 0x0D, 0x00, 0x0A}));
}

// A file read into the editor, a line typed at its end, and the save: what the file holds afterwards.
struct FormatCase {
    const char* name;
    QByteArray file;
    QStringList lines;
    ListFileFormat read;
    QString typed;
    QByteArray saved;
    ListFileFormat written;
};

void PrintTo(const FormatCase& param, std::ostream* out) { *out << param.name; }

class EditorFileFormat : public test::TempFolderTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(EditorFileFormat, ReadsAndSavesWithoutLosingACharacter)
{
    const FormatCase& c = GetParam();
    WriteBytes(PathOf("sites.txt"), c.file);
    EditorText text = ReadEditorText(PathOf("sites.txt"));
    EXPECT_EQ(text.Lines, c.lines);
    EXPECT_EQ(text.Format, c.read);

    text.Lines.append(c.typed);
    EXPECT_EQ(SaveEditorText(PathOf("sites.txt"), text.Lines, text.Format), c.written);
    EXPECT_EQ(ReadBytes(PathOf("sites.txt")).toHex(' '), c.saved.toHex(' '));

    // What was saved reads back as it was typed.
    EXPECT_EQ(ReadEditorText(PathOf("sites.txt")).Lines, text.Lines);
}

const QString Cjk = QString::fromUtf8("\u65e5\u672c.example");
#define CJK_UTF8 "\xE6\x97\xA5\xE6\x9C\xAC.example"

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Files, EditorFileFormat,
    testing::Values(
        FormatCase{"Utf8WithoutMarkLf", "b\xC3\xBC" "cher.example\n", {QString::fromUtf8("b\u00fccher.example")},
                   {TextEncoding::Utf8WithoutMark, LineEnd::Lf}, Cjk, "b\xC3\xBC" "cher.example\n" CJK_UTF8 "\n",
                   {TextEncoding::Utf8WithoutMark, LineEnd::Lf}},
        FormatCase{"Windows1252AccentedCrLf", "caf\xE9.example\r\n", {QString::fromUtf8("caf\u00e9.example")},
                   {TextEncoding::Ansi, LineEnd::CrLf}, QString::fromUtf8("\u00fc.example"),
                   "caf\xE9.example\r\n\xFC.example\r\n", {TextEncoding::Ansi, LineEnd::CrLf}},
        FormatCase{"AsciiLf", "a.example\nb.example\n", {"a.example", "b.example"}, {TextEncoding::Ansi, LineEnd::Lf},
                   "c.example", "a.example\nb.example\nc.example\n", {TextEncoding::Ansi, LineEnd::Lf}},
        FormatCase{"AsciiCrLf", "a.example\r\nb.example", {"a.example", "b.example"},
                   {TextEncoding::Ansi, LineEnd::CrLf}, "c.example", "a.example\r\nb.example\r\nc.example\r\n",
                   {TextEncoding::Ansi, LineEnd::CrLf}},
        FormatCase{"AsciiWithTypedCjkBecomesUtf8", "a.example\r\n", {"a.example"}, {TextEncoding::Ansi, LineEnd::CrLf},
                   Cjk, "a.example\r\n" CJK_UTF8 "\r\n", {TextEncoding::Utf8WithoutMark, LineEnd::CrLf}},
        FormatCase{"Windows1252WithTypedCjkBecomesUtf8", "caf\xE9\n", {QString::fromUtf8("caf\u00e9")},
                   {TextEncoding::Ansi, LineEnd::Lf}, Cjk, "caf\xC3\xA9\n" CJK_UTF8 "\n",
                   {TextEncoding::Utf8WithoutMark, LineEnd::Lf}},
        FormatCase{"EmptyFileGetsLf", "", {}, {TextEncoding::Ansi, LineEnd::Lf}, "a.example", "a.example\n",
                   {TextEncoding::Ansi, LineEnd::Lf}},
        FormatCase{"Utf8MarkKeptWithCjk", "\xEF\xBB\xBF" "a\r\n", {"a"}, {TextEncoding::Utf8, LineEnd::CrLf}, Cjk,
                   "\xEF\xBB\xBF" "a\r\n" CJK_UTF8 "\r\n", {TextEncoding::Utf8, LineEnd::CrLf}},
        FormatCase{"Utf16KeepsCjkAndLf", Bytes({0xFF, 0xFE, 'a', 0, 0x0A, 0}), {"a"},
                   {TextEncoding::Utf16LittleEndian, LineEnd::Lf}, QString::fromUtf8("\u65e5"),
                   Bytes({0xFF, 0xFE, 'a', 0, 0x0A, 0, 0xE5, 0x65, 0x0A, 0}),
                   {TextEncoding::Utf16LittleEndian, LineEnd::Lf}}),
    [](const testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(TextListFileTest, EditorSaveOntoReadOnlyFileOrMissingFolderCannotCreate)
{
    WriteBytes(PathOf("locked.txt"), "keep");
    MakeReadOnly(PathOf("locked.txt"));
    QStringList lines = {"new "};
    try {
        SaveEditorText(PathOf("locked.txt"), lines, TextEncoding::Ansi);
        ADD_FAILURE() << "saved onto a read-only file";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Message(),
                  QStringLiteral("Cannot create file \"%1\". %2").arg(PathOf("locked.txt"), SystemErrorText(EACCES)));
    }
    EXPECT_EQ(ReadBytes(PathOf("locked.txt")), QByteArray("keep"));
    EXPECT_EQ(lines, QStringList({"new"})) << "the trimmed lines are what the editor shows afterwards";

    const QString missing = PathOf("missing/saved.txt");
    try {
        SaveEditorText(missing, lines, TextEncoding::Ansi);
        ADD_FAILURE() << "saved into a missing folder";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Message(),
                  QStringLiteral("Cannot create file \"%1\". %2").arg(missing, SystemErrorText(ENOENT)));
    }
}

TEST_F(TextListFileTest, EditorSaveThatCannotWriteIsAStreamWriteError)
{
    if (!QFile::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this machine";
    QStringList lines = {"a"};
    try {
        SaveEditorText("/dev/full", lines, TextEncoding::Utf8);
        ADD_FAILURE() << "a failed write was reported as success";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Message(), Named("/dev/full", "Stream write error"));
    }
}

// A write that fails half-way (here: past the process's file-size limit, as on a full disk) must not cost
// the user the file's old content.
TEST_F(TextListFileTest, EditorSaveThatFailsMidWayKeepsTheOldContent)
{
    const QByteArray old("old content\r\n");
    WriteBytes(PathOf("kept.txt"), old);
    QStringList lines(100, QStringLiteral("a longer line than the limit allows"));

    QString message;
    {
        const test::FileSizeLimit limit(64);
        try {
            SaveEditorText(PathOf("kept.txt"), lines, TextEncoding::Ansi);
        } catch (const FileError& error) {
            message = error.Message();
        }
    }

    EXPECT_EQ(message, Named(PathOf("kept.txt"), "Stream write error"));
    EXPECT_EQ(ReadBytes(PathOf("kept.txt")), old);
    EXPECT_EQ(QDir(Folder()).entryList(QDir::Files), QStringList{"kept.txt"}) << "a temporary file was left behind";
}

TEST_F(TextListFileTest, EditorSaveKeepsPermissionsAndSymbolicLinks)
{
    WriteBytes(PathOf("target.txt"), "x\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(PathOf("target.txt")).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(PathOf("target.txt"), PathOf("link.txt")));
    QStringList lines = {"y"};

    SaveEditorText(PathOf("link.txt"), lines, TextEncoding::Ansi);

    EXPECT_TRUE(QFileInfo(PathOf("link.txt")).isSymLink());
    EXPECT_EQ(ReadBytes(PathOf("target.txt")), QByteArray("y\r\n"));
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(PathOf("target.txt")).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
}

// A second name of the file would be split off by a replacement: the save writes the file itself, and both names
// see the new content.
TEST_F(TextListFileTest, EditorSaveOfAHardLinkedFileKeepsTheLink)
{
    WriteBytes(PathOf("list.txt"), "old\r\n");
    ASSERT_EQ(::link(QFile::encodeName(PathOf("list.txt")).constData(),
                     QFile::encodeName(PathOf("other-name.txt")).constData()),
              0);
    const ino_t inode = test::StatusOf(PathOf("list.txt")).st_ino;
    QStringList lines = {"new"};

    SaveEditorText(PathOf("list.txt"), lines, TextEncoding::Ansi);

    EXPECT_EQ(ReadBytes(PathOf("other-name.txt")), QByteArray("new\r\n"));
    EXPECT_EQ(test::StatusOf(PathOf("list.txt")).st_ino, inode);
    EXPECT_EQ(test::StatusOf(PathOf("list.txt")).st_nlink, 2u);
}

// The in-place save keeps the old content in memory and writes it back when the new one does not fit.
TEST_F(TextListFileTest, EditorSaveInPlaceThatFailsWritesTheOldContentBack)
{
    const QByteArray old("old content\r\n");
    WriteBytes(PathOf("list.txt"), old);
    ASSERT_EQ(::link(QFile::encodeName(PathOf("list.txt")).constData(),
                     QFile::encodeName(PathOf("other-name.txt")).constData()),
              0);
    QStringList lines(100, QStringLiteral("a longer line than the limit allows"));
    QString message;
    {
        const test::FileSizeLimit limit(64);
        try {
            SaveEditorText(PathOf("list.txt"), lines, TextEncoding::Ansi);
        } catch (const FileError& error) {
            message = error.Message();
        }
    }
    EXPECT_EQ(message, Named(PathOf("list.txt"), "Stream write error"));
    EXPECT_EQ(ReadBytes(PathOf("list.txt")), old);
    EXPECT_EQ(ReadBytes(PathOf("other-name.txt")), old);
}

// Root saving a user's file must leave it the user's; the replacement takes over owner and group.
TEST_F(TextListFileTest, EditorSaveKeepsTheOwnerOfAnotherUsersFile)
{
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
    constexpr uid_t user = 12345;
    constexpr gid_t group = 23456;
    WriteBytes(PathOf("theirs.txt"), "old\r\n");
    ASSERT_EQ(::chown(QFile::encodeName(PathOf("theirs.txt")).constData(), user, group), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(PathOf("theirs.txt")).constData(), 0604), 0);
    QStringList lines = {"new"};

    SaveEditorText(PathOf("theirs.txt"), lines, TextEncoding::Ansi);

    const struct stat status = test::StatusOf(PathOf("theirs.txt"));
    EXPECT_EQ(status.st_uid, user);
    EXPECT_EQ(status.st_gid, group);
    EXPECT_EQ(status.st_mode & 07777, 0604u);
    EXPECT_EQ(ReadBytes(PathOf("theirs.txt")), QByteArray("new\r\n"));
}

// A user may write a file in a folder they cannot write: the save goes into the file itself. The user is played by
// a child process that gives up root.
TEST_F(TextListFileTest, EditorSaveOfAWritableFileInAClosedFolderWritesInPlace)
{
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to play another user";
    constexpr uid_t user = 12345;
    ASSERT_EQ(::chmod(QFile::encodeName(Folder()).constData(), 0755), 0);
    WriteBytes(PathOf("mine.txt"), "old\r\n");
    ASSERT_EQ(::chown(QFile::encodeName(PathOf("mine.txt")).constData(), user, user), 0);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(user) != 0 || ::setuid(user) != 0) ::_exit(3);
        QStringList lines = {"new"};
        try {
            SaveEditorText(PathOf("mine.txt"), lines, TextEncoding::Ansi);
        } catch (const FileError&) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the save failed, 3: could not become the user";
    EXPECT_EQ(ReadBytes(PathOf("mine.txt")), QByteArray("new\r\n"));
    EXPECT_EQ(test::StatusOf(PathOf("mine.txt")).st_uid, user);
}

// A FIFO, a device or a socket is not a list: refused at once (a FIFO no longer blocks), as is a file over 1 GiB.
TEST_F(TextListFileTest, OnlyRegularFilesUpTo1GiBAreRead)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(PathOf("fifo.txt")).constData(), 0600), 0);
    const int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(socketFd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(PathOf("socket.txt"));
    ASSERT_LT(static_cast<std::size_t>(socketPath.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketPath.constData(), static_cast<std::size_t>(socketPath.size()));
    ASSERT_EQ(::bind(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    WriteBytes(PathOf("huge.txt"), "a\r\n");
    ASSERT_EQ(::truncate(QFile::encodeName(PathOf("huge.txt")).constData(), (off_t{1} << 30) + 1), 0);

    const auto notRegular = [](const QString& path) {
        return QStringLiteral("\"%1\" is not a regular file (a FIFO, device or socket) and cannot be a list").arg(path);
    };
    const std::vector<std::pair<QString, QString>> cases = {
        {PathOf("fifo.txt"), notRegular(PathOf("fifo.txt"))},
        {"/dev/zero", notRegular("/dev/zero")},
        {PathOf("socket.txt"),
         QStringLiteral("Cannot open file \"%1\". %2").arg(PathOf("socket.txt"), SystemErrorText(ENXIO))},
        {PathOf("huge.txt"),
         QStringLiteral("\"%1\" is too large for a list (more than 1 GiB)").arg(PathOf("huge.txt"))},
    };
    for (const auto& [path, message] : cases) {
        QStringList list = {"kept"};
        EXPECT_EQ(LoadError(path, list), message);
        EXPECT_EQ(list, QStringList({"kept"}));
        try {
            ReadEditorText(path);
            ADD_FAILURE() << path.toStdString() << " was read into the editor";
        } catch (const FileError& error) {
            EXPECT_EQ(error.Message(), message);
        }
    }
    ::close(socketFd);
}

TEST_F(TextListFileTest, IsExistingFileCountsFilesNotFolders)
{
    WriteBytes(PathOf("w.txt"), "a");
    ASSERT_TRUE(QDir(Folder()).mkdir("d"));
    EXPECT_TRUE(IsExistingFile(PathOf("w.txt")));
    EXPECT_FALSE(IsExistingFile(PathOf("d")));
    EXPECT_FALSE(IsExistingFile(PathOf("gone.txt")));
    EXPECT_FALSE(IsExistingFile("Insert your websites"));
    EXPECT_FALSE(IsExistingFile(""));
}

}  // namespace
}  // namespace larkspire
