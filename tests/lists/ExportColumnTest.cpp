#include "FileTestSupport.h"

#include "lists/FileErrors.h"
#include "lists/PingTable.h"
#include "lists/PingTableColumns.h"
#include "lists/TextListFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace larkspire {
namespace {

using test::MakeReadOnly;
using test::ReadBytes;
using test::WriteBytes;

PingTable TableOf(const std::vector<std::pair<QString, QString>>& rows)
{
    PingTable table;
    table.SetRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < table.RowCount(); ++row) {
        table.SetCell(0, row, rows[row].first);
        table.SetCell(1, row, rows[row].second);
    }
    return table;
}

// An error about one file names it first.
QString Named(const QString& path, const QString& words) { return QStringLiteral("\"%1\": %2").arg(path, words); }

QString ExportError(const PingTable& table, const QString& path)
{
    try {
        ExportColumn(table, path, 0, 0, {});
    } catch (const FileError& error) {
        return error.Message();
    }
    return QStringLiteral("<no error>");
}

class ExportColumnTest : public test::TempFolderTest {};

TEST_F(ExportColumnTest, WritesEachCellWithCrLfAndNoBom)
{
    const PingTable table = TableOf({{"x", "Completed"}, {"", ""}, {"y", "Error 404"}});
    ExportColumn(table, PathOf("all.txt"), 0, 0, {});
    EXPECT_EQ(ReadBytes(PathOf("all.txt")), QByteArray("x\r\n\r\ny\r\n"));
}

TEST_F(ExportColumnTest, FiltersOnTheExactStatusText)
{
    const PingTable table = TableOf({{"a", "Completed"},
                                     {"b", "completed"},
                                     {"c", ""},
                                     {"d", "Timeout"},
                                     {"e", "Completed "},
                                     {"f", "Completed"},
                                     {"g", "Pinging page..."}});
    ExportColumn(table, PathOf("completed.txt"), 0, 1, "Completed");
    EXPECT_EQ(ReadBytes(PathOf("completed.txt")), QByteArray("a\r\nf\r\n"));
    ExportColumn(table, PathOf("open.txt"), 0, 1, "");
    EXPECT_EQ(ReadBytes(PathOf("open.txt")), QByteArray("c\r\n"));
}

// The failed rows: HTTP errors, time-outs and aborted checks; not rows unchecked, under way or completed.
TEST_F(ExportColumnTest, FailedUrlsAreTheErrorsTimeoutsAndAbortedChecksInTableOrder)
{
    const PingTable table = TableOf({{"a", "Completed"},
                                     {"b", "Error 404"},
                                     {"c", ""},
                                     {"d", "Timeout"},
                                     {"e", "Pinging page..."},
                                     {"f", "Aborted"},
                                     {"g", "Error 503"}});
    ExportFailedUrls(table, PathOf("failed.txt"));
    EXPECT_EQ(ReadBytes(PathOf("failed.txt")), QByteArray("b\r\nd\r\nf\r\ng\r\n"));
}

TEST_F(ExportColumnTest, LinesThatFitWindows1252AreWrittenInIt)
{
    const PingTable table =
        TableOf({{QString::fromUtf8("http://x.test/?u=caf\u00e9\u20ac"), ""}, {"", ""}, {"b?", ""}});
    ExportColumn(table, PathOf("ansi.txt"), 0, 0, {});
    EXPECT_EQ(ReadBytes(PathOf("ansi.txt")), QByteArray("http://x.test/?u=caf\xE9\x80\r\n\r\nb?\r\n"));
}

// One line outside Windows-1252 makes the whole file UTF-8, marked so that it reads back the same.
TEST_F(ExportColumnTest, ALineOutsideWindows1252MakesTheExportUtf8WithAMark)
{
    const QString cafe = QString::fromUtf8("caf\u00e9");
    const QString beyond = QString::fromUtf8("\u0100 \u4e2d \U0001F600");
    const PingTable table = TableOf({{cafe, "Completed"}, {beyond, "Completed"}});
    ExportColumn(table, PathOf("utf8.txt"), 0, 0, {});
    EXPECT_EQ(ReadBytes(PathOf("utf8.txt")).toHex(' '),
              QByteArray("\xEF\xBB\xBF"
                         "caf\xC3\xA9\r\n\xC4\x80 \xE4\xB8\xAD \xF0\x9F\x98\x80\r\n")
                  .toHex(' '));
    QStringList readBack;
    LoadTextList(PathOf("utf8.txt"), readBack);
    EXPECT_EQ(readBack, QStringList({cafe, beyond}));
}

