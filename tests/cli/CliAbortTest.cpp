#include <gtest/gtest.h>

#include <signal.h>

#include <QString>
#include <QStringList>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <string>
#include <thread>

#include "CliProcess.h"
#include "CliTestSupport.h"
#include "tests/support/LoopbackServer.h"

namespace larkspire::test {
namespace {

using namespace std::chrono_literals;

constexpr int kStalledRows = 2;
const char* const kLaterPaths[] = {"/200", "/404", "/201", "/500", "/202", "/410", "/203", "/503", "/206", "/200"};
constexpr int kLaterRows = std::size(kLaterPaths);

// Two workers held by two stalling URLs while the abort comes; the ten URLs after them are never started.
class CliAbort : public testing::TestWithParam<int> {
protected:
    CliAbort()
    {
        const QString base = QStringLiteral("http://127.0.0.1:") + QString::number(server_.Port());
        for (int row = 0; row < kStalledRows; ++row) lines_ << base + QStringLiteral("/stall");
        for (const char* path : kLaterPaths) lines_ << base + QLatin1String(path);
        WriteBytes(folder_.Path("urls.txt"), CrLfLines(lines_));
    }

    std::string Ports(const char* text) const { return WithPort(text, server_.Port()); }

    LoopbackServer server_{AnswerByPath{}};
    TestFolder folder_;
    QStringList lines_;
};

TEST_P(CliAbort, SkippedRowsStayForTheNotCompletedExportAndAResumeFinishesThem)
{
    CliProcess run({"--urls", folder_.Path("urls.txt"), "--threads", "2", "--timeout", "4", "--results",
                    folder_.Path("results.txt"), "--export-completed", folder_.Path("completed.txt"),
                    "--export-not-completed", folder_.Path("rest.txt")});
    ASSERT_TRUE(server_.WaitForRequests(kStalledRows, 30s));
    run.Signal(GetParam());
    const CliOutcome aborted = run.Wait();

    // The stalled rows end as "Timeout"; the rows never started keep an empty status and make the rest.
    ASSERT_TRUE(aborted.exited) << "ended by signal " << aborted.status;
    EXPECT_EQ(aborted.status, 1) << aborted.err;
    // Their own read time-out ends the stalled checks before the grace time after the abort would cut them.
    EXPECT_EQ(ReadBytes(folder_.Path("results.txt")), Ports("http://127.0.0.1:%PORT/stall\tTimeout\tno answer for 4 s\n"
                                                            "http://127.0.0.1:%PORT/stall\tTimeout\tno answer for 4 s\n"
                                                            "http://127.0.0.1:%PORT/200\t\t\n"
                                                            "http://127.0.0.1:%PORT/404\t\t\n"
                                                            "http://127.0.0.1:%PORT/201\t\t\n"
                                                            "http://127.0.0.1:%PORT/500\t\t\n"
                                                            "http://127.0.0.1:%PORT/202\t\t\n"
                                                            "http://127.0.0.1:%PORT/410\t\t\n"
                                                            "http://127.0.0.1:%PORT/203\t\t\n"
                                                            "http://127.0.0.1:%PORT/503\t\t\n"
                                                            "http://127.0.0.1:%PORT/206\t\t\n"
                                                            "http://127.0.0.1:%PORT/200\t\t\n"));
    EXPECT_EQ(ReadBytes(folder_.Path("completed.txt")), "");
    EXPECT_EQ(ReadBytes(folder_.Path("rest.txt")), Ports("http://127.0.0.1:%PORT/200\r\n"
                                                         "http://127.0.0.1:%PORT/404\r\n"
                                                         "http://127.0.0.1:%PORT/201\r\n"
                                                         "http://127.0.0.1:%PORT/500\r\n"
                                                         "http://127.0.0.1:%PORT/202\r\n"
                                                         "http://127.0.0.1:%PORT/410\r\n"
                                                         "http://127.0.0.1:%PORT/203\r\n"
                                                         "http://127.0.0.1:%PORT/503\r\n"
                                                         "http://127.0.0.1:%PORT/206\r\n"
                                                         "http://127.0.0.1:%PORT/200\r\n"));
    EXPECT_NE(aborted.err.find("Ping aborted: 2 of 12 URLs checked, 10 not checked"), std::string::npos) << aborted.err;
    EXPECT_EQ(server_.Requests().size(), std::size_t{kStalledRows});

    const CliOutcome resumed =
        RunCli({"--urls", folder_.Path("rest.txt"), "--threads", "2", "--timeout", "10", "--export-completed",
                folder_.Path("completed.txt"), "--export-not-completed", folder_.Path("rest-after.txt")});

    ASSERT_TRUE(resumed.exited);
    EXPECT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_EQ(ReadBytes(folder_.Path("completed.txt")), Ports("http://127.0.0.1:%PORT/200\r\n"
                                                              "http://127.0.0.1:%PORT/201\r\n"
                                                              "http://127.0.0.1:%PORT/202\r\n"
                                                              "http://127.0.0.1:%PORT/203\r\n"
                                                              "http://127.0.0.1:%PORT/206\r\n"
                                                              "http://127.0.0.1:%PORT/200\r\n"));
    EXPECT_EQ(ReadBytes(folder_.Path("rest-after.txt")), "");
    EXPECT_NE(resumed.err.find("Ping terminated: 10 of 10 URLs checked"), std::string::npos) << resumed.err;
    EXPECT_EQ(server_.Requests().size(), std::size_t{kStalledRows + kLaterRows});
}

INSTANTIATE_TEST_SUITE_P(Signals, CliAbort, testing::Values(SIGINT, SIGTERM),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGINT ? "Sigint" : "Sigterm");
                         });

