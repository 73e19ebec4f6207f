#include "tests/support/LoopbackServer.h"

#include <gtest/gtest.h>

#include "net/Connection.h"
#include "net/NetworkErrors.h"
#include "net/TcpConnect.h"
#include "tests/support/Stopwatch.h"

namespace larkspire {
namespace {

using test::AnswerByPath;
using test::LoopbackServer;
using test::Stopwatch;

// Sends one request for target on a fresh connection and reads until the response is complete
// (its Content-Length body has arrived) or the read time-out ends the wait.
std::string Fetch(const LoopbackServer& server, const std::string& target, std::int32_t readTimeoutMs = 5000)
{
    Connection connection(ConnectTcp("127.0.0.1", server.Port(), 5000));
    connection.SetReadTimeout(readTimeoutMs);
    connection.Write("GET " + target + " HTTP/1.1\r\nHost: x\r\n\r\n");
    std::string response;
    char buffer[4096];
    for (;;) {
        const std::size_t headEnd = response.find("\r\n\r\n");
        const std::size_t length = response.find("Content-Length: ");
        if (headEnd != std::string::npos && length != std::string::npos &&
            response.size() >= headEnd + 4 + std::stoul(response.substr(length + 16))) {
            return response;
        }
        const std::size_t count = connection.Read(buffer, sizeof buffer);
        if (count == 0) return response;
        response.append(buffer, count);
    }
}

TEST(LoopbackServerTest, AnswersByPath)
{
    LoopbackServer server(AnswerByPath{});
    EXPECT_EQ(Fetch(server, "/200"),
              "HTTP/1.1 200 Status\r\nContent-Type: text/plain\r\nContent-Length: 11\r\n\r\nstatus 200\n");
    EXPECT_EQ(
        Fetch(server, "/301"),
        "HTTP/1.1 301 Status\r\nContent-Type: text/plain\r\nLocation: /200\r\nContent-Length: 11\r\n\r\nstatus 301\n");
    EXPECT_EQ(Fetch(server, "/elsewhere").substr(0, 12), "HTTP/1.1 404");
    EXPECT_THROW(Fetch(server, "/reset"), TransportError);
    EXPECT_THROW(Fetch(server, "/stall", 300), ReadTimeoutError);
    EXPECT_EQ(server.Requests().size(), 5u);
}

TEST(LoopbackServerTest, DelayPathAnswersAfterThePause)
{
    LoopbackServer server(AnswerByPath{});
    Stopwatch stopwatch;
    EXPECT_EQ(Fetch(server, "/delay/300").substr(0, 12), "HTTP/1.1 200");
    EXPECT_GE(stopwatch.ElapsedMs(), 300);
}

// Hanging and pausing connections must not hold up the end of a test.
TEST(LoopbackServerTest, StopsPromptlyWhileConnectionsHangOrPause)
{
    std::optional<Connection> hanging;
    std::optional<Connection> pausing;
    Stopwatch stopwatch;
    {
        LoopbackServer server(AnswerByPath{});
        hanging.emplace(ConnectTcp("127.0.0.1", server.Port(), 5000));
        hanging->Write("GET /stall HTTP/1.1\r\n\r\n");
        pausing.emplace(ConnectTcp("127.0.0.1", server.Port(), 5000));
        pausing->Write("GET /delay/60000 HTTP/1.1\r\n\r\n");
        ASSERT_TRUE(server.WaitForRequests(2, std::chrono::seconds(10)));
    }
    // Stopping waits for neither connection: a server that did would take the pause's 60 s, or for ever for the
    // stall. The bound only separates those, so a loaded machine cannot reach it.
    EXPECT_LT(stopwatch.ElapsedMs(), 30'000);
}

}  // namespace
}  // namespace larkspire
