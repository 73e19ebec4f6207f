#include "http/HttpTransport.h"

#include <gtest/gtest.h>

#include "net/NetworkErrors.h"
#include "net/TlsLayer.h"
#include "tests/support/LoopbackPeers.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/RequestBytes.h"

namespace larkspire {
namespace {

using test::ConnectionScript;
using test::LoopbackServer;
using test::Reply;
using test::Response;
using test::ServerSecurity;

const std::string Ok = Response("HTTP/1.1 200 OK", "", "ok");

std::vector<std::size_t> ConnectionsOf(const LoopbackServer& server)
{
    std::vector<std::size_t> connections;
    for (const test::RecordedRequest& request : server.Requests()) connections.push_back(request.Connection);
    return connections;
}

std::u16string WithScheme(const std::u16string& url, const std::u16string& scheme)
{
    return scheme + url.substr(url.find(u"://"));
}

// Once redirects are followed, a Get stops after 15 requests unless told otherwise.
TEST(HttpTransportTest, FollowedRedirectsStopAtFifteenRequestsUnlessSet)
{
    const Reply redirect(Response("HTTP/1.1 307 Temporary", "Location: /again\r\n", ""));
    LoopbackServer server({ConnectionScript(20, redirect)});
    HttpTransport http;
    http.Settings().HandleRedirects = true;
    EXPECT_THROW(http.Get(server.Url(u"/")), RedirectLimitError);
    EXPECT_EQ(server.Requests().size(), 15u);
}

// Proxy credentials alone are not sent: Basic authentication starts switched off.
TEST(HttpTransportTest, ProxyCredentialsStayUnsentUnlessBasicAuthenticationIsSet)
{
    LoopbackServer proxy({{Ok}});
    HttpTransport http;
    http.Settings().ProxyServer = u"127.0.0.1";
    http.Settings().ProxyPort = proxy.Port();
    http.Settings().ProxyUsername = u"user";
    http.Settings().ProxyPassword = u"pw";
    EXPECT_EQ(http.Get(u"http://site.invalid/a"), u"ok");
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_EQ(proxy.Requests()[0].Bytes, "GET http://site.invalid/a HTTP/1.1\r\n"
                                         "Host: site.invalid\r\n"
                                         "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
                                         "User-Agent: Mozilla/3.0 (compatible; Larkspire HTTP client)\r\n"
                                         "\r\n");
}

struct KeepAliveCase {
    const char* Name;
    std::vector<ConnectionScript> Script;
    std::vector<std::size_t> Connections;  // the connection of every request the server received
    bool ServerCloses = false;             // the server closes the first connection after its reply
};

void PrintTo(const KeepAliveCase& param, std::ostream* out) { *out << param.Name; }

class KeepAliveTest : public testing::TestWithParam<KeepAliveCase> {};

TEST_P(KeepAliveTest, ReusesTheConnectionOnlyWhenTheResponseAllows)
{
    LoopbackServer server(GetParam().Script);
    HttpTransport http;
    http.Settings().ReadTimeout = 5000;
    EXPECT_EQ(http.Get(server.Url(u"/one")), u"ok");
    if (GetParam().ServerCloses) {
        ASSERT_TRUE(server.WaitForEndedConnections(1, std::chrono::seconds(10)));
    }
    EXPECT_EQ(http.Get(server.Url(u"/two")), u"ok");
    EXPECT_EQ(ConnectionsOf(server), GetParam().Connections);
}

INSTANTIATE_TEST_SUITE_P(
    Responses, KeepAliveTest,
    testing::Values(
        KeepAliveCase{"KeptAlive", {{Ok, Ok}}, {0, 0}},
        KeepAliveCase{"ConnectionClose", {{Response("HTTP/1.1 200 OK", "Connection: close\r\n", "ok")}, {Ok}}, {0, 1}},
        KeepAliveCase{
            "ConnectionCloseAnyCase", {{Response("HTTP/1.1 200 OK", "Connection:  CLOSE \r\n", "ok")}, {Ok}}, {0, 1}},
        KeepAliveCase{
            "ProxyConnectionClose", {{Response("HTTP/1.1 200 OK", "Proxy-Connection: close\r\n", "ok")}, {Ok}}, {0, 1}},
        KeepAliveCase{"ServerClosedMeanwhile", {{Reply(Ok).Close()}, {Ok}}, {0, 1}, true},
        KeepAliveCase{"BodyToTheClose", {{Reply("HTTP/1.1 200 OK\r\n\r\nok").Close()}, {Ok}}, {0, 1}},
        KeepAliveCase{"Http10ClosesByDefault", {{Response("HTTP/1.0 200 OK", "", "ok")}, {Ok}}, {0, 1}},
        KeepAliveCase{"Http10KeptAliveWhenAsked",
                      {{Response("HTTP/1.0 200 OK", "Connection: Keep-Alive\r\n", "ok"), Ok}},
                      {0, 0}},
        KeepAliveCase{"SurplusBytesAfterTheBody", {{Reply(Ok + "HTTP/1.1 200 OK\r\n"), Ok}, {Ok}}, {0, 1}},
        // A kept connection the server drops before any byte of the answer: the GET goes once more, anew.
        KeepAliveCase{"ClosedBeforeTheAnswerIsRetried", {{Ok, Reply().Close()}, {Ok}}, {0, 0, 1}},
        KeepAliveCase{"ResetBeforeTheAnswerIsRetried", {{Ok, Reply().Reset()}, {Ok}}, {0, 0, 1}}),
    [](const testing::TestParamInfo<KeepAliveCase>& info) { return std::string(info.param.Name); });

// Only a request that got no byte of an answer on a reused connection is sent again: once the answer began,
// or on a fresh connection, the failure stands.
TEST(HttpTransportTest, RequestIsNotSentAgainOnceItsAnswerBeganOrOnAFreshConnection)
{
    LoopbackServer server({{Ok, Reply("HTTP/1.1 200 OK\r\nContent-Le").Reset()}, {Reply().Close()}});
    HttpTransport http;
    http.Settings().ReadTimeout = 5000;
    EXPECT_EQ(http.Get(server.Url(u"/one")), u"ok");
    EXPECT_THROW(http.Get(server.Url(u"/two")), TransportError);
    EXPECT_THROW(http.Get(server.Url(u"/three")), TransportError);
    EXPECT_EQ(ConnectionsOf(server), (std::vector<std::size_t>{0, 0, 1}));
}

TEST(HttpTransportTest, OtherHostOrPortGetsANewConnection)
{
    LoopbackServer first({{Ok}, {Ok}});
    LoopbackServer second({{Ok}});
    HttpTransport http;
    http.Get(first.Url(u"/a"));
    http.Get(second.Url(u"/b"));
    http.Get(first.Url(u"/c"));
    EXPECT_EQ(ConnectionsOf(first), (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(first.ConnectionCount(), 2u);
}

TEST(HttpTransportTest, DisconnectClosesTheKeptConnection)
{
    LoopbackServer server({{Ok, Ok}, {Ok}});
    HttpTransport http;
    http.Get(server.Url(u"/a"));
    http.Disconnect();
    http.Get(server.Url(u"/b"));
    EXPECT_EQ(ConnectionsOf(server), (std::vector<std::size_t>{0, 1}));
}

TEST(HttpTransportTest, ProtocolErrorCarriesCodeStatusLineAndBody)
{
    LoopbackServer server({{Response("HTTP/1.1 418 I'm a teapot", "", "short and stout")}});
    HttpTransport http;
    try {
        http.Get(server.Url(u"/"));
        FAIL() << "no error";
    } catch (const ProtocolError& error) {
        EXPECT_EQ(error.Code(), 418);
        EXPECT_EQ(error.StatusLine(), u"HTTP/1.1 418 I'm a teapot");
        EXPECT_EQ(error.BodyText(), u"short and stout");
    }
}

// A transport nobody has set up goes straight to the URL's own host (origin-form target, no proxy), names itself
// in User-Agent, sends no Referer, and hands a redirect back instead of following it.
TEST(HttpTransportTest, UnsetTransportGoesDirectNamesItselfAndReturnsRedirects)
{
    LoopbackServer server({{Response("HTTP/1.1 302 Found", "Location: /next\r\n", "moved"), Ok}});
    HttpTransport http;
    try {
        http.Get(server.Url(u"/page?x=1"));
        FAIL() << "the redirect was not reported";
    } catch (const ProtocolError& error) {
        EXPECT_EQ(error.Code(), 302);
        EXPECT_EQ(error.BodyText(), u"moved");
    }
    const std::vector<test::RecordedRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u) << "the redirect was followed";
    EXPECT_EQ(requests[0].Bytes, "GET /page?x=1 HTTP/1.1\r\n"
                                 "Host: 127.0.0.1:" +
                                     std::to_string(server.Port()) +
                                     "\r\n"
                                     "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
                                     "User-Agent: Mozilla/3.0 (compatible; Larkspire HTTP client)\r\n"
                                     "\r\n");
}

// The response that reaches the limit is the outcome: an error with its code, not an empty success.
TEST(HttpTransportTest, RedirectMaximumCountsEveryRedirectOfOneGet)
{
    const Reply redirect(Response("HTTP/1.1 307 Temporary", "Location: /again\r\n", ""));
    LoopbackServer server({{redirect, redirect, redirect, redirect}});
    HttpTransport http;
    http.Settings().HandleRedirects = true;
    http.Settings().RedirectMaximum = 3;
    try {
        http.Get(server.Url(u"/"));
        FAIL() << "the redirect limit ended without error";
    } catch (const RedirectLimitError& error) {
        EXPECT_EQ(error.Code(), 307);
    }
    EXPECT_EQ(server.Requests().size(), 3u);
}

TEST(HttpTransportTest, RelativeUrlResolvesAgainstTheLastRequest)
{
    LoopbackServer server({{Ok, Ok}});
    HttpTransport http;
    http.Get(server.Url(u"/dir/page"));
    http.Get(u"other?x");
    EXPECT_EQ(server.Requests().at(1).Bytes,
              test::ExpectedGet("/dir/other?x", "127.0.0.1:" + std::to_string(server.Port()),
                                "User-Agent: Mozilla/3.0 (compatible; Larkspire HTTP client)\r\n"));
}

TEST(HttpTransportTest, FailureLeavesTheTransportUsable)
{
    test::RefusedPort refused;
    LoopbackServer server({{Reply::NeverAnswer()}, {Ok}});
    HttpTransport http;
    http.Settings().ReadTimeout = 300;
    const std::string port = std::to_string(refused.Port());
    EXPECT_THROW(http.Get(u"http://127.0.0.1:" + std::u16string(port.begin(), port.end()) + u"/"), TransportError);
    EXPECT_THROW(http.Get(server.Url(u"/stall")), ReadTimeoutError);
    EXPECT_EQ(http.Get(server.Url(u"/fine")), u"ok");
}

// Every connection is plain or TLS as its own URL needs, whatever came before; the transport's own layer
// takes any TLS version from 1.0 to 1.3.
TEST(HttpTransportLayerTest, EachConnectionIsPlainOrTlsAsItsUrlNeeds)
{
    LoopbackServer plain({{Ok}, {Ok}});
    LoopbackServer newest({{Ok}}, ServerSecurity::Tls13Only);
    LoopbackServer oldest({{Ok}}, ServerSecurity::Tls10Only);
    HttpTransport http;
    EXPECT_EQ(http.Get(plain.Url(u"/")), u"ok");
    EXPECT_EQ(http.Get(newest.Url(u"/")), u"ok");
    EXPECT_EQ(http.Get(plain.Url(u"/")), u"ok");
    EXPECT_EQ(http.Get(WithScheme(oldest.Url(u"/"), u"HTTPS")), u"ok");
}

TEST(HttpTransportLayerTest, DestroyingTheAttachedLayerDetachesIt)
{
    LoopbackServer modern({{Ok, Ok}, {Ok}}, ServerSecurity::Tls12Only);
    HttpTransport http;
    {
        TlsLayer layer;
        http.AttachTlsLayer(layer);
        EXPECT_EQ(http.Get(modern.Url(u"/")), u"ok");
    }
    // The kept connection went with the layer; the transport's own layer makes the next one.
    EXPECT_EQ(http.Get(modern.Url(u"/")), u"ok");
    EXPECT_EQ(ConnectionsOf(modern), (std::vector<std::size_t>{0, 1}));
}

TEST(HttpTransportLayerTest, TransportMayOutliveOrPredeceaseTheAttachedLayer)
{
    LoopbackServer modern({{Ok}}, ServerSecurity::Tls12Only);
    TlsLayer layer;
    {
        HttpTransport http;
        http.AttachTlsLayer(layer);
        EXPECT_EQ(http.Get(modern.Url(u"/")), u"ok");
    }
    SUCCEED() << "the layer outlived its transport; its destruction must not touch it";
}

}  // namespace
}  // namespace larkspire