TEST_F(ExportColumnTest, EmptyResultReplacesAnExistingFile)
{
    WriteBytes(PathOf("old.txt"), "old content\r\n");
    ExportColumn(PingTable(), PathOf("old.txt"), 0, 0, {});
    EXPECT_EQ(ReadBytes(PathOf("old.txt")), QByteArray());

    WriteBytes(PathOf("none.txt"), "old content\r\n");
    ExportColumn(TableOf({{"a", "Timeout"}}), PathOf("none.txt"), 0, 1, "Completed");
    EXPECT_EQ(ReadBytes(PathOf("none.txt")), QByteArray());
}

TEST_F(ExportColumnTest, LargeExportComesOutWholeThroughTheBuffer)
{
    PingTable table;
    table.SetRowCount(20000);
    QByteArray expected;
    for (int row = 0; row < table.RowCount(); ++row) {
        const QString url = QStringLiteral("http://x.test/?url=site%1.example").arg(row);
        table.SetCell(0, row, url);
        expected += url.toLatin1() + "\r\n";
    }
    ExportColumn(table, PathOf("large.txt"), 0, 0, {});
    EXPECT_EQ(ReadBytes(PathOf("large.txt")), expected);
}

TEST_F(ExportColumnTest, PathOf260CharactersIsRefusedBeforeAnyFileIsTouched)
{
    const QString shortPath = PathOf("f");
    const QString path = shortPath + QString(260 - shortPath.size(), u'x');
    ASSERT_EQ(path.size(), 260);
    EXPECT_EQ(ExportError(TableOf({{"a", ""}}), path), "Invalid file name - " + path);
    EXPECT_TRUE(QDir(Folder()).isEmpty());

    const QString longest = path.chopped(1);
    ExportColumn(TableOf({{"a", ""}}), longest, 0, 0, {});
    EXPECT_EQ(ReadBytes(longest), QByteArray("a\r\n"));
}

TEST_F(ExportColumnTest, MissingFolderOrFileInPlaceOfAFolderIsAnInvalidName)
{
    const QString missing = PathOf("missing/out.txt");
    EXPECT_EQ(ExportError(TableOf({{"a", ""}}), missing), "Invalid file name - " + missing);
    EXPECT_FALSE(QDir(PathOf("missing")).exists());

    WriteBytes(PathOf("plain"), "keep");
    const QString underFile = PathOf("plain/out.txt");
    EXPECT_EQ(ExportError(TableOf({{"a", ""}}), underFile), "Invalid file name - " + underFile);
    EXPECT_EQ(ReadBytes(PathOf("plain")), QByteArray("keep"));
}

TEST_F(ExportColumnTest, ReadOnlyFileOrFolderInItsPlaceIsAccessDenied)
{
    WriteBytes(PathOf("locked.txt"), "keep\r\n");
    MakeReadOnly(PathOf("locked.txt"));
    EXPECT_EQ(ExportError(TableOf({{"a", ""}}), PathOf("locked.txt")),
              Named(PathOf("locked.txt"), "File access denied"));
    EXPECT_EQ(ReadBytes(PathOf("locked.txt")), QByteArray("keep\r\n"));

    ASSERT_TRUE(QDir(Folder()).mkdir("folder.txt"));
    EXPECT_EQ(ExportError(TableOf({{"a", ""}}), PathOf("folder.txt")),
              Named(PathOf("folder.txt"), "File access denied"));
}

