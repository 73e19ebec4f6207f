#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <algorithm>
#include <string>

#include "CliProcess.h"
#include "CliTestSupport.h"
#include "tests/support/LoopbackPeers.h"
#include "tests/support/LoopbackServer.h"

namespace larkspire::test {
namespace {

QString PortText(std::uint16_t port) { return QString::number(port); }

std::string Utf8WithBom(const QStringList& lines)
{
    std::string text = "\xEF\xBB\xBF";
    for (const QString& line : lines) text += line.toStdString() + "\r\n";
    return text;
}

// Two websites on the server (written in two forms the expansion reduces to the same host) and one on a port that
// refuses, with a letter the export's code page encodes differently from UTF-8, against five templates.
TEST(CliRun, StatusesResultsAndExportsAreTheWindowsForTheSameLists)
{
    const LoopbackServer server(AnswerByPath{});
    const RefusedPort refused;
    const QString host = QStringLiteral("127.0.0.1:") + PortText(server.Port());
    const QString refusedWebsite =
        QStringLiteral("127.0.0.1:") + PortText(refused.Port()) + QString::fromUtf8("/caf\xC3\xA9");
    const QStringList websites{QStringLiteral("http://") + host + QStringLiteral("/"), QStringLiteral("www.") + host,
                               refusedWebsite};
    const QStringList services{QStringLiteral("http://{website}/200"),
                               QStringLiteral("http://{WEBSITE}/404||old status"),
                               QStringLiteral("http://{website}/301"), QStringLiteral("http://{Website}/503"),
                               QStringLiteral("http://{website}/reset")};
    const TestFolder folder;
    WriteBytes(folder.Path("websites.txt"), Utf8WithBom(websites));
    WriteBytes(folder.Path("services.txt"), CrLfLines(services));

    const CliOutcome outcome = RunCli(
        {"--websites", folder.Path("websites.txt"), "--services", folder.Path("services.txt"), "--threads", "4",
         "--timeout", "10", "--results", folder.Path("results.txt"), "--export-completed", folder.Path("completed.txt"),
         "--export-not-completed", folder.Path("not-completed.txt"), "--export-all", folder.Path("all.txt")});

    // Websites-major; both server forms reduce to the bare host, so the second gives no second set of rows; the
    // check's status replaces "old status";
    // results in UTF-8 with LF, exports in the window's code page (e-acute is the one byte E9) with CR LF.
    const auto ports = [&](const char* text) {
        return WithPort(WithPort(text, server.Port()), refused.Port(), "%REFUSED");
    };
    // The third column is the reason: how long a check took, where redirects moved it, or why it failed.
    const std::string moved = "\tCompleted\tmoved to http://127.0.0.1:%PORT/200 \xC2\xB7 in N ms\n";
    const std::string results = ports(("http://127.0.0.1:%PORT/200\tCompleted\tin N ms\n"
                                       "http://127.0.0.1:%PORT/404\tError 404\tin N ms\n"
                                       "http://127.0.0.1:%PORT/301" +
                                       moved +
                                       "http://127.0.0.1:%PORT/503\tError 503\tin N ms\n"
                                       "http://127.0.0.1:%PORT/reset\tAborted\tconnection reset\n"
                                       "http://127.0.0.1:%REFUSED/caf\xC3\xA9/200\tAborted\tconnection refused\n"
                                       "http://127.0.0.1:%REFUSED/caf\xC3\xA9/404\tAborted\tconnection refused\n"
                                       "http://127.0.0.1:%REFUSED/caf\xC3\xA9/301\tAborted\tconnection refused\n"
                                       "http://127.0.0.1:%REFUSED/caf\xC3\xA9/503\tAborted\tconnection refused\n"
                                       "http://127.0.0.1:%REFUSED/caf\xC3\xA9/reset\tAborted\tconnection refused\n")
                                          .c_str());
    const std::string completed = ports("http://127.0.0.1:%PORT/200\r\n"
                                        "http://127.0.0.1:%PORT/301\r\n");
    const std::string all = ports("http://127.0.0.1:%PORT/200\r\n"
                                  "http://127.0.0.1:%PORT/404\r\n"
                                  "http://127.0.0.1:%PORT/301\r\n"
                                  "http://127.0.0.1:%PORT/503\r\n"
                                  "http://127.0.0.1:%PORT/reset\r\n"
                                  "http://127.0.0.1:%REFUSED/caf\xE9/200\r\n"
                                  "http://127.0.0.1:%REFUSED/caf\xE9/404\r\n"
                                  "http://127.0.0.1:%REFUSED/caf\xE9/301\r\n"
                                  "http://127.0.0.1:%REFUSED/caf\xE9/503\r\n"
                                  "http://127.0.0.1:%REFUSED/caf\xE9/reset\r\n");
    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(WithoutMilliseconds(ReadBytes(folder.Path("results.txt"))), results);
    EXPECT_EQ(ReadBytes(folder.Path("completed.txt")), completed);
    EXPECT_EQ(ReadBytes(folder.Path("not-completed.txt")), "");
    EXPECT_EQ(ReadBytes(folder.Path("all.txt")), all);
    EXPECT_NE(ReadBytes(folder.Path("all.txt")).find("caf\xE9/200\r\n"), std::string::npos);
    EXPECT_NE(ReadBytes(folder.Path("results.txt")).find("caf\xC3\xA9/200\tAborted\tconnection refused\n"),
              std::string::npos);
    EXPECT_TRUE(outcome.err.starts_with("Ping terminated: 10 of 10 URLs checked")) << outcome.err;
    EXPECT_NE(outcome.err.find("; Completed 2, Error 404 1, Error 503 1, Aborted 6\n"), std::string::npos)
        << outcome.err;
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << "no progress unless on a terminal";
    EXPECT_EQ(outcome.out, "");
}

// Ready URLs over TLS, one line carrying a status after "||" as a window table line may.
TEST(CliRun, UrlsFileRowsAreFilledAsTheWindowFillsItsTable)
{
    const LoopbackServer server(AnswerByPath{}, ServerSecurity::Tls12Only);
    const QString base = QStringLiteral("https://127.0.0.1:") + PortText(server.Port());
    const QStringList lines{base + QStringLiteral("/200"), base + QStringLiteral("/404||note"),
                            base + QStringLiteral("/301"), base + QStringLiteral("/reset")};
    const TestFolder folder;
    WriteBytes(folder.Path("urls.txt"), CrLfLines(lines));

    const CliOutcome outcome = RunCli({"--urls", folder.Path("urls.txt"), "--threads=2", "--timeout=10", "--results",
                                       "-", "--export-completed", folder.Path("completed.txt")});

    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(WithoutMilliseconds(outcome.out),
              WithPort("https://127.0.0.1:%PORT/200\tCompleted\tin N ms\n"
                       "https://127.0.0.1:%PORT/404\tError 404\tin N ms\n"
                       "https://127.0.0.1:%PORT/301\tCompleted\tmoved to https://127.0.0.1:%PORT/200 \xC2\xB7 in N ms\n"
                       "https://127.0.0.1:%PORT/reset\tAborted\tconnection reset\n",
                       server.Port()));
    EXPECT_EQ(ReadBytes(folder.Path("completed.txt")), WithPort("https://127.0.0.1:%PORT/200\r\n"
                                                                "https://127.0.0.1:%PORT/301\r\n",
                                                                server.Port()));
}

// A self-signed server passes as it always did, and fails once certificates are verified.
TEST(CliRun, VerifyTlsAbortsAnUntrustedServer)
{
    const LoopbackServer server(AnswerByPath{}, ServerSecurity::Tls12Only);
    const TestFolder folder;
    WriteBytes(folder.Path("urls.txt"),
               CrLfLines({QStringLiteral("https://127.0.0.1:") + PortText(server.Port()) + QStringLiteral("/200")}));
    for (const bool verify : {false, true}) {
        std::vector<std::string> arguments{"--urls", folder.Path("urls.txt"), "--results", "-"};
        if (verify) arguments.push_back("--verify-tls");
        const CliOutcome outcome = RunCli(arguments);
        ASSERT_TRUE(outcome.exited);
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        const std::string expected =
            verify ? "\tAborted\tTLS handshake failed: certificate verify failed" : "\tCompleted\tin ";
        EXPECT_NE(outcome.out.find(expected), std::string::npos) << outcome.out;
    }
}

// No rows: the run ends at once and every export replaces its file with an empty one.
TEST(CliRun, EmptyListEndsTheRunAndEmptiesTheExports)
{
    const TestFolder folder;
    WriteBytes(folder.Path("urls.txt"), "");
    WriteBytes(folder.Path("all.txt"), "old content\r\n");
    WriteBytes(folder.Path("results.txt"), "old content\n");

    const CliOutcome outcome = RunCli({"--urls", folder.Path("urls.txt"), "--export-all", folder.Path("all.txt"),
                                       "--results", folder.Path("results.txt")});

    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(ReadBytes(folder.Path("all.txt")), "");
    EXPECT_EQ(ReadBytes(folder.Path("results.txt")), "");
    EXPECT_NE(outcome.err.find("Ping terminated: 0 of 0 URLs checked"), std::string::npos) << outcome.err;
}

// On a terminal the run's progress is redrawn on one line while a stalled check holds the run open.
TEST(CliProgress, IsShownOnATerminal)
{
    const LoopbackServer server(AnswerByPath{});
    const TestFolder folder;
    const QString base = QStringLiteral("http://127.0.0.1:") + PortText(server.Port());
    WriteBytes(folder.Path("urls.txt"), CrLfLines({base + QStringLiteral("/200"), base + QStringLiteral("/stall")}));

    CliProcess run({"--urls", folder.Path("urls.txt"), "--threads", "2", "--timeout", "3"},
                   CliProcess::ErrorOutput::Terminal);
    const CliOutcome outcome = run.Wait();

    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.err.find("\r1/2 URLs  Processed "), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("  Completed 1\x1b[K"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("\r\x1b[KPing terminated: 2 of 2 URLs checked"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("; Completed 1, Timeout 1"), std::string::npos) << outcome.err;
}

}  // namespace
}  // namespace larkspire::test