// A check that would stall for a minute does not hold the program once a second Ctrl-C comes.
TEST(CliSecondInterrupt, EndsAtOnceWithoutWritingFiles)
{
    const LoopbackServer server(AnswerByPath{});
    const TestFolder folder;
    const QString base = QStringLiteral("http://127.0.0.1:") + QString::number(server.Port());
    WriteBytes(folder.Path("urls.txt"), CrLfLines({base + QStringLiteral("/stall"), base + QStringLiteral("/200")}));
    CliProcess run({"--urls", folder.Path("urls.txt"), "--threads", "1", "--timeout", "120", "--export-all",
                    folder.Path("all.txt")});
    ASSERT_TRUE(server.WaitForRequests(1, 30s));

    // Signals of one kind that arrive together may merge into one, so keep interrupting until the process ends.
    const auto giveUp = std::chrono::steady_clock::now() + 60s;
    while (!run.HasEnded() && std::chrono::steady_clock::now() < giveUp) {
        run.Signal(SIGINT);
        std::this_thread::sleep_for(200ms);
    }
    const CliOutcome outcome = run.Wait(1s);

    ASSERT_TRUE(outcome.exited) << "ended by signal " << outcome.status;
    EXPECT_EQ(outcome.status, 130);
    EXPECT_FALSE(std::filesystem::exists(folder.Path("all.txt")));
}

// A drip keeps every single read of a check alive; after Ctrl-C it gets the time-out setting, then it is cut (its
// reason says so: the whole-check limit, the only other end of a drip, would say "check took longer than 20 s"),
// and the program still writes every file.
TEST(CliAbortDrip, IsCutByTheInterruptAndEveryFileIsWritten)
{
    const LoopbackServer server(AnswerByPath{});
    const TestFolder folder;
    const QString base = QStringLiteral("http://127.0.0.1:") + QString::number(server.Port());
    WriteBytes(folder.Path("urls.txt"), CrLfLines({base + QStringLiteral("/drip")}));
    CliProcess run({"--urls", folder.Path("urls.txt"), "--threads", "1", "--timeout", "2", "--results",
                    folder.Path("results.txt"), "--export-all", folder.Path("all.txt"), "--export-not-completed",
                    folder.Path("rest.txt")});
    ASSERT_TRUE(server.WaitForRequests(1, 30s));
    run.Signal(SIGINT);
    const CliOutcome outcome = run.Wait(30s);

    ASSERT_TRUE(outcome.exited) << "ended by signal " << outcome.status;
    EXPECT_EQ(outcome.status, 1) << outcome.err;
    EXPECT_EQ(ReadBytes(folder.Path("results.txt")),
              WithPort("http://127.0.0.1:%PORT/drip\tAborted\tcut by Abort\n", server.Port()));
    EXPECT_EQ(ReadBytes(folder.Path("all.txt")), WithPort("http://127.0.0.1:%PORT/drip\r\n", server.Port()));
    EXPECT_EQ(ReadBytes(folder.Path("rest.txt")), "") << "the row was checked, so it is not among the rest";
    EXPECT_NE(outcome.err.find("Ping aborted"), std::string::npos) << outcome.err;
}

}  // namespace
}  // namespace larkspire::test
