#include "FileTestSupport.h"

#include "lists/FileErrors.h"
#include "lists/ServicesFolder.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>

namespace larkspire {
namespace {

using test::MakeReadOnly;
using test::ReadBytes;
using test::WriteBytes;

class ServicesFolderTest : public test::TempFolderTest {
protected:
    QString Services() const { return PathOf("indexer/"); }

    QStringList List(const QString& folder, const QString& mask = "*.txt")
    {
        QStringList names = {"stale"};
        ListFilesByMask(folder, mask, names);
        return names;
    }

    QString AddError(const QString& source, const QString& folder)
    {
        try {
            AddServicesFile(source, folder);
        } catch (const FileError& error) {
            return error.Message();
        }
        return QStringLiteral("<no error>");
    }

    QString RemoveError(const QString& path)
    {
        try {
            RemoveServicesFile(path);
        } catch (const FileError& error) {
            return error.Message();
        }
        return QStringLiteral("<no error>");
    }
};

TEST_F(ServicesFolderTest, ListsTxtFilesSortedCaseInsensitivelyWithoutFolders)
{
    QDir().mkpath(Services());
    for (const char* name : {"b.txt", "a.txt", "notes.csv", "C.TXT", ".hidden.txt", "txt", "a.txt.bak", ".txt"})
        WriteBytes(Services() + name, "x");
    ASSERT_TRUE(QDir(Services()).mkdir("x.txt"));
    ASSERT_EQ(::symlink("x.txt", QFile::encodeName(Services() + "link-to-folder.txt").constData()), 0);
    ASSERT_EQ(::symlink("a.txt", QFile::encodeName(Services() + "link-to-file.txt").constData()), 0);

    EXPECT_EQ(List(Services()), QStringList({".hidden.txt", ".txt", "a.txt", "b.txt", "C.TXT", "link-to-file.txt"}));
}

TEST_F(ServicesFolderTest, MissingFolderOrNoMatchGivesAnEmptyList)
{
    EXPECT_TRUE(List(PathOf("nowhere/")).isEmpty());
    WriteBytes(PathOf("only.csv"), "x");
    EXPECT_TRUE(List(Folder()).isEmpty());
}

TEST_F(ServicesFolderTest, FolderAndMaskAreJoinedWithoutASeparator)
{
    QDir().mkpath(Services());
    WriteBytes(Services() + "inside.txt", "x");
    WriteBytes(PathOf("indexer-list.txt"), "x");
    EXPECT_EQ(List(PathOf("indexer")), QStringList({"indexer-list.txt"}));
    EXPECT_EQ(List(Services(), "in?ide.TXT"), QStringList({"inside.txt"}));
}

TEST_F(ServicesFolderTest, AddCreatesTheFolderAndCopiesKeepingPermissionBits)
{
    WriteBytes(PathOf("new.txt"), "http://x.test/?u={website}\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(PathOf("new.txt")).constData(), 0640), 0);
    const QString folder = PathOf("deep/indexer/");

    EXPECT_EQ(AddServicesFile(PathOf("new.txt"), folder), "new.txt");
    EXPECT_EQ(ReadBytes(folder + "new.txt"), QByteArray("http://x.test/?u={website}\r\n"));
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(folder + "new.txt").constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    EXPECT_EQ(ServicesFileLoadedMessage("new.txt"), "File new.txt loaded");
}

TEST_F(ServicesFolderTest, ExistingNameIsRefusedAndTheFileStaysAsItWas)
{
    QDir().mkpath(Services());
    WriteBytes(Services() + "google.txt", "old");
    WriteBytes(PathOf("google.txt"), "new");

    EXPECT_EQ(AddError(PathOf("google.txt"), Services()), "The specified file already exists");
    EXPECT_EQ(AddError(Services() + "google.txt", Services()), "The specified file already exists");
    EXPECT_EQ(ReadBytes(Services() + "google.txt"), QByteArray("old"));

    ASSERT_TRUE(QDir(Services()).mkdir("folder.txt"));
    WriteBytes(PathOf("folder.txt"), "new");
    EXPECT_EQ(AddError(PathOf("folder.txt"), Services()), "The specified file already exists");
}

TEST_F(ServicesFolderTest, BadSourcePathsAreRefusedBeforeCopying)
{
    const QString longSource = PathOf(QString(300, u'n') + ".txt");
    const std::vector<std::pair<QString, QString>> cases = {
        {longSource, "The specified path is too long"},
        {"", "Invalid characters in path"},
        {"   ", "Invalid characters in path"},
        {PathOf("a") + QChar(0) + "b.txt", "Invalid characters in path"},
        {PathOf("missing-folder/s.txt"), "The specified path was not found"},
        {PathOf("missing.txt"), "The specified file was not found"},
    };
    for (const auto& [source, message] : cases)
        EXPECT_EQ(AddError(source, Services()), message) << source.toStdString();
    EXPECT_TRUE(List(Services()).isEmpty());
}

TEST_F(ServicesFolderTest, BadTargetPathsAreRefused)
{
    WriteBytes(PathOf("s.txt"), "x");
    const QString longFolder = PathOf(QString(255, u'f') + "/");
    EXPECT_EQ(AddError(PathOf("s.txt"), longFolder), "The specified path is too long");

    WriteBytes(PathOf("plain"), "a file where the folder should be");
    EXPECT_EQ(AddError(PathOf("s.txt"), PathOf("plain/")), "The specified path was not found");
}

// A FIFO would have blocked the copy (and the window) until something wrote to it; a NUL byte would have cut the
// file's lines short.
TEST_F(ServicesFolderTest, SourceThatCannotBeAListIsNotCopied)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(PathOf("fifo.txt")).constData(), 0600), 0);
    EXPECT_EQ(AddError(PathOf("fifo.txt"), Services()),
              QStringLiteral("\"%1\" is not a regular file (a FIFO, device or socket) and cannot be a list")
                  .arg(PathOf("fifo.txt")));
    EXPECT_FALSE(QFileInfo::exists(Services() + "fifo.txt"));

