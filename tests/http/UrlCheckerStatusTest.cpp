#include <gtest/gtest.h>

#include "http/UrlChecker.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/RequestBytes.h"

namespace larkspire {
namespace {

using std::chrono::milliseconds;
using test::ConnectionScript;
using test::LoopbackServer;
using test::Reply;
using test::Response;

struct StatusCase {
    const char* Name;
    std::vector<ConnectionScript> Script;
    std::u16string Status;
    std::size_t Requests;  // the server receives this many
    std::u16string Content = u"";
    std::int32_t TimeoutSeconds = 5;
};

void PrintTo(const StatusCase& param, std::ostream* out) { *out << param.Name; }

std::vector<ConnectionScript> OneConnection(std::vector<Reply> replies)
{
    return {ConnectionScript(std::move(replies))};
}

std::vector<Reply> Redirects(int count, const std::string& last)
{
    std::vector<Reply> replies(count, Reply(Response("HTTP/1.1 302 Found", "Location: /again\r\n", "")));
    if (!last.empty()) replies.emplace_back(last);
    return replies;
}

const std::string Ok = Response("HTTP/1.1 200 OK", "", "hello");
const std::string HalfBody = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(50, 'x');

class UrlCheckerStatusTest : public testing::TestWithParam<StatusCase> {};

TEST_P(UrlCheckerStatusTest, ReducesTheOutcomeToItsStatusText)
{
    const StatusCase& param = GetParam();
    LoopbackServer server(param.Script);
    UrlChecker util(param.TimeoutSeconds, false);
    std::u16string status = u"stale";
    std::u16string content = u"stale";
    util.GetPage(server.Url(u"/p"), status, content);
    EXPECT_EQ(status, param.Status);
    EXPECT_EQ(content, param.Content);
    EXPECT_EQ(server.Requests().size(), param.Requests);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, UrlCheckerStatusTest,
    testing::Values(
        StatusCase{"Ok200", OneConnection({Ok}), u"Completed", 1, u"hello"},
        StatusCase{"NoContent204", OneConnection({"HTTP/1.1 204 No Content\r\n\r\n"}), u"Completed", 1},
        StatusCase{"NotFound404", OneConnection({Response("HTTP/1.1 404 Not Found", "", "missing")}), u"Error 404", 1},
        StatusCase{"Unavailable503", OneConnection({Response("HTTP/1.1 503 Busy", "", "")}), u"Error 503", 1},
        StatusCase{"Continue100Then200", OneConnection({"HTTP/1.1 100 Continue\r\n\r\n" + Ok}), u"Completed", 1,
                   u"hello"},
        StatusCase{"SwitchingProtocols101", OneConnection({"HTTP/1.1 101 Switching Protocols\r\n\r\n"}), u"Error 101",
                   1},
        StatusCase{"Moved301ThenOk", OneConnection({Response("HTTP/1.1 301 Moved", "Location: /next\r\n", "gone"), Ok}),
                   u"Completed", 2, u"hello"},
        StatusCase{"RedirectOnANewConnection",
                   {{Response("HTTP/1.1 302 Found", "Location: /next\r\nConnection: close\r\n", "")}, {Ok}},
                   u"Completed",
                   2,
                   u"hello"},
        // HTTP/1.0 closes after a response unless it says keep-alive: the next request takes a new connection
        // however fast the close comes.
        StatusCase{"Http10RedirectThenClose",
                   {{Reply(Response("HTTP/1.0 302 Found", "Location: /next\r\n", "")).Close()}, {Ok}},
                   u"Completed",
                   2,
                   u"hello"},
        StatusCase{
            "Http10RedirectLingering",
            {{Reply(Response("HTTP/1.0 302 Found", "Location: /next\r\n", "")).Pause(milliseconds(200)).Close()}, {Ok}},
            u"Completed",
            2,
            u"hello"},
        StatusCase{"SurplusBytesAfterARedirect",
                   {{Reply(Response("HTTP/1.1 302 Found", "Location: /next\r\n", "") + "junk"), Ok}, {Ok}},
                   u"Completed",
                   2,
                   u"hello"},
        StatusCase{"NineRedirectsThenOk", OneConnection(Redirects(9, Ok)), u"Completed", 10, u"hello"},
        // A URL that never reaches a final page did not complete.
        StatusCase{"TenthRedirectIsTheLastRedirectsError", OneConnection(Redirects(10, Ok)), u"Error 302", 10},
        StatusCase{"EarlyHints103Then200", OneConnection({"HTTP/1.1 103 Early Hints\r\nLink: </s.css>\r\n\r\n" + Ok}),
                   u"Completed", 1, u"hello"},
        StatusCase{"Moved301WithoutLocation", OneConnection({Response("HTTP/1.1 301 Moved", "", "")}), u"Error 301", 1},
        StatusCase{"Moved301WithEmptyLocation", OneConnection({Response("HTTP/1.1 301 Moved", "Location: \r\n", "")}),
                   u"Error 301", 1},
        StatusCase{"NotModified304", OneConnection({"HTTP/1.1 304 Not Modified\r\n\r\n"}), u"Error 304", 1},
        StatusCase{"DecimalCode", OneConnection({Response("HTTP/1.1 200.0 OK", "", "hello")}), u"Completed", 1,
                   u"hello"},
        StatusCase{"NoStatusCode", OneConnection({Reply("garbage\r\n\r\nbody").Close()}), u"Error -1", 1},
        StatusCase{"ChunkedBody",
                   OneConnection({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n"}),
                   u"Completed", 1, u"hello"},
        StatusCase{"BodyToTheClose", OneConnection({Reply("HTTP/1.0 200 OK\r\n\r\nhello").Close()}), u"Completed", 1,
                   u"hello"},
        StatusCase{
            "Utf8Body",
            OneConnection({Response("HTTP/1.1 200 OK", "Content-Type: text/plain; charset=utf-8\r\n", "caf\xc3\xa9")}),
            u"Completed", 1, u"caf\u00e9"},
        StatusCase{"CloseBeforeTheDeclaredLength", OneConnection({Reply(HalfBody).Close()}), u"Completed", 1,
                   std::u16string(50, u'x')},
        StatusCase{"StallBeforeTheDeclaredLength", OneConnection({Reply(HalfBody).Hang()}), u"Timeout", 1, u"", 1},
        StatusCase{"NeverAnswered", OneConnection({Reply::NeverAnswer()}), u"Timeout", 1, u"", 1},
        StatusCase{"CloseBeforeTheStatusLine", OneConnection({Reply().Close()}), u"Aborted", 1},
        StatusCase{"ResetBeforeTheStatusLine", OneConnection({Reply().Reset()}), u"Aborted", 1},
        StatusCase{"ResetInsideTheDeclaredLength", OneConnection({Reply(HalfBody).Pause(milliseconds(100)).Reset()}),
                   u"Aborted", 1},
        StatusCase{"LineTooLong",
                   OneConnection({Reply("HTTP/1.1 200 OK\r\nX: " + std::string(20000, 'a') + "\r\n\r\n")}), u"Aborted",
                   1}),
    [](const testing::TestParamInfo<StatusCase>& info) { return std::string(info.param.Name); });

TEST(UrlCheckerTest, BodyIsKeptUpToEightMebibytes)
{
    const std::string body(9 * 1024 * 1024, 'b');
    LoopbackServer server(OneConnection({Response("HTTP/1.1 200 OK", "", body)}));
    UrlChecker util(10, false);
    std::u16string status;
    std::u16string content;
    util.GetPage(server.Url(u"/big"), status, content);
    EXPECT_EQ(status, u"Completed");
    EXPECT_EQ(content.size(), 8u * 1024 * 1024);
}

TEST(UrlCheckerTest, ShortFormGivesTheSameStatus)
{
    LoopbackServer server(std::vector<ConnectionScript>{{Response("HTTP/1.1 404 Not Found", "", "")}, {Ok}});
    std::u16string status = u"stale";
    UrlChecker(3, false).GetPage(server.Url(u"/missing"), status);
    EXPECT_EQ(status, u"Error 404");
    UrlChecker(3, false).GetPage(server.Url(u"/there"), status);
    EXPECT_EQ(status, u"Completed");
}

}  // namespace
}  // namespace larkspire
