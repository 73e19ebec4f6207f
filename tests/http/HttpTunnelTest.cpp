#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <thread>

#include "http/UrlChecker.h"
#include "net/SocketHandle.h"
#include "net/TcpConnect.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/RequestBytes.h"

namespace larkspire {
namespace {

using test::LoopbackServer;
using test::ServerSecurity;

// A one-connection proxy that answers CONNECT with 200 and then relays bytes between the client and a
// target port on 127.0.0.1, whatever CONNECT asked for. Keeps the CONNECT head it received.
class TunnelProxy {
public:
    explicit TunnelProxy(std::uint16_t targetPort) : listener_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(listener_.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener_.Get(), 1) != 0 ||
            getsockname(listener_.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("tunnel proxy: cannot listen");
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this, targetPort] { Serve(targetPort); });
    }
    ~TunnelProxy() { thread_.join(); }

    std::uint16_t Port() const { return port_; }
    // Read only after the client is done: the relay has ended by then or ends on its time-out.
    const std::string& ConnectHead() const { return connectHead_; }

private:
    static constexpr int IdleLimitMs = 10000;

    void Serve(std::uint16_t targetPort)
    {
        pollfd waiting{listener_.Get(), POLLIN, 0};
        if (poll(&waiting, 1, IdleLimitMs) <= 0) return;
        SocketHandle client(accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        char byte;
        while (connectHead_.find("\r\n\r\n") == std::string::npos && recv(client.Get(), &byte, 1, 0) == 1) {
            connectHead_ += byte;
        }
        const std::string established = "HTTP/1.1 200 Connection established\r\n\r\n";
        send(client.Get(), established.data(), established.size(), MSG_NOSIGNAL);
        SocketHandle target = ConnectTcp("127.0.0.1", targetPort, 5000);
        Relay(client.Get(), target.Get());
    }

    static void Relay(int first, int second)
    {
        pollfd ends[2] = {{first, POLLIN, 0}, {second, POLLIN, 0}};
        char block[16384];
        while (poll(ends, 2, IdleLimitMs) > 0) {
            for (int side = 0; side < 2; ++side) {
                if (ends[side].revents == 0) continue;
                const ssize_t count = recv(ends[side].fd, block, sizeof block, 0);
                if (count <= 0) return;
                if (send(ends[1 - side].fd, block, static_cast<std::size_t>(count), MSG_NOSIGNAL) != count) return;
            }
        }
    }

    SocketHandle listener_;
    std::uint16_t port_ = 0;
    std::string connectHead_;
    std::thread thread_;
};

TEST(HttpTunnelTest, HttpsThroughAProxyRunsTlsInsideTheTunnel)
{
    LoopbackServer secure({{test::Response("HTTP/1.1 200 OK", "", "tunnelled")}}, ServerSecurity::Tls12Only);
    std::u16string status;
    std::u16string content;
    {
        TunnelProxy proxy(secure.Port());
        const std::string port = std::to_string(proxy.Port());
        const ProxyParams proxyParams{u"127.0.0.1", std::u16string(port.begin(), port.end()), u"user", u"pw"};
        UrlChecker(5, false).GetPage(u"https://site.invalid:8443/inside", {}, {}, proxyParams, status, content);
        EXPECT_EQ(proxy.ConnectHead(),
                  "CONNECT site.invalid:8443 HTTP/1.1\r\nPragma: no-cache\r\nProxy-Connection: keep-alive\r\n"
                  "Host: site.invalid:8443\r\n"
                  "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
                  "Proxy-Authorization: Basic dXNlcjpwdw==\r\n\r\n");
    }
    EXPECT_EQ(status, u"Completed");
    EXPECT_EQ(content, u"tunnelled");
    EXPECT_EQ(secure.ServerNames(), std::vector<std::string>{"site.invalid"});
    // The proxy's credentials are for the proxy: the server at the end of the tunnel never sees them.
    EXPECT_EQ(secure.Requests().at(0).Bytes, test::ExpectedGet("/inside", "site.invalid:8443"));
}

}  // namespace
}  // namespace larkspire
