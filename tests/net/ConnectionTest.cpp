#include "net/Connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <thread>

#include "net/NetworkErrors.h"
#include "net/TcpConnect.h"
#include "net/TlsLayer.h"
#include "net/TlsLibrary.h"
#include "tests/support/LoopbackPeers.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestCheckClock.h"

namespace larkspire {
namespace {

using test::LoopbackServer;
using test::Reply;
using test::ServerSecurity;

constexpr char Request[] = "GET / HTTP/1.1\r\n\r\n";

Connection ConnectTo(const LoopbackServer& server, std::int32_t readTimeoutMs = 5000)
{
    Connection connection(ConnectTcp("127.0.0.1", server.Port(), 5000));
    connection.SetReadTimeout(readTimeoutMs);
    return connection;
}

std::string ReadToClose(Connection& connection)
{
    std::string received;
    char buffer[4096];
    while (const std::size_t count = connection.Read(buffer, sizeof buffer)) received.append(buffer, count);
    return received;
}

TEST(ConnectTcpTest, RefusedPortIsTransportErrorWithTheSystemCode)
{
    test::RefusedPort refused;
    try {
        ConnectTcp("127.0.0.1", refused.Port(), 2000);
        FAIL() << "connected to a refusing port";
    } catch (const TransportError& error) {
        EXPECT_EQ(error.OsErrorCode(), ECONNREFUSED);
    }
}

TEST(ConnectTcpTest, EmptyHostAndUnresolvableNameAreTransportErrors)
{
    EXPECT_THROW(ConnectTcp("", 80, 2000), TransportError);
    EXPECT_THROW(ConnectTcp("no-such-host.invalid", 80, 2000), TransportError);
}

TEST(ConnectTcpTest, ConnectsToLiteralsAndNames)
{
    LoopbackServer server(std::vector<test::ConnectionScript>(3));
    for (const char* host : {"127.0.0.1", "localhost", "[127.0.0.1]"}) {
        SCOPED_TRACE(host);
        EXPECT_TRUE(ConnectTcp(host, server.Port(), 2000).IsOpen());
    }
}

TEST(ConnectTcpTest, ConnectsToABracketedIpv6Literal)
{
    SocketHandle listener(socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    socklen_t length = sizeof address;
    if (!listener.IsOpen() || bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener.Get(), 4) != 0 ||
        getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        GTEST_SKIP() << "no IPv6 loopback on this machine";
    }
    EXPECT_TRUE(ConnectTcp("[::1]", ntohs(address.sin6_port), 2000).IsOpen());
}

// On a clock of the test's, so that the bound is exact however the machine schedules the connecting thread.
TEST(ConnectTcpTest, SilentPeerTimesOutWithinOnePollStepOfTheConnectTimeout)
{
    test::SilentPeer peer;
    test::TestCheckClock clock;
    const CheckBudget budget(std::nullopt, std::chrono::milliseconds(0), nullptr, &clock);
    test::ClockedWait connect(clock, [&] { ConnectTcp("127.0.0.1", peer.Port(), 600, budget); });
    // Its deadline, its one address's share of it and that wait's end are taken before it polls.
    ASSERT_TRUE(connect.LetItLook(5));
    EXPECT_TRUE(connect.EndsAt(std::chrono::milliseconds(600)));
    EXPECT_THROW(connect.Rethrow(), ConnectTimeoutError);
}

// A connect that waited at all would wait for the test's clock, which never moves.
TEST(ConnectTcpTest, NegativeConnectTimeoutOtherThanMinusOneFailsAtOnce)
{
    test::SilentPeer peer;
    for (const std::int32_t timeout : {-1000, -2}) {
        SCOPED_TRACE(timeout);
        test::TestCheckClock clock;
        const CheckBudget budget(std::nullopt, std::chrono::milliseconds(0), nullptr, &clock);
        test::ClockedWait connect(clock, [&] { ConnectTcp("127.0.0.1", peer.Port(), timeout, budget); });
        EXPECT_TRUE(connect.EndsWithoutTheClockMoving());
        EXPECT_THROW(connect.Rethrow(), ConnectTimeoutError);
    }
}

TEST(ConnectTcpTest, NoLimitOfOurOwnForZeroAndMinusOne)
{
    LoopbackServer server(std::vector<test::ConnectionScript>(2));
    for (const std::int32_t timeout : {0, -1}) EXPECT_TRUE(ConnectTcp("127.0.0.1", server.Port(), timeout).IsOpen());
}

TEST(ConnectionTest, ReadWaitsAtMostTheReadTimeout)
{
    LoopbackServer server({{Reply::NeverAnswer()}});
    test::TestCheckClock clock;
    const CheckBudget budget(std::nullopt, std::chrono::milliseconds(0), nullptr, &clock);
    Connection connection = ConnectTo(server, 400);
    connection.SetBudget(budget);
    connection.Write(Request);
    char buffer[16];
    test::ClockedWait read(clock, [&] { connection.Read(buffer, sizeof buffer); });
    // The read has taken its end before its first poll.
    ASSERT_TRUE(read.LetItLook(3));
    EXPECT_TRUE(read.EndsAt(std::chrono::milliseconds(400)));
    EXPECT_THROW(read.Rethrow(), ReadTimeoutError);
}

TEST(ConnectionTest, GracefulCloseReadsAsTheEndAndResetAsTransportError)
{
    LoopbackServer server(
        {{Reply("partial").Close()}, {Reply("partial").Pause(std::chrono::milliseconds(100)).Reset()}});
    Connection closed = ConnectTo(server);
    closed.Write(Request);
    EXPECT_EQ(ReadToClose(closed), "partial");

    Connection reset = ConnectTo(server);
    reset.Write(Request);
    EXPECT_THROW(ReadToClose(reset), TransportError);
}

TEST(ConnectionTest, ReceivesInBlocksOfAtMost32768Bytes)
{
    LoopbackServer server({{Reply(std::string(100000, 'x')).Close()}});
    Connection connection = ConnectTo(server);
    connection.Write(Request);
    std::vector<char> buffer(70000);
    std::size_t total = 0;
    while (const std::size_t count = connection.Read(buffer.data(), buffer.size())) {
        EXPECT_LE(count, Connection::BlockSize);
        total += count;
    }
    EXPECT_EQ(total, 100000u);
}

TEST(ConnectionTest, IdleConnectionClosedByTheServerCountsAsClosed)
{
    LoopbackServer server({{Reply("x")}, {Reply("x").Close()}});
    Connection open = ConnectTo(server);
    Connection closed = ConnectTo(server);
    for (Connection* connection : {&open, &closed}) {
        connection->Write(Request);
        char byte;
        ASSERT_EQ(connection->Read(&byte, 1), 1u);
    }
    EXPECT_TRUE(closed.WaitReadable(5000));
    EXPECT_FALSE(open.IsClosedByPeer());
    EXPECT_TRUE(closed.IsClosedByPeer());
}

struct SecurityCase {
    const char* Name;
    ServerSecurity Server;
};

void PrintTo(const SecurityCase& param, std::ostream* out) { *out << param.Name; }

class TlsConnectionTest : public testing::TestWithParam<SecurityCase> {};

// A write to a peer that has gone must fail as TransportError, never raise SIGPIPE (which would end this
// test program: its disposition is the default one).
TEST_P(TlsConnectionTest, WritingToAClosedPeerRaisesNoSigpipe)
{
    LoopbackServer server({{Reply().Close()}}, GetParam().Server);
    Connection connection = ConnectTo(server);
    if (GetParam().Server != ServerSecurity::Plain) connection.StartTls(TlsLayer(), "localhost");
    connection.Write(Request);
    EXPECT_EQ(ReadToClose(connection), "");
    // The first write after the close draws the peer's reset, a later one fails on it; how soon the reset lands
    // is the machine's business, so keep writing for a generous while.
    const std::string block(4096, 'x');
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    EXPECT_THROW(
        while (std::chrono::steady_clock::now() < giveUp) {
            connection.Write(block);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        },
        TransportError);
}

INSTANTIATE_TEST_SUITE_P(PlainAndTls, TlsConnectionTest,
                         testing::Values(SecurityCase{"Plain", ServerSecurity::Plain},
                                         SecurityCase{"Tls12", ServerSecurity::Tls12Only}),
                         [](const testing::TestParamInfo<SecurityCase>& info) { return std::string(info.param.Name); });

class TlsVersionTest : public testing::TestWithParam<SecurityCase> {};

// Old servers and TLS 1.3-only ones alike: the layer takes whichever version from 1.0 to 1.3 a server offers.
TEST_P(TlsVersionTest, LayerNegotiatesTheVersionTheServerOffers)
{
    LoopbackServer server({{Reply("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")}}, GetParam().Server);
    Connection connection = ConnectTo(server);
    TlsLayer layer;
    connection.StartTls(layer, "localhost");
    connection.Write(Request);
    char buffer[64];
    const std::size_t count = connection.Read(buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, count).substr(0, 15), "HTTP/1.1 200 OK");
}

INSTANTIATE_TEST_SUITE_P(Versions, TlsVersionTest,
                         testing::Values(SecurityCase{"Tls13Only", ServerSecurity::Tls13Only},
                                         SecurityCase{"Tls12Only", ServerSecurity::Tls12Only},
                                         SecurityCase{"Tls10Only", ServerSecurity::Tls10Only},
                                         SecurityCase{"Tls10Ecdhe", ServerSecurity::Tls10Ecdhe}),
                         [](const testing::TestParamInfo<SecurityCase>& info) { return std::string(info.param.Name); });

TEST(TlsConnectionTest, SendsTheServerNameAlsoForAnIpLiteral)
{
    LoopbackServer server(std::vector<test::ConnectionScript>(2), ServerSecurity::Tls12Only);
    TlsLayer layer;
    std::size_t handshakes = 0;
    for (const char* name : {"localhost", "127.0.0.1"}) {
        Connection connection = ConnectTo(server);
        connection.StartTls(layer, name);
        ASSERT_TRUE(server.WaitForServerNames(++handshakes, std::chrono::seconds(10))) << name;
    }
    EXPECT_EQ(server.ServerNames(), (std::vector<std::string>{"localhost", "127.0.0.1"}));
}

// A stalled handshake is a stall like any other: a time-out, not a TLS failure.
TEST(TlsConnectionTest, StalledHandshakeTimesOutAfterTheReadTimeout)
{
    LoopbackServer silent({{Reply::NeverAnswer()}});
    test::TestCheckClock clock;
    const CheckBudget budget(std::nullopt, std::chrono::milliseconds(0), nullptr, &clock);
    Connection connection = ConnectTo(silent, 500);
    connection.SetBudget(budget);
    test::ClockedWait handshake(clock, [&] { connection.StartTls(TlsLayer(), "localhost"); });
    // Its hello sent, the handshake waits for the answer, whose end it took before its first poll.
    ASSERT_TRUE(handshake.LetItLook(4));
    EXPECT_TRUE(handshake.EndsAt(std::chrono::milliseconds(500)));
    EXPECT_THROW(handshake.Rethrow(), ReadTimeoutError);
}

// A peer that answers a TLS hello with plain text fails the handshake, and the reason says what OpenSSL saw.
TEST(TlsConnectionTest, HandshakeWithAPeerThatSpeaksNoTlsFailsWithOpenSslsReason)
{
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends), 0);
    const SocketHandle peer(ends[1]);
    const std::string plain = "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n";
    ASSERT_EQ(write(peer.Get(), plain.data(), plain.size()), static_cast<ssize_t>(plain.size()));
    Connection connection{SocketHandle(ends[0])};
    connection.SetReadTimeout(2000);
    try {
        connection.StartTls(TlsLayer(), "localhost");
        FAIL() << "the handshake succeeded";
    } catch (const TransportError& error) {
        const std::string reason = error.what();
        EXPECT_TRUE(reason.starts_with("TLS handshake failed: ")) << reason;
        EXPECT_GT(reason.size(), std::string("TLS handshake failed: ").size()) << reason;
    }
}

int initialiserCalls = 0;
bool FailFirstTime() { return ++initialiserCalls > 1; }

TEST(TlsLibraryTest, FailedInitialisationIsTransportErrorAndIsTriedAgain)
{
    TlsLibrary library(FailFirstTime);
    EXPECT_THROW(library.EnsureInitialised(), TransportError);
    EXPECT_NO_THROW(library.EnsureInitialised());
    EXPECT_NO_THROW(library.EnsureInitialised());
    EXPECT_EQ(initialiserCalls, 2);
}

}  // namespace
}  // namespace larkspire
