#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <QString>
#include <QStringList>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "CliProcess.h"
#include "CliTestSupport.h"
#include "tests/support/LoopbackPeers.h"

namespace larkspire::test {
namespace {

using namespace std::chrono_literals;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kAddressSpaceCanBeLimited = false;  // the sanitizers reserve terabytes of address space
#else
constexpr bool kAddressSpaceCanBeLimited = true;
#endif

// Each thread takes a stack as large as the stack limit, and the address space holds the main thread and one
// more: the run thread starts, none of its workers can. The run ends without an abort and checks nothing.
TEST(CliExitStatus, RunWhoseWorkersCannotStartIs4)
{
    if (PrlimitProgram().empty()) GTEST_SKIP() << "no prlimit to limit a child process";
    if (!kAddressSpaceCanBeLimited) GTEST_SKIP() << "a sanitizer build cannot run in a limited address space";
    const RefusedPort refused;
    const TestFolder folder;
    QStringList urls;
    for (int row = 0; row < 3; ++row) urls << QStringLiteral("http://127.0.0.1:%1/%2").arg(refused.Port()).arg(row);
    WriteBytes(folder.Path("urls.txt"), CrLfLines(urls));
    CliProcess::Setup setup;
    setup.limits = {"--stack=1073741824", "--as=1572864000"};

    const CliOutcome outcome =
        RunCli({"--urls", folder.Path("urls.txt"), "--threads", "3", "--export-not-completed", folder.Path("rest.txt")},
               setup);

    ASSERT_TRUE(outcome.exited) << "ended by signal " << outcome.status;
    EXPECT_EQ(outcome.status, 4) << outcome.err;
    EXPECT_NE(outcome.err.find("Ping terminated: 0 of 3 URLs checked, 3 not checked"), std::string::npos)
        << outcome.err;
    EXPECT_EQ(ReadBytes(folder.Path("rest.txt")), CrLfLines(urls));
}

// A 64 MB websites file in a small address space: the load runs out of memory, or (with room for the lists but
// not for their expansion) the expansion is refused before it starts. Either way a message and status 2, never an
// abort.
TEST(CliExitStatus, RunningOutOfMemoryIsAMessageAndStatus2)
{
    if (PrlimitProgram().empty()) GTEST_SKIP() << "no prlimit to limit a child process";
    if (!kAddressSpaceCanBeLimited) GTEST_SKIP() << "a sanitizer build cannot run in a limited address space";
    const TestFolder folder;
    {
        std::string websites;
        // Distinct websites: a website listed twice gives its rows once.
        for (int i = 0; i < 64 * 1024; ++i) websites += std::string(1017, 'w') + std::to_string(100000 + i) + "\n";
        WriteBytes(folder.Path("websites.txt"), websites);
    }
    std::string placeholders;
    for (int i = 0; i < 20; ++i) placeholders += "{website}";
    WriteBytes(folder.Path("services.txt"), "http://127.0.0.1:9/?" + placeholders + "\r\n");
    const struct {
        const char* addressSpace;
        std::string message;
    } cases[] = {
        {"--as=125829120", "Out of memory: the lists or the results do not fit.\n"},
        {"--as=1073741824", "The lists would need about "},
    };
    for (const auto& check : cases) {
        CliProcess::Setup setup;
        setup.limits = {check.addressSpace};
        const CliOutcome outcome =
            RunCli({"--websites", folder.Path("websites.txt"), "--services", folder.Path("services.txt")}, setup);
        ASSERT_TRUE(outcome.exited) << check.addressSpace << " ended by signal " << outcome.status;
        EXPECT_EQ(outcome.status, 2) << check.addressSpace;
        EXPECT_TRUE(outcome.err.starts_with(check.message)) << check.addressSpace << ": " << outcome.err;
    }
}

class CliSignalWhileLoading : public testing::TestWithParam<int> {};

// Big lists take seconds to load; a signal then ends the program at once with status 1 and writes nothing.
TEST_P(CliSignalWhileLoading, EndsAtOnceWithStatus1)
{
    const TestFolder folder;
    std::string websites;
    for (int row = 0; row < 400000; ++row) websites += "site" + std::to_string(row) + ".example\r\n";
    WriteBytes(folder.Path("websites.txt"), websites);
    WriteBytes(
        folder.Path("services.txt"),
        CrLfLines({"http://127.0.0.1:9/a?{website}", "http://127.0.0.1:9/b?{website}", "http://127.0.0.1:9/c?{website}",
                   "http://127.0.0.1:9/d?{website}", "http://127.0.0.1:9/e?{website}"}));
    CliProcess run({"--websites", folder.Path("websites.txt"), "--services", folder.Path("services.txt"),
                    "--export-all", folder.Path("all.txt")},
                   CliProcess::ErrorOutput::Terminal);
    ASSERT_TRUE(run.WaitForErrorText("Loading websites", 30s)) << "no loading shown";
    run.Signal(GetParam());
    const CliOutcome outcome = run.Wait(30s);

    ASSERT_TRUE(outcome.exited) << "ended by signal " << outcome.status;
    EXPECT_EQ(outcome.status, 1) << outcome.err;
    EXPECT_EQ(outcome.err.find("Ping"), std::string::npos) << "the run started: " << outcome.err;
    EXPECT_FALSE(std::filesystem::exists(folder.Path("all.txt")));
}

INSTANTIATE_TEST_SUITE_P(BothSignals, CliSignalWhileLoading, testing::Values(SIGINT, SIGTERM),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGINT ? "Sigint" : "Sigterm");
                         });

// A FIFO would have blocked the load for good and /dev/zero filled the memory: both are refused at once.
TEST(CliListFiles, OnlyRegularFilesAreLists)
{
    const TestFolder folder;
    ASSERT_EQ(mkfifo(folder.Path("fifo.txt").c_str(), 0600), 0);
    WriteBytes(folder.Path("good.txt"), "a\r\n");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--urls", folder.Path("fifo.txt")}, folder.Path("fifo.txt")},
        {{"--websites", "/dev/zero", "--services", folder.Path("good.txt")}, "/dev/zero"},
        {{"--websites", folder.Path("good.txt"), "--services", folder.Path("fifo.txt")}, folder.Path("fifo.txt")},
    };
    for (const auto& [arguments, file] : cases) {
        const CliOutcome outcome = CliProcess(arguments).Wait(30s);
        ASSERT_TRUE(outcome.exited) << file << " ended by signal " << outcome.status;
        EXPECT_EQ(outcome.status, 2) << file;
        EXPECT_EQ(outcome.err,
                  "\"" + file + "\" is not a regular file (a FIFO, device or socket) and cannot be a list.\n");
    }
}

}  // namespace
}  // namespace larkspire::test
