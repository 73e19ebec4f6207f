#include "tests/support/HostLoadServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <algorithm>
#include <ctime>
#include <stdexcept>

namespace larkspire::test {
namespace {

sockaddr_in HostAddress(int host, std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl((127u << 24) | static_cast<std::uint32_t>(host));
    address.sin_port = htons(port);
    return address;
}

// "Sun, 06 Nov 1994 08:49:37 GMT" for now + seconds.
std::string HttpDateAhead(int seconds)
{
    const std::time_t when = std::time(nullptr) + seconds;
    std::tm parts{};
    gmtime_r(&when, &parts);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &parts);
    return text;
}

std::string Response(const std::string& statusLine, const std::string& extraHeader)
{
    return "HTTP/1.1 " + statusLine + "\r\nContent-Length: 2\r\nConnection: close\r\n" + extraHeader + "\r\nok";
}

// The whole-number fields of a target after its first part: "/429/1/3/x" gives {"1", "3", "x"}.
std::vector<std::string> Fields(const std::string& target)
{
    std::vector<std::string> fields;
    std::size_t at = target.find('/', 1);
    while (at != std::string::npos) {
        const std::size_t next = target.find('/', at + 1);
        fields.push_back(target.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1));
        at = next;
    }
    return fields;
}

bool WaitReadable(int descriptor, int wake)
{
    pollfd polls[2] = {{descriptor, POLLIN, 0}, {wake, POLLIN, 0}};
    return ::poll(polls, 2, -1) > 0 && (polls[1].revents & POLLIN) == 0;
}

}  // namespace

HostLoadServer::HostLoadServer(int hosts)
    : hosts_(static_cast<std::size_t>(hosts)), wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    for (int h = 1; h <= hosts; ++h) {
        HostState& state = hosts_[h - 1];
        state.listener = SocketHandle(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in address = HostAddress(h, 0);
        socklen_t length = sizeof address;
        if (!state.listener.IsOpen() ||
            bind(state.listener.Get(), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(state.listener.Get(), 512) != 0 ||
            getsockname(state.listener.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("host load server: cannot listen on 127.0.0." + std::to_string(h));
        }
        state.port = ntohs(address.sin_port);
    }
    for (int h = 1; h <= hosts; ++h) acceptors_.emplace_back([this, h] { AcceptLoop(h); });
}

HostLoadServer::~HostLoadServer()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    underWayChanged_.notify_all();
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wake_.Get(), &one, sizeof one);
    for (auto& thread : acceptors_) thread.join();
    std::vector<std::thread> sessions;
    {
        std::lock_guard lock(mutex_);
        sessions.swap(sessions_);
    }
    for (auto& thread : sessions) thread.join();
}

std::u16string HostLoadServer::Url(int host, const std::string& path) const
{
    const std::string text =
        "http://127.0.0." + std::to_string(host) + ":" + std::to_string(hosts_.at(host - 1).port) + path;
    return std::u16string(text.begin(), text.end());
}

int HostLoadServer::MostAtOnce(int host) const
{
    std::lock_guard lock(mutex_);
    return hosts_.at(host - 1).mostAtOnce;
}

std::vector<std::chrono::steady_clock::time_point> HostLoadServer::Arrivals(const std::string& target) const
{
    std::lock_guard lock(mutex_);
    const auto it = byTarget_.find(target);
    return it == byTarget_.end() ? std::vector<std::chrono::steady_clock::time_point>{} : it->second;
}

std::vector<std::chrono::steady_clock::time_point> HostLoadServer::HostArrivals(int host) const
{
    std::lock_guard lock(mutex_);
    return hosts_.at(host - 1).arrivals;
}

std::size_t HostLoadServer::RequestCount() const
{
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const auto& [target, arrivals] : byTarget_) count += arrivals.size();
    return count;
}

void HostLoadServer::AcceptLoop(int host)
{
    const int listener = hosts_[host - 1].listener.Get();
    while (WaitReadable(listener, wake_.Get())) {
        SocketHandle socket(::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC));
        if (!socket.IsOpen()) continue;
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        sessions_.emplace_back([this, host, socket = std::move(socket)]() mutable { Serve(host, std::move(socket)); });
    }
}

void HostLoadServer::Serve(int host, SocketHandle socket)
{
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (!WaitReadable(socket.Get(), wake_.Get())) return;
        const auto got = ::recv(socket.Get(), buffer, sizeof buffer, 0);
        if (got <= 0) return;
        head.append(buffer, static_cast<std::size_t>(got));
    }
    const std::size_t start = head.find(' ') + 1;
    const std::string target = head.substr(start, head.find(' ', start) - start);
    bool reset = false;
    const std::string answer = Answer(host, target, reset);
    if (reset) {
        const linger abortive{1, 0};
        setsockopt(socket.Get(), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        return;
    }
    [[maybe_unused]] const auto sent = ::send(socket.Get(), answer.data(), answer.size(), MSG_NOSIGNAL);
    ::shutdown(socket.Get(), SHUT_WR);
    // Let the client read to the close before the socket goes.
    while (WaitReadable(socket.Get(), wake_.Get()) && ::recv(socket.Get(), buffer, sizeof buffer, 0) > 0) {
    }
}

void HostLoadServer::HoldAnswersUntilEveryHostHad(int atOnce)
{
    std::lock_guard lock(mutex_);
    holdUntilAtOnce_ = atOnce;
}

void HostLoadServer::WaitForTheHold(std::unique_lock<std::mutex>& lock)
{
    underWayChanged_.notify_all();
    const auto everyHostHadIt = [this] {
        return stopping_ || std::all_of(hosts_.begin(), hosts_.end(), [this](const HostState& state) {
                   return state.mostAtOnce >= holdUntilAtOnce_;
               });
    };
    if (!underWayChanged_.wait_for(lock, std::chrono::seconds(20), everyHostHadIt)) holdUntilAtOnce_ = 0;
    underWayChanged_.notify_all();
}

// Counts the request as under way while it chooses the answer; the count drops before the answer goes.
std::string HostLoadServer::Answer(int host, const std::string& target, bool& reset)
{
    std::size_t seen = 0;
    {
        std::unique_lock lock(mutex_);
        HostState& state = hosts_[host - 1];
        state.mostAtOnce = std::max(state.mostAtOnce, ++state.underWay);
        state.arrivals.push_back(std::chrono::steady_clock::now());
        auto& arrivals = byTarget_[target];
        seen = arrivals.size();
        arrivals.push_back(state.arrivals.back());
        WaitForTheHold(lock);
    }
    // A moment under way, so requests that may overlap do.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const std::vector<std::string> fields = Fields(target);
    const auto times = [&](std::size_t index) { return index < fields.size() ? std::stoul(fields[index]) : 0; };
    std::string answer = Response("200 OK", "");
    if (target.rfind("/429/", 0) == 0 && seen < times(1)) {
        answer = Response("429 Too Many Requests", fields.at(0) == "-" ? "" : "Retry-After: " + fields[0] + "\r\n");
    } else if (target.rfind("/503date/", 0) == 0 && seen < times(1)) {
        answer = Response("503 Service Unavailable", "Retry-After: " + HttpDateAhead(std::stoi(fields[0])) + "\r\n");
    } else if (target.rfind("/reset/", 0) == 0 && seen < times(0)) {
        reset = true;
    }
    std::lock_guard lock(mutex_);
    --hosts_[host - 1].underWay;
    return answer;
}

}  // namespace larkspire::test
