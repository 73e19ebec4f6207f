#include "tests/app/DrivenProgram.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>

namespace larkspire {
namespace {

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The `cmake --install` of this build that ctest made before the suite (tests/install/CMakeLists.txt); the tests
// only read it.
class Install : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo(Installed("bin/larkspire-indexer")).isExecutable())
            << "no installed tree in " LARKSPIRE_INSTALLED_TREE;
    }

    static QString Installed(const char* relative) { return QStringLiteral(LARKSPIRE_INSTALLED_TREE "/") + relative; }
    static QString Prefix() { return QStringLiteral(LARKSPIRE_INSTALLED_TREE); }
};

TEST_F(Install, LaysOutOneSelfContainedFolder)
{
    for (const char* file : {"bin/larkspire-indexer", "bin/larkspire-ping", "bin/larkspire-install-desktop-entry"})
        EXPECT_TRUE(QFileInfo(Installed(file)).isExecutable()) << file;
    EXPECT_EQ(ReadBytes(Installed("bin/indexer/indexnow.txt")),
              ReadBytes(QStringLiteral(LARKSPIRE_SOURCE_DIR "/examples/indexnow.txt")));
    EXPECT_TRUE(QFileInfo::exists(Installed("share/icons/hicolor/scalable/apps/example.larkspire.Indexer.svg")));
}

// Started from the installed folder, the program finds its services folder beside it: the sample service is
// selected and its one template counted.
TEST_F(Install, InstalledProgramStartsWithTheSampleServiceSelected)
{
    test::DrivenProgram program(Installed("bin/larkspire-indexer"), {});
    ASSERT_TRUE(program.Started());
    EXPECT_TRUE(program.Process().waitForFinished(30000));
    EXPECT_TRUE(program.Errors().contains("driver: services \"indexnow.txt\" counters \"0/1\""))
        << program.Errors().toStdString();
    EXPECT_EQ(program.Process().exitCode(), 0);
}

// Installed in a folder whose name is Latin-1 on a UTF-8 system, the program still finds its services folder by
// the folder's own bytes. It is started through a link of a plain name, as the test's process names are UTF-8.
TEST_F(Install, InstalledInAFolderWhoseNameIsNotUtf8TheProgramFindsItsServices)
{
    QTemporaryDir parent;
    const std::filesystem::path base(QFile::encodeName(parent.path()).toStdString());
    const std::filesystem::path folder = base / std::string("caf\xE9");
    std::error_code error;
    std::filesystem::copy(QFile::encodeName(Prefix()).toStdString(), folder,
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks,
                          error);
    ASSERT_FALSE(error) << error.message();
    std::filesystem::create_symlink(folder / "bin/larkspire-indexer", base / "link", error);
    ASSERT_FALSE(error) << error.message();

    test::DrivenProgram program(parent.filePath(QStringLiteral("link")), {});
    ASSERT_TRUE(program.Started());
    EXPECT_TRUE(program.Process().waitForFinished(30000));
    EXPECT_TRUE(program.Errors().contains("driver: services \"indexnow.txt\" counters \"0/1\""))
        << program.Errors().toStdString();
    std::filesystem::remove_all(folder, error);  // a name QTemporaryDir cannot spell
}

TEST_F(Install, DesktopEntryPointsAtTheInstalledProgramAndValidates)
{
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed (Debian package desktop-file-utils)";
    QTemporaryDir data;
    QProcess script;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    script.setProcessEnvironment(environment);
    script.start(Installed("bin/larkspire-install-desktop-entry"), {});
    ASSERT_TRUE(script.waitForFinished(30000));
    ASSERT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();

    const QString entry = data.filePath(QStringLiteral("applications/example.larkspire.Indexer.desktop"));
    EXPECT_TRUE(ReadBytes(entry).contains("\nExec=" + Installed("bin/larkspire-indexer").toUtf8() + "\n"));
    EXPECT_TRUE(
        QFileInfo::exists(data.filePath(QStringLiteral("icons/hicolor/scalable/apps/example.larkspire.Indexer.svg"))));
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(validator, {entry});
    ASSERT_TRUE(validate.waitForFinished(30000));
    EXPECT_EQ(validate.exitCode(), 0);
    EXPECT_EQ(validate.readAll(), QByteArray());
}

// The program path an Exec value names, read the way a desktop reads it: the string-value escapes first, then
// the double quotes with their backslash escapes, then "%%" as one "%".
QString ExecArgument(const QString& value)
{
    QString unescaped;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\' && i + 1 < value.size()) {
            const QChar next = value[++i];
            unescaped += next == u's' ? QChar(u' ') : next == u't' ? QChar(u'\t') : next;
            continue;
        }
        unescaped += value[i];
    }
    QString argument;
    const bool quoted = unescaped.startsWith(u'"') && unescaped.endsWith(u'"');
    const QString inner = quoted ? unescaped.mid(1, unescaped.size() - 2) : unescaped;
    for (qsizetype i = 0; i < inner.size(); ++i) {
        if (quoted && inner[i] == u'\\' && i + 1 < inner.size())
            ++i;
        else if (inner[i] == u'%' && i + 1 < inner.size() && inner[i + 1] == u'%')
            ++i;
        argument += inner[i];
    }
    return argument;
}

QString ExecValue(const QByteArray& entry)
{
    for (const QByteArray& line : entry.split('\n')) {
        if (line.startsWith("Exec=")) return QString::fromUtf8(line.mid(5));
    }
    return {};
}

// A path with a blank would have started another program, "&" or "|" broke the old sed: each character of the
// folder's name comes back from the entry as it was.
TEST_F(Install, DesktopEntryOfAFolderWithReservedCharactersNamesItExactly)
{
    QTemporaryDir parent;
    const QString folder = parent.filePath(QStringLiteral("odd name & | $x \"q\" `c` \\ 50% 'a' ; #(*?)"));
    QProcess copy;
    copy.start(QStringLiteral("cp"), {QStringLiteral("-a"), Prefix(), folder});
    ASSERT_TRUE(copy.waitForFinished(30000));
    ASSERT_EQ(copy.exitCode(), 0) << copy.readAllStandardError().toStdString();
    QTemporaryDir data;
    QProcess script;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    script.setProcessEnvironment(environment);
    script.start(folder + QStringLiteral("/bin/larkspire-install-desktop-entry"), {});
    ASSERT_TRUE(script.waitForFinished(30000));
    ASSERT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();

    const QByteArray entry = ReadBytes(data.filePath(QStringLiteral("applications/example.larkspire.Indexer.desktop")));
    const QString exec = ExecValue(entry);
    EXPECT_TRUE(exec.startsWith(u'"') && exec.endsWith(u'"')) << exec.toStdString();
    EXPECT_EQ(ExecArgument(exec), folder + QStringLiteral("/bin/larkspire-indexer")) << exec.toStdString();
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty()) return;  // the entry's form is checked above; the validator only adds its own view
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(validator, {data.filePath(QStringLiteral("applications/example.larkspire.Indexer.desktop"))});
    ASSERT_TRUE(validate.waitForFinished(30000));
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();
}

}  // namespace
}  // namespace larkspire