    WriteBytes(PathOf("binary.txt"), QByteArray("a\0b", 3));
    EXPECT_EQ(AddError(PathOf("binary.txt"), Services()),
              QStringLiteral("\"%1\" is not a text file: it holds a NUL byte").arg(PathOf("binary.txt")));
    EXPECT_FALSE(QFileInfo::exists(Services() + "binary.txt"));
}

TEST_F(ServicesFolderTest, SourceFolderIsNotCopied)
{
    ASSERT_TRUE(QDir(Folder()).mkdir("dir.txt"));
    EXPECT_EQ(AddError(PathOf("dir.txt"), Services()), SystemErrorText(EISDIR));
    EXPECT_FALSE(QFileInfo::exists(Services() + "dir.txt"));
}

TEST_F(ServicesFolderTest, ReadOnlyCopyCannotBeRemoved)
{
    WriteBytes(PathOf("ro.txt"), "x");
    MakeReadOnly(PathOf("ro.txt"));
    ASSERT_EQ(AddServicesFile(PathOf("ro.txt"), Services()), "ro.txt");
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(Services() + "ro.txt").constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0444u);

    EXPECT_EQ(RemoveError(Services() + "ro.txt"),
              QStringLiteral("Cannot delete file \"%1\". %2").arg(Services() + "ro.txt", SystemErrorText(EACCES)));
    EXPECT_EQ(List(Services()), QStringList({"ro.txt"}));
}

TEST_F(ServicesFolderTest, RemoveDeletesAFileAndReportsWhatItCouldNot)
{
    QDir().mkpath(Services());
    WriteBytes(Services() + "x.txt", "x");
    ASSERT_TRUE(QDir(Services()).mkdir("d.txt"));

    EXPECT_EQ(RemoveError(Services() + "x.txt"), "<no error>");
    EXPECT_FALSE(QFileInfo::exists(Services() + "x.txt"));
    const QString cannotDelete = QStringLiteral("Cannot delete file \"%1\". %2");
    EXPECT_EQ(RemoveError(Services() + "x.txt"), cannotDelete.arg(Services() + "x.txt", SystemErrorText(ENOENT)));
    EXPECT_EQ(RemoveError(Services() + "d.txt"), cannotDelete.arg(Services() + "d.txt", SystemErrorText(EISDIR)));
    EXPECT_TRUE(QFileInfo(Services() + "d.txt").isDir());
    EXPECT_EQ(ServicesFileDeletedMessage("google.txt"), "google.txt deleted");
}

TEST(FileNamePart, IsTheTextAfterTheLastSlash)
{
    EXPECT_EQ(FileNamePart("/home/u/lists/google.txt"), "google.txt");
    EXPECT_EQ(FileNamePart("google.txt"), "google.txt");
    EXPECT_EQ(FileNamePart("c:google.txt"), "c:google.txt");
    EXPECT_EQ(FileNamePart("/folder/"), "");
}

}  // namespace
}  // namespace larkspire
