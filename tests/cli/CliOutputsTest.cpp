#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "CliProcess.h"
#include "CliTestSupport.h"
#include "tests/support/LoopbackPeers.h"
#include "tests/support/LoopbackServer.h"

namespace larkspire::test {
namespace {

constexpr int kRows = 400;  // over 10 KB of URLs: more than the file-size limit below lets through
constexpr const char* kFileSizeLimit = "--fsize=4096";
const std::string kOldContent = "old content\r\n";

// URLs on a port that refuses, so every check ends at once as "Aborted".
QStringList RefusedUrls(const RefusedPort& refused, const QString& tag)
{
    QStringList urls;
    for (int row = 0; row < kRows; ++row)
        urls << QStringLiteral("http://127.0.0.1:%1/%2/%3").arg(refused.Port()).arg(tag).arg(row);
    return urls;
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

struct OutputCase {
    const char* option;
    const char* name;
};

void PrintTo(const OutputCase& output, std::ostream* stream) { *stream << output.option; }

class CliOutputKeepsItsOldContent : public testing::TestWithParam<OutputCase> {};

// Every row completes. Past the file-size limit the write fails as it would on a full disk: the file keeps its old
// content whole, no temporary file stays beside it, and the error names it. (The not-completed export is the same
// export code with another filter; tests/lists covers it.)
TEST_P(CliOutputKeepsItsOldContent, WhenItsWriteFails)
{
    if (PrlimitProgram().empty()) GTEST_SKIP() << "no prlimit to limit the file size of a child process";
    const LoopbackServer server(AnswerByPath{});
    const TestFolder folder;
    const QString completing = QStringLiteral("http://127.0.0.1:%1/200").arg(server.Port());
    WriteBytes(folder.Path("urls.txt"), CrLfLines(QStringList(kRows, completing)));
    const std::string target = folder.Path(GetParam().name);
    WriteBytes(target, kOldContent);
    const std::string listsBefore = ReadBytes(folder.Path("urls.txt"));

    CliProcess::Setup setup;
    setup.limits = {kFileSizeLimit};
    const CliOutcome outcome =
        RunCli({"--urls", folder.Path("urls.txt"), "--threads", "4", GetParam().option, target}, setup);

    ASSERT_TRUE(outcome.exited) << "ended by signal " << outcome.status;
    EXPECT_EQ(outcome.status, 2) << outcome.err;
    EXPECT_NE(outcome.err.find("\n\"" + target + "\": I/O error 27.\n"), std::string::npos) << outcome.err;
    EXPECT_EQ(ReadBytes(target), kOldContent);
    EXPECT_EQ(ReadBytes(folder.Path("urls.txt")), listsBefore);
    EXPECT_EQ(FolderEntries(folder.Path("")), (std::vector<std::string>{GetParam().name, "urls.txt"}));
}

INSTANTIATE_TEST_SUITE_P(EveryOutput, CliOutputKeepsItsOldContent,
                         testing::Values(OutputCase{"--results", "results.txt"},
                                         OutputCase{"--export-completed", "completed.txt"},
                                         OutputCase{"--export-all", "all.txt"}),
                         [](const testing::TestParamInfo<OutputCase>& info) {
                             std::string name;
                             for (const char* c = info.param.option + 2; *c; ++c)
                                 if (*c != '-') name += *c;
                             return name;
                         });

// No row completes, so the completed export is empty and fits under the limit: it must still replace the old file.
TEST(CliOutputs, ASmallOutputUnderTheLimitStillReplacesTheOldFile)
{
    if (PrlimitProgram().empty()) GTEST_SKIP() << "no prlimit to limit the file size of a child process";
    const RefusedPort refused;
    const TestFolder folder;
    WriteBytes(folder.Path("urls.txt"), CrLfLines(RefusedUrls(refused, QStringLiteral("a"))));
    WriteBytes(folder.Path("completed.txt"), kOldContent);
    CliProcess::Setup setup;
    setup.limits = {kFileSizeLimit};
    const CliOutcome outcome =
        RunCli({"--urls", folder.Path("urls.txt"), "--export-completed", folder.Path("completed.txt")}, setup);
    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(ReadBytes(folder.Path("completed.txt")), "");
}

// Two runs writing the same file at once: the file ends up as one run's whole output, never a mix of both.
TEST(CliOutputs, TwoRunsOnTheSameFileLeaveOneWholeOutput)
{
    const RefusedPort refused;
    const TestFolder folder;
    const QStringList first = RefusedUrls(refused, QStringLiteral("first"));
    const QStringList second = RefusedUrls(refused, QStringLiteral("second"));
    WriteBytes(folder.Path("first.txt"), CrLfLines(first));
    WriteBytes(folder.Path("second.txt"), CrLfLines(second));
    CliProcess one({"--urls", folder.Path("first.txt"), "--export-all", folder.Path("all.txt")});
    CliProcess two({"--urls", folder.Path("second.txt"), "--export-all", folder.Path("all.txt")});
    EXPECT_EQ(one.Wait().status, 0);
    EXPECT_EQ(two.Wait().status, 0);
    const std::string all = ReadBytes(folder.Path("all.txt"));
    EXPECT_TRUE(all == CrLfLines(first) || all == CrLfLines(second)) << all.substr(0, 200);
}

// With nobody reading standard output, the results cannot be written there: said once on standard error, the
// exports are still written and the status is 2; no SIGPIPE ends the program first.
TEST(CliOutputs, ClosedStandardOutputIsReportedAndTheExportsAreStillWritten)
{
    const RefusedPort refused;
    const TestFolder folder;
    const QStringList urls = RefusedUrls(refused, QStringLiteral("a"));
    WriteBytes(folder.Path("urls.txt"), CrLfLines(urls));
    CliProcess::Setup setup;
    setup.standardOutput = CliProcess::StandardOutput::ClosedPipe;
    const CliOutcome outcome =
        RunCli({"--urls", folder.Path("urls.txt"), "--results", "-", "--export-all", folder.Path("all.txt")}, setup);

    ASSERT_TRUE(outcome.exited) << "ended by signal " << outcome.status;
    EXPECT_EQ(outcome.status, 2) << outcome.err;
    const std::string message = "Cannot write the results to standard output. Broken pipe.\n";
    const std::size_t found = outcome.err.find(message);
    EXPECT_NE(found, std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.err.find(message, found + 1), std::string::npos) << "reported more than once";
    EXPECT_EQ(ReadBytes(folder.Path("all.txt")), CrLfLines(urls));
}

// File names from the command line are the system's bytes: a Latin-1 name on a UTF-8 system is read, and an export
// is created under exactly that name, not under one with U+FFFD in it.
TEST(CliOutputs, FileNamesThatAreNotUtf8AreUsedByTheirBytes)
{
    const RefusedPort refused;
    const TestFolder folder;
    const std::string urlsName = folder.Path("caf\xE9-urls.txt");
    const std::string exportName = folder.Path("r\xE9sultat.txt");
    const QStringList urls = {QStringLiteral("http://127.0.0.1:%1/").arg(refused.Port())};
    WriteBytes(urlsName, CrLfLines(urls));
    const CliOutcome outcome = RunCli({"--urls", urlsName, "--export-all", exportName});
    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(ReadBytes(exportName), CrLfLines(urls));
    EXPECT_EQ(FolderEntries(folder.Path("")).size(), 2u);
}

TEST(CliOutputs, HelpOrVersionThatCannotBeWrittenIsAFailure)
{
    for (const char* option : {"--help", "--version"}) {
        for (const auto output : {CliProcess::StandardOutput::FullDevice, CliProcess::StandardOutput::ClosedPipe}) {
            CliProcess::Setup setup;
            setup.standardOutput = output;
            const CliOutcome outcome = RunCli({option}, setup);
            ASSERT_TRUE(outcome.exited) << option << " ended by signal " << outcome.status;
            EXPECT_EQ(outcome.status, 2) << option;
            EXPECT_TRUE(outcome.err.starts_with("larkspire-ping: cannot write to standard output: ")) << outcome.err;
        }
    }
}

}  // namespace
}  // namespace larkspire::test
