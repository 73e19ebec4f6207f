// One URL check against a server that never stops sending: a header flood, then an endless body.
// Prints each outcome, how long the check took and the process's peak resident memory after it; both
// checks end on their own bounds (the head bound, the 8 MiB body bound), so the peak stays small.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "PeakMemory.h"
#include "http/UrlChecker.h"

namespace {

// Accepts one connection on 127.0.0.1, reads the request head, sends head once and then filler until the
// client goes.
class FloodServer {
public:
    FloodServer(std::string head, std::string filler) : listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 1);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this, head = std::move(head), filler = std::move(filler)] { Serve(head, filler); });
    }
    ~FloodServer()
    {
        thread_.join();
        ::close(listener_);
    }

    std::u16string Url() const
    {
        const std::string url = "http://127.0.0.1:" + std::to_string(port_) + "/flood";
        return std::u16string(url.begin(), url.end());
    }

private:
    void Serve(const std::string& head, const std::string& filler) const
    {
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        std::string request;
        char block[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const ssize_t count = ::recv(client, block, sizeof block, 0);
            if (count <= 0) break;
            request.append(block, static_cast<std::size_t>(count));
        }
        bool open = ::send(client, head.data(), head.size(), MSG_NOSIGNAL) >= 0;
        while (open) open = ::send(client, filler.data(), filler.size(), MSG_NOSIGNAL) >= 0;
        ::close(client);
    }

    int listener_;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

std::string Narrow(const std::u16string& text)
{
    std::string bytes;
    for (const char16_t c : text) bytes += c < 0x80 ? static_cast<char>(c) : '?';
    return bytes;
}

void Run(const char* name, std::string head, std::string filler)
{
    FloodServer server(std::move(head), std::move(filler));
    const std::atomic<bool> noAbort{false};
    const auto start = std::chrono::steady_clock::now();
    const larkspire::CheckOutcome outcome = larkspire::CheckUrlStatus(server.Url(), 10, noAbort);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    std::printf("%-16s %-10s %-28s %6lld ms  peak RSS %.1f MB\n", name, Narrow(outcome.status).c_str(),
                Narrow(outcome.reason).c_str(), static_cast<long long>(ms.count()), PeakResidentMegabytes());
}

}  // namespace

int main()
{
    std::printf("start            peak RSS %.1f MB\n", PeakResidentMegabytes());
    Run("header flood", "HTTP/1.1 200 OK\r\n", "Set-Cookie: flood=" + std::string(100, 'c') + "\r\n");
    Run("endless stream", "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n", std::string(65536, 's'));
    return 0;
}
