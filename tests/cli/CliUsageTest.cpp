#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "CliProcess.h"
#include "CliTestSupport.h"
#include "base/AppInfo.h"
#include "tests/support/LoopbackServer.h"

namespace larkspire::test {
namespace {

struct UsageCase {
    std::vector<std::string> arguments;
    std::string message;
};

std::string MaxThreadsText()
{
    return std::to_string(std::max(60, static_cast<int>(std::thread::hardware_concurrency())));
}

std::vector<UsageCase> UsageCases()
{
    const std::string threadsRange = "'--threads' takes a whole number from 1 to " + MaxThreadsText() + ", not ";
    const std::string timeoutRange = "'--timeout' takes a whole number from 1 to 300, not ";
    const std::string tooManyThreads = std::to_string(std::stoi(MaxThreadsText()) + 1);
    return {
        {{}, "give '--websites' and '--services', or '--urls'"},
        {{"--websites", "w.txt"}, "give '--websites' and '--services', or '--urls'"},
        {{"--services", "s.txt", "--results", "-"}, "give '--websites' and '--services', or '--urls'"},
        {{"--urls", "u.txt", "--websites", "w.txt"},
         "'--urls' replaces '--websites' and '--services'; give one or the other"},
        {{"--urls", "u.txt", "--results", "-", "--json=-"},
         "'--results' and '--json' cannot both write to standard output"},
        {{"--urls", "u.txt", "--threads", "0"}, threadsRange + "'0'"},
        {{"--urls", "u.txt", "--threads", tooManyThreads}, threadsRange + "'" + tooManyThreads + "'"},
        {{"--urls", "u.txt", "--threads", "-3"}, threadsRange + "'-3'"},
        {{"--urls", "u.txt", "--threads", "four"}, threadsRange + "'four'"},
        {{"--urls", "u.txt", "--threads="}, threadsRange + "''"},
        {{"--urls", "u.txt", "--timeout", "0"}, timeoutRange + "'0'"},
        {{"--urls", "u.txt", "--timeout", "301"}, timeoutRange + "'301'"},
        {{"--urls", "u.txt", "--timeout", "2.5"}, timeoutRange + "'2.5'"},
        {{"--urls", "u.txt", "--timeout", "99999999999999999999"}, timeoutRange + "'99999999999999999999'"},
        {{"--urls", "u.txt", "--timeout"}, "'--timeout' needs a value"},
        {{"--urls"}, "'--urls' needs a value"},
        {{"--urls="}, "'--urls' needs a file name"},
        {{"--urls", "a.txt", "--urls", "b.txt"}, "'--urls' is given more than once"},
        {{"--urls", "u.txt", "--verbose"}, "unknown option '--verbose'"},
        {{"--urls", "u.txt", "--verify-tls=yes"}, "'--verify-tls' takes no value"},
        {{"--urls", "u.txt", "--verify-tls", "--verify-tls"}, "'--verify-tls' is given more than once"},
        {{"--urls", "u.txt", "-t", "4"}, "unexpected argument '-t'"},
        {{"--urls", "u.txt", "extra.txt"}, "unexpected argument 'extra.txt'"},
    };
}

TEST(CliUsage, BadArgumentListsAreUsageErrors)
{
    for (const UsageCase& usage : UsageCases()) {
        std::string shown;
        for (const std::string& argument : usage.arguments) shown += " [" + argument + "]";
        const CliOutcome outcome = RunCli(usage.arguments);
        ASSERT_TRUE(outcome.exited) << shown;
        EXPECT_EQ(outcome.status, 2) << shown;
        EXPECT_EQ(outcome.err,
                  "larkspire-ping: " + usage.message + "\nTry 'larkspire-ping --help' for more information.\n")
            << shown;
        EXPECT_EQ(outcome.out, "") << shown;
    }
}

TEST(CliUsage, HelpAndVersionAnswerOnStandardOutput)
{
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"--urls", "missing.txt", "--help", "--bogus"}}) {
        const CliOutcome outcome = RunCli(arguments);
        ASSERT_TRUE(outcome.exited);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_TRUE(outcome.out.starts_with("Usage: larkspire-ping --websites FILE --services FILE")) << outcome.out;
        EXPECT_NE(outcome.out.find("--export-not-completed FILE"), std::string::npos);
        EXPECT_NE(outcome.out.find("--verify-tls "), std::string::npos);
        EXPECT_NE(outcome.out.find("4 when the run ended with URLs never checked"), std::string::npos);
        EXPECT_EQ(outcome.err, "");
    }
    const CliOutcome version = RunCli({"--version"});
    ASSERT_TRUE(version.exited);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "larkspire-ping " + AppInfo().version + "\n");
}

// A list that cannot be read stops the program before any run, with the error box's text.
TEST(CliFiles, UnreadableListGivesTheErrorBoxText)
{
    const TestFolder folder;
    const std::string missing = folder.Path("missing.txt");
    WriteBytes(folder.Path("good.txt"), "a\r\n");
    WriteBytes(folder.Path("bad-utf8.txt"), "\xEF\xBB\xBF"
                                            "a\xFF\r\n");
    const std::string openMessage = "Cannot open file \"" + missing + "\". No such file or directory.";
    const std::string noMapping = "\"" + folder.Path("bad-utf8.txt") +
                                  "\": No mapping for the Unicode character exists in the target multi-byte code page.";

    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--urls", missing}, openMessage},
        {{"--websites", missing, "--services", folder.Path("good.txt")}, openMessage},
        {{"--websites", folder.Path("good.txt"), "--services", missing}, openMessage},
        {{"--websites", folder.Path("good.txt"), "--services", folder.Path("bad-utf8.txt")}, noMapping},
        {{"--urls", folder.Path("bad-utf8.txt")}, noMapping},
    };
    for (auto [arguments, message] : cases) {
        arguments.insert(arguments.end(), {"--export-all", folder.Path("all.txt")});
        const CliOutcome outcome = RunCli(arguments);
        ASSERT_TRUE(outcome.exited) << message;
        EXPECT_EQ(outcome.status, 2) << message;
        EXPECT_EQ(outcome.err, message + "\n");
        EXPECT_FALSE(std::filesystem::exists(folder.Path("all.txt"))) << message;
    }
}

// A file that cannot be written is reported with the export's I/O error; the others are still written.
TEST(CliFiles, UnwritableOutputIsReportedAndTheOthersAreStillWritten)
{
    const LoopbackServer server(AnswerByPath{});
    const TestFolder folder;
    const QString url = QStringLiteral("http://127.0.0.1:") + QString::number(server.Port()) + QStringLiteral("/200");
    WriteBytes(folder.Path("urls.txt"), CrLfLines({url}));
    const std::string missingFolderExport = folder.Path("no-such-folder/completed.txt");
    std::filesystem::create_directory(folder.Path("a-folder"));

    const CliOutcome outcome =
        RunCli({"--urls", folder.Path("urls.txt"), "--results", folder.Path("a-folder"), "--export-completed",
                missingFolderExport, "--export-all", folder.Path("all.txt")});

    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 2) << outcome.err;
    EXPECT_NE(outcome.err.find("\n\"" + folder.Path("a-folder") + "\": File access denied.\n"), std::string::npos)
        << outcome.err;
    EXPECT_NE(outcome.err.find("\nInvalid file name - " + missingFolderExport + ".\n"), std::string::npos)
        << outcome.err;
    EXPECT_EQ(ReadBytes(folder.Path("all.txt")), CrLfLines({url}));
}

}  // namespace
}  // namespace larkspire::test
