#include "base/ServicesFolderChoice.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace larkspire {
namespace {

namespace fs = std::filesystem;

struct UserFolderCase {
    const char* name;
    const char* xdgDataHome;
    const char* home;
    const char* expected;
};

void PrintTo(const UserFolderCase& c, std::ostream* out) { *out << c.name; }

class UserFolder : public testing::TestWithParam<UserFolderCase> {};

TEST_P(UserFolder, FollowsTheDataHomeRules)
{
    EXPECT_EQ(UserServicesFolder(GetParam().xdgDataHome, GetParam().home), GetParam().expected);
}

const UserFolderCase UserFolders[] = {
    {"data_home_set", "/d/data", "/home/u", "/d/data/larkspire-indexer/indexer/"},
    {"data_home_unset", nullptr, "/home/u", "/home/u/.local/share/larkspire-indexer/indexer/"},
    {"data_home_empty", "", "/home/u", "/home/u/.local/share/larkspire-indexer/indexer/"},
    {"data_home_relative_is_ignored", "rel/data", "/home/u", "/home/u/.local/share/larkspire-indexer/indexer/"},
    {"non_utf8_bytes_kept", "/d/caf\xE9", nullptr, "/d/caf\xE9/larkspire-indexer/indexer/"},
    {"nothing_usable", nullptr, nullptr, ""},
    {"relative_home_unusable", nullptr, "home", ""},
};

INSTANTIATE_TEST_SUITE_P(Environments, UserFolder, testing::ValuesIn(UserFolders),
                         [](const testing::TestParamInfo<UserFolderCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ChooseServicesFolder, WritableFolderBesideTheProgramWins)
{
    EXPECT_EQ(ChooseServicesFolder("/opt/li/bin/", true, "/home/u/x/"), "/opt/li/bin/indexer/");
}

TEST(ChooseServicesFolder, OtherwiseTheUsersFolder)
{
    EXPECT_EQ(ChooseServicesFolder("/usr/bin/", false, "/home/u/x/"), "/home/u/x/");
}

TEST(ChooseServicesFolder, WithoutAUserFolderStaysBesideTheProgram)
{
    EXPECT_EQ(ChooseServicesFolder("/usr/bin/", false, ""), "/usr/bin/indexer/");
}

// A temporary install: "<root>/bin/" for the program, the shipped samples in "<root>/share/...".
class ServicesFolderOnDisk : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/services-folder-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
        programFolder_ = root_ + "/bin/";
        fs::create_directories(programFolder_);
    }
    void TearDown() override { fs::remove_all(root_); }

    void Ship(const std::string& name, const std::string& content)
    {
        fs::create_directories(ShippedServicesFolder(programFolder_));
        std::ofstream(ShippedServicesFolder(programFolder_) + name) << content;
    }

    static std::string Read(const std::string& path)
    {
        std::ifstream file(path);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    std::string root_;
    std::string programFolder_;
};

TEST_F(ServicesFolderOnDisk, WritableFolderBesideTheProgramIsWritable)
{
    fs::create_directory(programFolder_ + "indexer");
    EXPECT_TRUE(IsWritableFolder(programFolder_ + "indexer/"));
}

TEST_F(ServicesFolderOnDisk, MissingFolderOrAFileIsNotAWritableFolder)
{
    std::ofstream(programFolder_ + "indexer") << "a file";
    EXPECT_FALSE(IsWritableFolder(programFolder_ + "indexer/"));
    EXPECT_FALSE(IsWritableFolder(programFolder_ + "missing/"));
}

TEST_F(ServicesFolderOnDisk, ReadOnlyFolderBesideTheProgramIsNotWritable)
{
    if (::geteuid() == 0) GTEST_SKIP() << "root may write into a read-only folder";
    fs::create_directory(programFolder_ + "indexer");
    ::chmod((programFolder_ + "indexer").c_str(), 0555);
    EXPECT_FALSE(IsWritableFolder(programFolder_ + "indexer/"));
    ::chmod((programFolder_ + "indexer").c_str(), 0755);
}

TEST_F(ServicesFolderOnDisk, FirstStartMakesTheUsersFolderWithCopiesOfTheShippedFiles)
{
    Ship("indexnow.txt", "https://example.invalid/?u={website}\n");
    fs::create_directory(ShippedServicesFolder(programFolder_) + "not-a-file");
    const std::string folder = root_ + "/home/.local/share/larkspire-indexer/indexer/";

    CreateServicesFolderOnFirstStart(programFolder_, folder);

    EXPECT_EQ(Read(folder + "indexnow.txt"), "https://example.invalid/?u={website}\n");
    EXPECT_FALSE(fs::exists(folder + "not-a-file"));
}

TEST_F(ServicesFolderOnDisk, AnExistingUsersFolderIsLeftAsItIs)
{
    Ship("indexnow.txt", "sample\n");
    const std::string folder = root_ + "/data/indexer/";
    fs::create_directories(folder);
    std::ofstream(folder + "mine.txt") << "mine\n";

    CreateServicesFolderOnFirstStart(programFolder_, folder);

    EXPECT_FALSE(fs::exists(folder + "indexnow.txt"));
    EXPECT_EQ(Read(folder + "mine.txt"), "mine\n");
}

TEST_F(ServicesFolderOnDisk, TheFolderBesideTheProgramIsNeverMadeOrFilled)
{
    Ship("indexnow.txt", "sample\n");
    CreateServicesFolderOnFirstStart(programFolder_, ServicesFolderBesideProgram(programFolder_));
    EXPECT_FALSE(fs::exists(ServicesFolderBesideProgram(programFolder_)));
}

TEST_F(ServicesFolderOnDisk, NothingShippedMakesAnEmptyFolder)
{
    const std::string folder = root_ + "/data/indexer/";
    CreateServicesFolderOnFirstStart(programFolder_, folder);
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(fs::is_empty(folder));
}

}  // namespace
}  // namespace larkspire
