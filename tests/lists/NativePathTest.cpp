#include "FileTestSupport.h"

#include "lists/PosixFile.h"
#include "lists/ServicesFolder.h"
#include "lists/TextListFile.h"

#include <fcntl.h>
#include <unistd.h>

namespace larkspire {
namespace {

QByteArray FolderBytes(const QString& folder) { return QFile::encodeName(folder); }

void WriteNative(const QByteArray& path, const QByteArray& bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path.toStdString();
    ASSERT_EQ(::write(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())), bytes.size());
    ::close(fd);
}

TEST(NativePath, EveryByteSequenceComesBackAsItWas)
{
    const std::vector<QByteArray> names = {"plain.txt", "caf\xC3\xA9.txt",        "caf\xE9.txt",  "\xFF\xFE",
                                           "a\x80z",    "\xF0\x9F\x98\x80 emoji", "cut \xE2\x82", "/dir/\xC0\xAF/x"};
    for (const QByteArray& name : names) {
        const QString path = PathFromNative(name);
        EXPECT_EQ(NativePath(path), name) << name.toHex().toStdString();
        EXPECT_FALSE(path.toUtf8().isEmpty());
    }
    EXPECT_EQ(PathFromNative("caf\xC3\xA9"), QString::fromUtf8("caf\xC3\xA9"));
    EXPECT_EQ(NativePath(QString::fromUtf8("caf\xC3\xA9")), QByteArray("caf\xC3\xA9"));
    EXPECT_TRUE(NativePath(QStringLiteral("a") + QChar(0) + QStringLiteral("b")).isEmpty());
}

class NativePathFiles : public test::TempFolderTest {};

// A name in Latin-1 on a UTF-8 system: listed, read, and copied under its own bytes, never under U+FFFD.
TEST_F(NativePathFiles, FilesWhoseNamesAreNotUtf8AreFoundByTheirBytes)
{
    const QByteArray folder = FolderBytes(Folder());
    WriteNative(folder + "caf\xE9.txt", "http://x.test/{website}\r\n");

    QStringList names;
    ListFilesByMask(Folder(), QStringLiteral("*.txt"), names);
    ASSERT_EQ(names.size(), 1);
    QStringList lines;
    LoadTextList(Folder() + names.front(), lines);
    EXPECT_EQ(lines, QStringList{"http://x.test/{website}"});
    EXPECT_TRUE(IsExistingFile(Folder() + names.front()));

    const QString services = PathFromNative(folder + "servi\xE7"
                                                     "es/");
    EXPECT_EQ(AddServicesFile(Folder() + names.front(), services), names.front());
    struct stat status {};
    EXPECT_EQ(::stat(folder + "servi\xE7"
                              "es/caf\xE9.txt",
                     &status),
              0)
        << "not copied under its own bytes";
}

}  // namespace
}  // namespace larkspire