TEST_F(ExportColumnTest, FullDiskIsIoError112)
{
    if (!QFile::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this machine";
    PingTable table;
    table.SetRowCount(100000);
    for (int row = 0; row < table.RowCount(); ++row) table.SetCell(0, row, "http://x.test/");
    EXPECT_EQ(ExportError(table, "/dev/full"), Named("/dev/full", "I/O error 112"));
}

struct FailingExportCase {
    const char* name;
    int filterColumn;
    const char* filterText;
};

void PrintTo(const FailingExportCase& exportCase, std::ostream* stream) { *stream << exportCase.name; }

class ExportThatFails : public test::TempFolderTest, public testing::WithParamInterface<FailingExportCase> {};

// Past the file-size limit (as on a full disk) each export leaves the old file whole and no temporary file beside.
TEST_P(ExportThatFails, KeepsTheOldFileAndLeavesNothingBeside)
{
    PingTable table;
    table.SetRowCount(2000);
    for (int row = 0; row < table.RowCount(); ++row) {
        table.SetCell(0, row, QStringLiteral("http://x.test/?url=site%1.example").arg(row));
        table.SetCell(1, row, row % 2 ? QStringLiteral("Completed") : QString());
    }
    const QByteArray old("old content\r\n");
    WriteBytes(PathOf("out.txt"), old);
    QString message;
    {
        const test::FileSizeLimit limit(4096);
        try {
            ExportColumn(table, PathOf("out.txt"), 0, GetParam().filterColumn, GetParam().filterText);
        } catch (const FileError& error) {
            message = error.Message();
        }
    }
    EXPECT_EQ(message, Named(PathOf("out.txt"), QStringLiteral("I/O error %1").arg(EFBIG)));
    EXPECT_EQ(ReadBytes(PathOf("out.txt")), old);
    EXPECT_EQ(QDir(Folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.txt"});
}

INSTANTIATE_TEST_SUITE_P(EveryExport, ExportThatFails,
                         testing::Values(FailingExportCase{"All", 0, ""},
                                         FailingExportCase{"Completed", 1, "Completed"},
                                         FailingExportCase{"NotCompleted", 1, ""}),
                         [](const testing::TestParamInfo<FailingExportCase>& info) { return info.param.name; });

// The export replaces what a symbolic link points at and keeps the link and the file's permission bits.
TEST_F(ExportColumnTest, ReplacesTheTargetOfASymbolicLinkKeepingItsPermissionBits)
{
    WriteBytes(PathOf("target.txt"), "old\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(PathOf("target.txt")).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(PathOf("target.txt"), PathOf("link.txt")));
    ExportColumn(TableOf({{"a", ""}}), PathOf("link.txt"), 0, 0, {});
    EXPECT_TRUE(QFileInfo(PathOf("link.txt")).isSymLink());
    EXPECT_EQ(ReadBytes(PathOf("target.txt")), QByteArray("a\r\n"));
    EXPECT_EQ(test::StatusOf(PathOf("target.txt")).st_mode & 07777, 0640u);
}

// An export over a file with a second name writes the file itself, so both names see it; and when that write
// fails the old content is written back.
TEST_F(ExportColumnTest, ExportOverAHardLinkedFileKeepsTheLinkAndOnFailureTheOldContent)
{
    WriteBytes(PathOf("list.txt"), "old\r\n");
    ASSERT_EQ(::link(QFile::encodeName(PathOf("list.txt")).constData(),
                     QFile::encodeName(PathOf("other-name.txt")).constData()),
              0);
    ExportColumn(TableOf({{"a", ""}}), PathOf("list.txt"), 0, 0, {});
    EXPECT_EQ(ReadBytes(PathOf("other-name.txt")), QByteArray("a\r\n"));
    EXPECT_EQ(test::StatusOf(PathOf("list.txt")).st_nlink, 2u);

    PingTable large;
    large.SetRowCount(2000);
    for (int row = 0; row < large.RowCount(); ++row)
        large.SetCell(0, row, QStringLiteral("http://x.test/?url=site%1.example").arg(row));
    QString message;
    {
        const test::FileSizeLimit limit(4096);
        message = ExportError(large, PathOf("list.txt"));
    }
    EXPECT_EQ(message, Named(PathOf("list.txt"), QStringLiteral("I/O error %1").arg(EFBIG)));
    EXPECT_EQ(ReadBytes(PathOf("other-name.txt")), QByteArray("a\r\n"));
    EXPECT_EQ(QDir(Folder()).entryList(QDir::Files | QDir::Hidden), QStringList({"list.txt", "other-name.txt"}));
}

TEST(IoError, MapsErrnoToTheMessagesOfTheErrorTable)
{
    const QString path = QStringLiteral("/some/file.txt");
    const std::vector<std::pair<int, QString>> cases = {
        {ENOENT, "Invalid file name - /some/file.txt"},
        {ENOTDIR, "Invalid file name - /some/file.txt"},
        {ENAMETOOLONG, "Invalid file name - /some/file.txt"},
        {EACCES, Named(path, "File access denied")},
        {EPERM, Named(path, "File access denied")},
        {EISDIR, Named(path, "File access denied")},
        {EROFS, Named(path, "File access denied")},
        {EMFILE, Named(path, "Too many open files")},
        {ENFILE, Named(path, "Too many open files")},
        {ENOSPC, Named(path, "I/O error 112")},
        {EIO, Named(path, QStringLiteral("I/O error %1").arg(EIO))},
        {EINTR, Named(path, QStringLiteral("I/O error %1").arg(EINTR))},
        {ETXTBSY, Named(path, QStringLiteral("I/O error %1").arg(ETXTBSY))},
    };
    for (const auto& [errnoValue, message] : cases)
        EXPECT_EQ(IoError(errnoValue, path).Message(), message) << "errno " << errnoValue;
}

TEST(SystemErrorText, DropsTrailingBlanksAndFullStops)
{
    for (int errnoValue : {ENOENT, EACCES, EISDIR, ENOSPC}) {
        const QString text = SystemErrorText(errnoValue);
        ASSERT_FALSE(text.isEmpty());
        EXPECT_FALSE(text.endsWith(u'.') || text.endsWith(u' ')) << text.toStdString();
    }
    EXPECT_EQ(SystemErrorText(ENOENT), QString::fromLocal8Bit(strerror(ENOENT)).remove(QRegularExpression("[ .]+$")));
}

}  // namespace
}  // namespace larkspire
