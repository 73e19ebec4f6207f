#include "tests/support/LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cerrno>
#include <csignal>
#include <optional>
#include <stdexcept>

#include "tests/support/TestCertificate.h"

namespace larkspire::test {
namespace {

// Server sockets wake up this often inside OpenSSL calls, so a stopping server never waits long.
constexpr int ServerSocketTimeoutMs = 200;

SSL_CTX* MakeServerContext(ServerSecurity security)
{
    if (security == ServerSecurity::Plain) return nullptr;
    const bool signedByAuthority = security == ServerSecurity::Tls13SignedByTestAuthority;
    const TestCertificate& certificate =
        signedByAuthority ? CertificateSignedByTestAuthority() : SharedTestCertificate();
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (context == nullptr) throw std::runtime_error("test server: no TLS context");
    const int version = security == ServerSecurity::Tls12Only                        ? TLS1_2_VERSION
                        : security == ServerSecurity::Tls13Only || signedByAuthority ? TLS1_3_VERSION
                                                                                     : TLS1_VERSION;
    const bool modern =
        security == ServerSecurity::Tls12Only || security == ServerSecurity::Tls13Only || signedByAuthority;
    const char* ciphers = modern                                  ? "DEFAULT"
                          : security == ServerSecurity::Tls10Only ? "AES128-SHA:AES256-SHA"
                                                                  : "ECDHE-RSA-AES128-SHA:ECDHE-RSA-AES256-SHA";
    SSL_CTX_set_security_level(context, 0);
    SSL_CTX_set_session_cache_mode(context, SSL_SESS_CACHE_OFF);
    SSL_CTX_set_options(context, SSL_OP_NO_TICKET);
    if (SSL_CTX_set_min_proto_version(context, version) != 1 || SSL_CTX_set_max_proto_version(context, version) != 1 ||
        SSL_CTX_set_cipher_list(context, ciphers) != 1 ||
        SSL_CTX_use_certificate(context, certificate.Certificate) != 1 ||
        SSL_CTX_use_PrivateKey(context, certificate.Key) != 1) {
        SSL_CTX_free(context);
        throw std::runtime_error("test server: TLS context could not be set up");
    }
    return context;
}

// A closed peer makes a TLS write raise SIGPIPE; on the server's own threads it stays blocked and pending.
void BlockSigpipeOnThisThread()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

std::string_view TargetOf(std::string_view requestHead)
{
    const std::size_t start = requestHead.find(' ');
    if (start == std::string_view::npos) return {};
    const std::size_t end = requestHead.find_first_of(" \r\n", start + 1);
    return requestHead.substr(start + 1, end - start - 1);
}

bool IsNumber(std::string_view text)
{
    return !text.empty() && text.size() <= 9 && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// A short text response with that status, kept alive; a redirect leads to "/200".
std::string StatusResponse(int code)
{
    const bool hasBody = code >= 200 && code != 204 && code != 304;
    const std::string body = hasBody ? "status " + std::to_string(code) + "\n" : "";
    std::string head = "HTTP/1.1 " + std::to_string(code) + " Status\r\nContent-Type: text/plain\r\n";
    if (code >= 300 && code <= 399 && code != 304) head += "Location: /200\r\n";
    head += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    return head + body;
}

}  // namespace

Reply& Reply::Send(std::string bytes)
{
    steps_.push_back({StepKind::Send, std::move(bytes), {}});
    return *this;
}

Reply& Reply::Pause(std::chrono::milliseconds duration)
{
    steps_.push_back({StepKind::Pause, {}, duration});
    return *this;
}

Reply& Reply::Close()
{
    steps_.push_back({StepKind::Close, {}, {}});
    return *this;
}

Reply& Reply::Reset()
{
    steps_.push_back({StepKind::Reset, {}, {}});
    return *this;
}

Reply& Reply::Hang()
{
    steps_.push_back({StepKind::Hang, {}, {}});
    return *this;
}

Reply& Reply::Repeat(std::string bytes, std::chrono::milliseconds pause)
{
    steps_.push_back({StepKind::Repeat, std::move(bytes), pause});
    return *this;
}

Reply ReplyForPath(std::string_view target)
{
    if (target == "/stall") return Reply::NeverAnswer();
    if (target == "/drip") {
        return Reply("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n").Repeat("d", std::chrono::milliseconds(200));
    }
    if (target == "/reset") return Reply().Reset();
    constexpr std::string_view DelayPrefix = "/delay/";
    if (target.starts_with(DelayPrefix) && IsNumber(target.substr(DelayPrefix.size()))) {
        const int delay = std::stoi(std::string(target.substr(DelayPrefix.size())));
        return Reply().Pause(std::chrono::milliseconds(delay)).Send(StatusResponse(200));
    }
    if (target.size() == 4 && target[0] == '/' && IsNumber(target.substr(1))) {
        return StatusResponse(std::stoi(std::string(target.substr(1))));
    }
    return StatusResponse(404);
}

// One accepted connection, plain or TLS, whose every wait also ends when the server stops.
class LoopbackServer::Session {
public:
    Session(SocketHandle socket, SSL_CTX* context, int wake)
        : socket_(std::move(socket)), ssl_(context ? SSL_new(context) : nullptr, SSL_free), wake_(wake)
    {
        timeval timeout{0, ServerSocketTimeoutMs * 1000};
        setsockopt(socket_.Get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        setsockopt(socket_.Get(), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
        if (ssl_) SSL_set_fd(ssl_.get(), socket_.Get());
    }

    bool Handshake()
    {
        if (!ssl_) return true;
        for (;;) {
            const int result = SSL_accept(ssl_.get());
            if (result == 1) return true;
            if (!MayRetry(SSL_get_error(ssl_.get(), result))) return false;
        }
    }

    std::string ServerName() const
    {
        const char* name = ssl_ ? SSL_get_servername(ssl_.get(), TLSEXT_NAMETYPE_host_name) : nullptr;
        return name ? name : "";
    }

    // The next request head (up to and including its empty line); nothing once the client closed, the
    // connection failed or the server stops.
    std::optional<std::string> NextRequest()
    {
        for (;;) {
            const std::size_t end = pending_.find("\r\n\r\n");
            if (end != std::string::npos) {
                std::string head = pending_.substr(0, end + 4);
                pending_.erase(0, end + 4);
                return head;
            }
            if (!ReadMore()) return std::nullopt;
        }
    }

    bool Write(std::string_view bytes)
    {
        while (!bytes.empty()) {
            if (ssl_) {
                const int count = SSL_write(ssl_.get(), bytes.data(), static_cast<int>(bytes.size()));
                if (count > 0) {
                    bytes.remove_prefix(static_cast<std::size_t>(count));
                } else if (!MayRetry(SSL_get_error(ssl_.get(), count))) {
                    return false;
                }
            } else {
                const ssize_t count = send(socket_.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
                if (count > 0) {
                    bytes.remove_prefix(static_cast<std::size_t>(count));
                } else if ((errno != EAGAIN && errno != EINTR) || Stopping()) {
                    return false;
                }
            }
        }
        return true;
    }

    // False when the server stops during the pause.
    bool Pause(std::chrono::milliseconds duration) { return !WaitForWake(static_cast<int>(duration.count())); }
    void WaitForStop() { WaitForWake(-1); }

    void Close() { socket_.Close(); }

    void Reset()
    {
        const linger abortive{1, 0};
        setsockopt(socket_.Get(), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        socket_.Close();
    }

private:
    bool Stopping() const { return WaitForWake(0); }

    bool WaitForWake(int milliseconds) const
    {
        pollfd entry{wake_, POLLIN, 0};
        return poll(&entry, 1, milliseconds) > 0;
    }

    // Waits for data from the client; false when the server stops first.
    bool WaitReadable() const
    {
        pollfd entries[2] = {{socket_.Get(), POLLIN, 0}, {wake_, POLLIN, 0}};
        while (poll(entries, 2, -1) < 0) {
        }
        return entries[1].revents == 0;
    }

    // An OpenSSL call that ran into a socket time-out is called again unless the server stops.
    bool MayRetry(int error) const
    {
        if (error == SSL_ERROR_WANT_READ) return WaitReadable();
        return error == SSL_ERROR_WANT_WRITE && !Stopping();
    }

    bool ReadMore()
    {
        char block[16384];
        for (;;) {
            if (ssl_) {
                if (SSL_pending(ssl_.get()) == 0 && !WaitReadable()) return false;
                const int count = SSL_read(ssl_.get(), block, sizeof block);
                if (count > 0) {
                    pending_.append(block, static_cast<std::size_t>(count));
                    return true;
                }
                if (SSL_get_error(ssl_.get(), count) != SSL_ERROR_WANT_READ) return false;
            } else {
                if (!WaitReadable()) return false;
                const ssize_t count = recv(socket_.Get(), block, sizeof block, 0);
                if (count > 0) {
                    pending_.append(block, static_cast<std::size_t>(count));
                    return true;
                }
                if (count == 0 || (errno != EAGAIN && errno != EINTR)) return false;
            }
        }
    }

    SocketHandle socket_;
    std::unique_ptr<SSL, void (*)(SSL*)> ssl_;
    int wake_;
    std::string pending_;
};

LoopbackServer::LoopbackServer(std::vector<ConnectionScript> scripts, ServerSecurity security, ServerAddress address)
    : LoopbackServer(std::move(scripts), false, security, address)
{}

LoopbackServer::LoopbackServer(AnswerByPath, ServerSecurity security)
    : LoopbackServer({}, true, security, ServerAddress::Ipv4)
{}

LoopbackServer::LoopbackServer(std::vector<ConnectionScript> scripts, bool byPath, ServerSecurity security,
                               ServerAddress address)
    : scripts_(std::move(scripts)),
      byPath_(byPath),
      security_(security),
      address_(address),
      tlsContext_(MakeServerContext(security), SSL_CTX_free),
      listener_(
          socket(address == ServerAddress::Ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)),
      wake_(eventfd(0, EFD_CLOEXEC))
{
    sockaddr_storage bound{};
    socklen_t length = 0;
    if (address == ServerAddress::Ipv6) {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(bound);
        v6.sin6_family = AF_INET6;
        v6.sin6_addr = in6addr_loopback;
        length = sizeof v6;
        const int only = 1;
        setsockopt(listener_.Get(), IPPROTO_IPV6, IPV6_V6ONLY, &only, sizeof only);
    } else {
        auto& v4 = reinterpret_cast<sockaddr_in&>(bound);
        v4.sin_family = AF_INET;
        v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        length = sizeof v4;
    }
    if (!listener_.IsOpen() || !wake_.IsOpen() ||
        bind(listener_.Get(), reinterpret_cast<sockaddr*>(&bound), length) != 0 ||
        listen(listener_.Get(), SOMAXCONN) != 0 ||
        getsockname(listener_.Get(), reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        throw std::runtime_error("test server: cannot listen on the loopback address");
    }
    port_ = ntohs(address == ServerAddress::Ipv6 ? reinterpret_cast<sockaddr_in6&>(bound).sin6_port
                                                 : reinterpret_cast<sockaddr_in&>(bound).sin_port);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(wake_.Get(), &one, sizeof one);
    acceptThread_.join();
    std::list<Worker> workers;
    {
        std::lock_guard lock(mutex_);
        workers.swap(workers_);
    }
    for (Worker& worker : workers) worker.Thread.join();
}

std::u16string LoopbackServer::Url(std::u16string_view pathAndQuery) const
{
    const std::string prefix = std::string(security_ == ServerSecurity::Plain ? "http" : "https") +
                               (address_ == ServerAddress::Ipv6 ? "://[::1]:" : "://127.0.0.1:") +
                               std::to_string(port_);
    return std::u16string(prefix.begin(), prefix.end()) + std::u16string(pathAndQuery);
}

std::vector<RecordedRequest> LoopbackServer::Requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<std::string> LoopbackServer::ServerNames() const
{
    std::lock_guard lock(mutex_);
    return serverNames_;
}

std::size_t LoopbackServer::ConnectionCount() const
{
    std::lock_guard lock(mutex_);
    return connections_;
}

bool LoopbackServer::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

bool LoopbackServer::WaitForServerNames(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return serverNames_.size() >= count; });
}

bool LoopbackServer::WaitForEndedConnections(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return endedConnections_ >= count; });
}

void LoopbackServer::AcceptLoop()
{
    for (;;) {
        pollfd entries[2] = {{listener_.Get(), POLLIN, 0}, {wake_.Get(), POLLIN, 0}};
        if (poll(entries, 2, -1) < 0) continue;
        if (entries[1].revents != 0) return;
        SocketHandle socket(accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!socket.IsOpen()) continue;
        std::lock_guard lock(mutex_);
        ReapFinishedWorkers();
        const std::size_t index = connections_++;
        Worker& worker = workers_.emplace_back();
        worker.Thread = std::thread([this, &worker, index, socket = std::move(socket)]() mutable {
            Serve(std::move(socket), index);
            {
                std::lock_guard done(mutex_);
                worker.Done = true;
                ++endedConnections_;
            }
            changed_.notify_all();
        });
    }
}

void LoopbackServer::ReapFinishedWorkers()
{
    for (auto worker = workers_.begin(); worker != workers_.end();) {
        if (!worker->Done) {
            ++worker;
            continue;
        }
        worker->Thread.join();
        worker = workers_.erase(worker);
    }
}

void LoopbackServer::Serve(SocketHandle socket, std::size_t index)
{
    BlockSigpipeOnThisThread();
    if (!byPath_ && index >= scripts_.size()) return;
    Session session(std::move(socket), tlsContext_.get(), wake_.Get());
    if (!session.Handshake()) return;
    if (tlsContext_) {
        {
            std::lock_guard lock(mutex_);
            serverNames_.push_back(session.ServerName());
        }
        changed_.notify_all();
    }
    for (std::size_t request = 0;; ++request) {
        const std::optional<std::string> head = session.NextRequest();
        if (!head) return;
        Record(index, *head);
        if (byPath_) {
            if (!PlayReply(session, ReplyForPath(TargetOf(*head)))) return;
        } else {
            const Reply* reply = ScriptedReply(index, request);
            if (reply == nullptr || !PlayReply(session, *reply)) return;
        }
    }
}

const Reply* LoopbackServer::ScriptedReply(std::size_t connection, std::size_t request) const
{
    const ConnectionScript& script = scripts_.at(connection);
    return request < script.size() ? &script[request] : nullptr;
}

// Plays the steps of one reply; false once the connection has ended.
bool LoopbackServer::PlayReply(Session& session, const Reply& reply)
{
    for (const Reply::Step& step : reply.Steps()) {
        switch (step.Kind) {
        case Reply::StepKind::Send:
            if (!session.Write(step.Bytes)) return false;
            break;
        case Reply::StepKind::Pause:
            if (!session.Pause(step.Duration)) return false;
            break;
        case Reply::StepKind::Close:
            session.Close();
            return false;
        case Reply::StepKind::Reset:
            session.Reset();
            return false;
        case Reply::StepKind::Hang:
            session.WaitForStop();
            return false;
        case Reply::StepKind::Repeat:
            while (session.Write(step.Bytes) && session.Pause(step.Duration)) {
            }
            return false;
        }
    }
    return true;
}

void LoopbackServer::Record(std::size_t connection, std::string request)
{
    {
        std::lock_guard lock(mutex_);
        requests_.push_back({connection, std::move(request)});
    }
    changed_.notify_all();
}

}  // namespace larkspire::test
