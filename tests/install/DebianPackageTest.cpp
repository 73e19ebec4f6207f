#include "tests/app/DrivenProgram.h"
#include "tests/support/LoopbackServer.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace larkspire {
namespace {

struct Ran {
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Ran RunTool(const QString& program, const QStringList& arguments,
            const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Ran ran;
    ran.finished = process.waitForFinished(180000);
    ran.exitCode = process.exitCode();
    ran.out = process.readAllStandardOutput();
    ran.err = process.readAllStandardError();
    return ran;
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The `cpack -G DEB` of this build's programs (whatever its build type) that ctest made and extracted into root/
// before the suite (tests/install/CMakeLists.txt); the tests only read it.
class DebianPackage : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        for (const char* tool : {"dpkg-deb", "dpkg-shlibdeps", "dpkg"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) {
                skipReason_ = QStringLiteral("%1 is not installed (Debian package dpkg-dev)").arg(QLatin1String(tool));
                return;
            }
        }
        const Ran architecture = RunTool(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")});
        package_ = QStringLiteral(LARKSPIRE_PACKAGE_FOLDER "/larkspire-indexer_" LARKSPIRE_PROJECT_VERSION "_") +
                   QString::fromUtf8(architecture.out.trimmed()) + QStringLiteral(".deb");
    }

    void SetUp() override
    {
        if (!skipReason_.isEmpty()) GTEST_SKIP() << skipReason_.toStdString();
        ASSERT_TRUE(QFileInfo::exists(package_)) << "no package " << package_.toStdString();
        ASSERT_TRUE(QFileInfo(Extracted("/usr/bin/larkspire-ping")).isExecutable()) << "the package was not extracted";
    }

    static QString Extracted(const char* path) { return QStringLiteral(LARKSPIRE_PACKAGE_FOLDER "/root") + path; }

    static QString package_;
    static QString skipReason_;
};

QString DebianPackage::package_;
QString DebianPackage::skipReason_;

TEST_F(DebianPackage, HoldsTheSystemWideFilesAndNotTheSelfContainedFolders)
{
    const Ran contents = RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), package_});
    ASSERT_EQ(contents.exitCode, 0) << contents.err.toStdString();
    for (const char* path :
         {"./usr/bin/larkspire-indexer", "./usr/bin/larkspire-ping",
          "./usr/share/applications/example.larkspire.Indexer.desktop",
          "./usr/share/icons/hicolor/scalable/apps/example.larkspire.Indexer.svg",
          "./usr/share/larkspire-indexer/indexer/indexnow.txt", "./usr/share/man/man1/larkspire-indexer.1.gz",
          "./usr/share/man/man1/larkspire-ping.1.gz", "./usr/share/bash-completion/completions/larkspire-ping",
          "./usr/share/doc/larkspire-indexer/copyright", "./usr/share/doc/larkspire-indexer/changelog.gz"})
        EXPECT_TRUE(contents.out.contains(QByteArray(" ") + path + "\n")) << path << "\n" << contents.out.toStdString();
    for (const char* path : {"/usr/bin/indexer/", "larkspire-install-desktop-entry", ".desktop.in"})
        EXPECT_FALSE(contents.out.contains(path)) << path;
    // The package's entry starts the program from the PATH.
    EXPECT_TRUE(ReadBytes(Extracted("/usr/share/applications/example.larkspire.Indexer.desktop"))
                    .contains("\nExec=larkspire-indexer\n"));
}

TEST_F(DebianPackage, ControlFieldsNameThePackageAndTheLibrariesItNeeds)
{
    const Ran fields =
        RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("--field"), package_, QStringLiteral("Package"),
                                             QStringLiteral("Version"), QStringLiteral("Depends")});
    ASSERT_EQ(fields.exitCode, 0) << fields.err.toStdString();
    EXPECT_TRUE(fields.out.contains("Package: larkspire-indexer\n")) << fields.out.toStdString();
    EXPECT_TRUE(fields.out.contains("Version: " LARKSPIRE_PROJECT_VERSION "\n")) << fields.out.toStdString();
    for (const char* library :
         {"libqt6widgets6", "libqt6core6", "libqt6svg6", "libssl3", "libpcre2-16-0", "libidn2-0", "libc6"})
        EXPECT_TRUE(fields.out.contains(library)) << library << "\n" << fields.out.toStdString();
}

TEST_F(DebianPackage, ExtractedPingShowsItsVersionAndChecksALoopbackUrl)
{
    const Ran version = RunTool(Extracted("/usr/bin/larkspire-ping"), {QStringLiteral("--version")});
    EXPECT_EQ(version.out, "larkspire-ping " LARKSPIRE_PROJECT_VERSION "\n") << version.err.toStdString();

    const test::LoopbackServer server(test::AnswerByPath{});
    const QString url = QString::fromStdU16String(server.Url(u"/200"));
    const QTemporaryDir folder;
    const QString urls = folder.filePath(QStringLiteral("urls.txt"));
    QFile file(urls);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(url.toUtf8() + "\n") > 0);
    file.close();
    const Ran ping = RunTool(Extracted("/usr/bin/larkspire-ping"),
                             {QStringLiteral("--urls"), urls, QStringLiteral("--results"), QStringLiteral("-")});
    EXPECT_EQ(ping.exitCode, 0) << ping.err.toStdString();
    const QString line = QString::fromUtf8(ping.out);
    EXPECT_TRUE(QRegularExpression(QRegularExpression::anchoredPattern(QRegularExpression::escape(url) +
                                                                       QStringLiteral("\tCompleted\tin [0-9]+ ms\n")))
                    .match(line)
                    .hasMatch())
        << ping.out.toStdString();
}

// No writable indexer/ beside /usr/bin/larkspire-indexer: the first start makes the services folder in the user's
// data folder with the sample, and selects it.
TEST_F(DebianPackage, ExtractedWindowMakesTheServicesFolderInTheUsersDataFolder)
{
    QTemporaryDir home;
    // An empty XDG_DATA_HOME counts as unset.
    test::DrivenProgram program(Extracted("/usr/bin/larkspire-indexer"),
                                {{QStringLiteral("HOME"), home.path()}, {QStringLiteral("XDG_DATA_HOME"), QString()}});
    ASSERT_TRUE(program.Started());
    EXPECT_TRUE(program.Process().waitForFinished(30000));
    EXPECT_TRUE(program.Errors().contains("driver: services \"indexnow.txt\" counters \"0/1\""))
        << program.Errors().toStdString();
    EXPECT_EQ(ReadBytes(home.filePath(QStringLiteral(".local/share/larkspire-indexer/indexer/indexnow.txt"))),
              ReadBytes(QStringLiteral(LARKSPIRE_SOURCE_DIR "/examples/indexnow.txt")));
    EXPECT_FALSE(QFileInfo::exists(Extracted("/usr/bin/indexer")));
}

TEST_F(DebianPackage, LintianFindsNoError)
{
    const QString lintian = QStandardPaths::findExecutable(QStringLiteral("lintian"));
    if (lintian.isEmpty()) GTEST_SKIP() << "lintian is not installed";
    const Ran report = RunTool(lintian, {QStringLiteral("--no-tag-display-limit"), package_});
    EXPECT_FALSE(report.out.contains("\nE: ") || report.out.startsWith("E: ")) << report.out.toStdString();
}

}  // namespace
}  // namespace larkspire
