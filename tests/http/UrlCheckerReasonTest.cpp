#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <thread>

#include "base/AsciiText.h"
#include "http/UrlChecker.h"
#include "tests/support/LoopbackPeers.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/RequestBytes.h"
#include "tests/support/Stopwatch.h"

namespace larkspire {
namespace {

using namespace std::chrono_literals;
using test::ConnectionScript;
using test::LoopbackServer;
using test::Reply;
using test::Response;

const std::string Ok = Response("HTTP/1.1 200 OK", "", "hello");

std::string Narrow(const std::u16string& text)
{
    std::string bytes;
    for (const char16_t c : text) bytes += c == u'\u00B7' ? '|' : static_cast<char>(c < 0x80 ? c : '?');
    return bytes;
}

struct ReasonCase {
    const char* Name;
    std::vector<ConnectionScript> Script;
    std::u16string Path;
    std::u16string Status;
    std::string Reason;  // a pattern: "%PORT" is the server's port, " | " the separator, "N" any milliseconds
    int TimeoutSeconds = 5;
};

void PrintTo(const ReasonCase& param, std::ostream* out) { *out << param.Name; }

std::string Pattern(std::string reason, std::uint16_t port)
{
    std::string pattern;
    for (std::size_t i = 0; i < reason.size(); ++i) {
        if (reason.compare(i, 5, "%PORT") == 0) {
            pattern += std::to_string(port);
            i += 4;
        } else if (reason[i] == 'N' && (i + 1 == reason.size() || reason[i + 1] == ' ')) {
            pattern += "[0-9]+";
        } else if (std::string("\\^$.|?*+()[]{}/").find(reason[i]) != std::string::npos) {
            pattern += std::string("\\") + reason[i];
        } else {
            pattern += reason[i];
        }
    }
    return pattern;
}

std::vector<ConnectionScript> OneConnection(std::vector<Reply> replies)
{
    return {ConnectionScript(std::move(replies))};
}

const Reply Redirect(Response("HTTP/1.1 302 Found", "Location: /again\r\n", ""));

class UrlCheckerReasonTest : public testing::TestWithParam<ReasonCase> {};

// Beside its status every check says why, in plain words; a completed or HTTP-error check says where it
// ended when redirects moved it, and how long it took.
TEST_P(UrlCheckerReasonTest, GivesTheStatusAndItsReason)
{
    const ReasonCase& param = GetParam();
    LoopbackServer server(param.Script);
    const std::atomic<bool> noAbort{false};
    const CheckOutcome outcome = CheckUrlStatus(server.Url(param.Path), param.TimeoutSeconds, noAbort);
    EXPECT_EQ(outcome.status, param.Status);
    const std::string shown = Narrow(ShownReason(outcome));
    EXPECT_TRUE(std::regex_match(shown, std::regex(Pattern(param.Reason, server.Port())))) << shown;
    // The parts the JSON lines write: a time for a check that got an answer, the final URL when it moved.
    const bool answered = param.Reason.find("in N ms") != std::string::npos;
    EXPECT_EQ(outcome.elapsedMs >= 0, answered) << outcome.elapsedMs;
    const bool moved = param.Reason.rfind("moved to ", 0) == 0;
    EXPECT_EQ(!outcome.finalUrl.empty(), moved) << Narrow(outcome.finalUrl);
    if (moved) {
        EXPECT_EQ(shown.substr(9, outcome.finalUrl.size()), Narrow(outcome.finalUrl));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, UrlCheckerReasonTest,
    testing::Values(
        ReasonCase{"Completed", OneConnection({Ok}), u"/", u"Completed", "in N ms"},
        ReasonCase{"CompletedAfterARedirect",
                   OneConnection({Response("HTTP/1.1 301 Moved", "Location: /next?a=1\r\n", ""), Ok}), u"/",
                   u"Completed", "moved to http://127.0.0.1:%PORT/next?a=1 | in N ms"},
        ReasonCase{"HttpError", OneConnection({Response("HTTP/1.1 404 Not Found", "", "")}), u"/", u"Error 404",
                   "in N ms"},
        ReasonCase{"HttpErrorAfterARedirect",
                   OneConnection({Response("HTTP/1.1 301 Moved", "Location: /gone\r\n", ""),
                                  Response("HTTP/1.1 410 Gone", "", "")}),
                   u"/", u"Error 410", "moved to http://127.0.0.1:%PORT/gone | in N ms"},
        ReasonCase{"RedirectLoop", OneConnection(std::vector<Reply>(10, Redirect)), u"/", u"Error 302",
                   "redirect limit reached | in N ms"},
        ReasonCase{"NoAnswer", OneConnection({Reply::NeverAnswer()}), u"/", u"Timeout", "no answer for 1 s", 1},
        ReasonCase{"ClosedBeforeAnswer", OneConnection({Reply().Close()}), u"/", u"Aborted",
                   "connection closed before an answer"},
        ReasonCase{"Reset", OneConnection({Reply().Reset()}), u"/", u"Aborted", "connection reset"},
        ReasonCase{"HeaderFlood", OneConnection({Reply("HTTP/1.1 200 OK\r\n").Repeat("X-Flood: flood\r\n")}), u"/",
                   u"Aborted", "header section too large"},
        ReasonCase{"LongLine", OneConnection({Reply("HTTP/1.1 200 OK\r\nX: " + std::string(20000, 'a') + "\r\n\r\n")}),
                   u"/", u"Aborted", "header line too long"},
        ReasonCase{"UrlTooLong", OneConnection({Ok}), u"/" + std::u16string(70000, u'a'), u"Aborted", "URL too long"}),
    [](const testing::TestParamInfo<ReasonCase>& info) { return std::string(info.param.Name); });

struct NoServerCase {
    const char* Name;
    std::u16string Url;
    std::string Reason;
};

void PrintTo(const NoServerCase& param, std::ostream* out) { *out << param.Name; }

class UrlCheckerNoConnectionTest : public testing::TestWithParam<NoServerCase> {};

// What fails before any server answers, or without asking one at all.
TEST_P(UrlCheckerNoConnectionTest, IsAbortedWithItsReason)
{
    LoopbackServer witness(std::vector<ConnectionScript>(1, {Ok}));
    const std::string port = std::to_string(witness.Port());
    std::u16string url = GetParam().Url;
    if (const std::size_t at = url.find(u"PORT"); at != std::u16string::npos) {
        url.replace(at, 4, std::u16string(port.begin(), port.end()));
    }
    const std::atomic<bool> noAbort{false};
    const CheckOutcome outcome = CheckUrlStatus(url, 5, noAbort);
    EXPECT_EQ(outcome.status, u"Aborted");
    EXPECT_EQ(Narrow(outcome.reason), GetParam().Reason);
    EXPECT_EQ(witness.ConnectionCount(), 0u) << "a connection was made";
}

INSTANTIATE_TEST_SUITE_P(
    Failures, UrlCheckerNoConnectionTest,
    testing::Values(NoServerCase{"FtpWithPort", u"ftp://127.0.0.1:PORT/", "unsupported scheme"},
                    NoServerCase{"FileWithPort", u"file://127.0.0.1:PORT/etc/passwd", "unsupported scheme"},
                    NoServerCase{"GopherWithPort", u"gopher://127.0.0.1:PORT/", "unsupported scheme"},
                    NoServerCase{"NoScheme", u"127.0.0.1:PORT/page", "no scheme in the URL"},
                    NoServerCase{"Empty", u"", "no scheme in the URL"},
                    NoServerCase{"UnknownHost", u"http://no-such-host.invalid:PORT/", "host not found"}),
    [](const testing::TestParamInfo<NoServerCase>& info) { return std::string(info.param.Name); });

TEST(UrlCheckerReasons, RefusedConnection)
{
    test::RefusedPort refused;
    const std::string url = "http://127.0.0.1:" + std::to_string(refused.Port()) + "/";
    const std::atomic<bool> noAbort{false};
    const CheckOutcome outcome = CheckUrlStatus(std::u16string(url.begin(), url.end()), 5, noAbort);
    EXPECT_EQ(outcome.status, u"Aborted");
    EXPECT_EQ(outcome.reason, u"connection refused");
}

// A server that sends its head and then streams for ever: reading stops at 8 MiB, and a 2xx stays a success.
TEST(UrlCheckerBounds, EndlessStreamCompletesFromItsHead)
{
    LoopbackServer server(OneConnection({Reply("HTTP/1.1 200 OK\r\n\r\n").Repeat(std::string(16384, 's'))}));
    std::u16string status;
    std::u16string content;
    UrlChecker(5, false).GetPage(server.Url(u"/endless"), status, content);
    EXPECT_EQ(status, u"Completed");
    EXPECT_EQ(content.size(), 8u * 1024 * 1024);
    EXPECT_TRUE(server.WaitForEndedConnections(1, 10s)) << "the connection was kept";
}

// A drip keeps every single read alive, so only the whole-check limit (10 x the setting) ends it. Each read's own
// time-out runs on the same clock as the limit, so this test takes the limit's 10 s of real time.
TEST(UrlCheckerBounds, EndlessDripTimesOutAtTenTimesTheSetting)
{
    LoopbackServer server(OneConnection({Reply("HTTP/1.1 200 OK\r\n\r\n").Repeat("d", 200ms)}));
    const std::atomic<bool> noAbort{false};
    test::Stopwatch stopwatch;
    const CheckOutcome outcome = CheckUrlStatus(server.Url(u"/drip"), 1, noAbort);
    EXPECT_EQ(outcome.status, u"Timeout");
    EXPECT_EQ(outcome.reason, u"check took longer than 10 s");
    EXPECT_GE(stopwatch.ElapsedMs(), 10000);
}

// After Abort a check under way gets the time-out setting more, then it is cut: its reason says so (the only other
// end of a drip, the whole-check limit, would say "check took longer than 20 s"), and it came no sooner.
TEST(UrlCheckerBounds, AbortCutsADripAfterTheTimeoutSetting)
{
    LoopbackServer server(OneConnection({Reply("HTTP/1.1 200 OK\r\n\r\n").Repeat("d", 200ms)}));
    std::atomic<bool> abortRequested{false};
    CheckOutcome outcome;
    std::thread check([&] { outcome = CheckUrlStatus(server.Url(u"/drip"), 2, abortRequested); });
    ASSERT_TRUE(server.WaitForRequests(1, 10s));
    test::Stopwatch stopwatch;
    abortRequested = true;
    check.join();
    EXPECT_EQ(outcome.status, u"Aborted");
    EXPECT_EQ(outcome.reason, u"cut by Abort");
    EXPECT_GE(stopwatch.ElapsedMs(), 1900);
}

// A check that ends by itself within the grace time keeps its own outcome.
TEST(UrlCheckerBounds, CheckEndingWithinTheGraceKeepsItsOutcome)
{
    LoopbackServer server(OneConnection({Reply().Pause(300ms).Send(Ok)}));
    const std::atomic<bool> abortRequested{true};
    const CheckOutcome outcome = CheckUrlStatus(server.Url(u"/slow"), 5, abortRequested);
    EXPECT_EQ(outcome.status, u"Completed");
}

}  // namespace
}  // namespace larkspire
