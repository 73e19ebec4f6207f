#include "tests/app/DrivenProgram.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace larkspire {
namespace {

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// One `cmake --install` of this build into a fresh prefix, shared by the suite's tests.
class Install : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        prefix_ = std::make_unique<QTemporaryDir>();
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral(LARKSPIRE_CMAKE_COMMAND),
                      {QStringLiteral("--install"), QStringLiteral(LARKSPIRE_BUILD_DIR), QStringLiteral("--prefix"),
                       prefix_->path()});
        installed_ = install.waitForFinished(120000) && install.exitCode() == 0;
        log_ = install.readAll();
    }

    static void TearDownTestSuite() { prefix_.reset(); }

    void SetUp() override { ASSERT_TRUE(installed_) << log_.toStdString(); }

    static QString Installed(const char* relative) { return prefix_->filePath(QLatin1String(relative)); }

    static std::unique_ptr<QTemporaryDir> prefix_;
    static bool installed_;
    static QByteArray log_;
};

std::unique_ptr<QTemporaryDir> Install::prefix_;
bool Install::installed_ = false;
QByteArray Install::log_;

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
    EXPECT_TRUE(QFileInfo::exists(data.filePath(QStringLiteral("icons/hicolor/scalable/apps/example.larkspire.Indexer.svg"))));
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(validator, {entry});
    ASSERT_TRUE(validate.waitForFinished(30000));
    EXPECT_EQ(validate.exitCode(), 0);
    EXPECT_EQ(validate.readAll(), QByteArray());
}

}  // namespace
}  // namespace larkspire
