#include "base/AppInfo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace larkspire {
namespace {

struct FolderCase {
    const char* name;
    const char* executablePath;
    const char* programFolder;
    const char* servicesFolder;
};

void PrintTo(const FolderCase& c, std::ostream* out) { *out << c.name << " (" << c.executablePath << ")"; }

class AppInfoFolders : public testing::TestWithParam<FolderCase> {};

TEST_P(AppInfoFolders, DerivesProgramAndServicesFolderFromExecutablePath)
{
    const FolderCase& folders = GetParam();
    const AppInfo info(folders.executablePath);
    EXPECT_EQ(info.programFolder, folders.programFolder);
    EXPECT_EQ(info.servicesFolder, folders.servicesFolder);
}

const FolderCase Folders[] = {
    {"nested", "/opt/Tools/Indexer/app", "/opt/Tools/Indexer/", "/opt/Tools/Indexer/indexer/"},
    {"root", "/app", "/", "/indexer/"},
    {"blank", "/home/user/my dir/larkspire-indexer", "/home/user/my dir/", "/home/user/my dir/indexer/"},
    {"non_ascii", "/srv/ä ö/bin.d/prog", "/srv/ä ö/bin.d/", "/srv/ä ö/bin.d/indexer/"},
};

INSTANTIATE_TEST_SUITE_P(Paths, AppInfoFolders, testing::ValuesIn(Folders),
                         [](const testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.name); });

TEST(AppInfo, HoldsTheFixedConstants)
{
    const AppInfo info("/x/app");
    EXPECT_EQ(info.name, "Larkspire Indexer");
    EXPECT_EQ(info.mainWindowCaption, "larkspire.example Indexer V" LARKSPIRE_PROJECT_VERSION);
    EXPECT_EQ(info.supportMail, "support@larkspire.example");
}

// The version the program shows is the one the build packages.
TEST(AppInfo, VersionMatchesTheBuildsProjectVersion)
{
    EXPECT_EQ(AppInfo("/x/app").version, LARKSPIRE_PROJECT_VERSION);
}

// Sets an environment variable for one test and puts back what was there.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value, 1);
    }
    ~ScopedEnvironment()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// The running program chooses its services folder; no indexer/ is beside the test, so the user's folder wins.
TEST(AppInfo, DefaultConstructionUsesTheRunningExecutableFolder)
{
    const ScopedEnvironment dataHome("XDG_DATA_HOME", "/nonexistent-larkspire-test/data");
    const AppInfo info;
    const std::string testFolder = std::filesystem::canonical("/proc/self/exe").parent_path().string();
    EXPECT_EQ(info.programFolder, testFolder + "/");
    EXPECT_EQ(info.servicesFolder, "/nonexistent-larkspire-test/data/larkspire-indexer/indexer/");
}

}  // namespace
}  // namespace larkspire
