#include "app/CommonVarsC.h"

#include <QFileInfo>
#include <gtest/gtest.h>

namespace larkspire {
namespace {

struct FolderCase {
    const char* executablePath;
    const char* mainDir;
    const char* indexerDir;
};

class CommonVarsFolders : public testing::TestWithParam<FolderCase> {};

TEST_P(CommonVarsFolders, DeriveMainAndIndexerFolderFromExecutablePath)
{
    const FolderCase& folders = GetParam();
    const CommonVars vars(QString::fromUtf8(folders.executablePath));
    EXPECT_EQ(vars.MAINDIR, QString::fromUtf8(folders.mainDir));
    EXPECT_EQ(vars.INDEXERDIR, QString::fromUtf8(folders.indexerDir));
}

const FolderCase Folders[] = {
    {"/opt/Tools/Indexer/app", "/opt/Tools/Indexer/", "/opt/Tools/Indexer/indexer/"},
    {"/app", "/", "/indexer/"},
    {"/home/user/my dir/larkspire-indexer", "/home/user/my dir/", "/home/user/my dir/indexer/"},
    {"/srv/ä ö/bin.d/prog", "/srv/ä ö/bin.d/", "/srv/ä ö/bin.d/indexer/"},
};

INSTANTIATE_TEST_SUITE_P(Paths, CommonVarsFolders, testing::ValuesIn(Folders),
                         [](const testing::TestParamInfo<FolderCase>& info) {
                             return "path" + std::to_string(info.index);
                         });

TEST(CommonVars, HoldsTheFixedConstants)
{
    const CommonVars vars(QStringLiteral("/x/app"));
    EXPECT_EQ(vars.SOFTWAREVERSION, QStringLiteral("1.2.0"));
    EXPECT_EQ(vars.SOFTWARENAME, QStringLiteral("Larkspire Indexer"));
    EXPECT_TRUE(vars.MAINFORMCAPTION.endsWith(QStringLiteral(" Indexer V1.2.0")));
    EXPECT_GT(vars.MAINFORMCAPTION.size(), QStringLiteral(" Indexer V1.2.0").size());
    EXPECT_TRUE(vars.SUPPORTMAIL.contains(QLatin1Char('@')));
}

TEST(CommonVars, DefaultConstructionUsesTheRunningExecutableFolder)
{
    const CommonVars vars;
    const QString executable = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString testFolder = executable.section(QLatin1Char('/'), 0, -2);
    EXPECT_EQ(vars.MAINDIR, testFolder + QLatin1Char('/'));
    EXPECT_EQ(vars.INDEXERDIR, testFolder + QStringLiteral("/indexer/"));
}

}  // namespace
}  // namespace larkspire
