#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/SocketHandle.h"

namespace larkspire::test {

// An HTTP server on several loopback addresses at once (127.0.0.1, 127.0.0.2, ...), one host each, that
// counts the requests under way on every host. A request counts from its head's arrival until just before its
// answer is sent, so a client that waits for an answer before its next request never sees a count above its
// own. Every connection carries one request and is closed. Targets:
//   "/ok..."                  200
//   "/429/T/N..."             429 with "Retry-After: T" (none when T is "-") for the first N requests, then 200
//   "/503date/T/N..."         503 with Retry-After an HTTP date T seconds ahead for the first N, then 200
//   "/reset/N..."             a reset for the first N requests, then 200
// Counting by the target up to its end ("/429/1/1/a" and "/429/1/1/b" count apart).
class HostLoadServer {
public:
    explicit HostLoadServer(int hosts);
    ~HostLoadServer();
    HostLoadServer(const HostLoadServer&) = delete;
    HostLoadServer& operator=(const HostLoadServer&) = delete;

    // "http://127.0.0.H:PORT" + path, for host 1 ... hosts.
    std::u16string Url(int host, const std::string& path) const;
    // The most requests that were under way at once on host.
    int MostAtOnce(int host) const;
    // When each request for target arrived, in order.
    std::vector<std::chrono::steady_clock::time_point> Arrivals(const std::string& target) const;
    // Every request's arrival on host, in order.
    std::vector<std::chrono::steady_clock::time_point> HostArrivals(int host) const;
    std::size_t RequestCount() const;
    // From now on every request waits, under way, until every host has had atOnce requests under way at once;
    // after that nobody waits. A request that waited in vain for 20 s lets every request go.
    void HoldAnswersUntilEveryHostHad(int atOnce);

private:
    struct HostState {
        SocketHandle listener;
        std::uint16_t port = 0;
        int underWay = 0;
        int mostAtOnce = 0;
        std::vector<std::chrono::steady_clock::time_point> arrivals;
    };

    void AcceptLoop(int host);
    void Serve(int host, SocketHandle socket);
    std::string Answer(int host, const std::string& target, bool& reset);
    // With mutex_ held by lock.
    void WaitForTheHold(std::unique_lock<std::mutex>& lock);

    std::vector<HostState> hosts_;
    SocketHandle wake_;
    mutable std::mutex mutex_;
    std::condition_variable underWayChanged_;
    int holdUntilAtOnce_ = 0;
    std::map<std::string, std::vector<std::chrono::steady_clock::time_point>> byTarget_;
    std::vector<std::thread> acceptors_;
    std::vector<std::thread> sessions_;
    bool stopping_ = false;
};

}  // namespace larkspire::test
