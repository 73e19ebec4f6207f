#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <openssl/types.h>

#include "net/SocketHandle.h"

namespace larkspire::test {

// What a test server speaks on its connections.
enum class ServerSecurity {
    Plain,
    Tls12Only,                   // TLS 1.2 and nothing else
    Tls13Only,                   // TLS 1.3 and nothing else
    Tls10Only,                   // TLS 1.0 with RSA key exchange
    Tls10Ecdhe,                  // TLS 1.0 with ECDHE key exchange
    Tls13SignedByTestAuthority,  // TLS 1.3 with a certificate for 127.0.0.1 that the test authority signed
};

// Where a test server listens.
enum class ServerAddress {
    Ipv4,  // 127.0.0.1
    Ipv6,  // ::1 only
};

// What the server does after reading one request: a sequence of steps run in order. After the last step
// the connection stays open for the next request unless a step ended it.
class Reply {
public:
    enum class StepKind { Send, Pause, Close, Reset, Hang, Repeat };
    struct Step {
        StepKind Kind;
        std::string Bytes;                      // Send, Repeat
        std::chrono::milliseconds Duration{0};  // Pause, Repeat
    };

    Reply() = default;
    // Sends these bytes (a whole response, or the start of one).
    Reply(std::string bytes) { Send(std::move(bytes)); }     // NOLINT: a reply is most often just its bytes
    Reply(const char* bytes) : Reply(std::string(bytes)) {}  // NOLINT

    // Accepts the request and never answers: the connection stays open and silent until the server stops.
    static Reply NeverAnswer() { return Reply().Hang(); }

    Reply& Send(std::string bytes);
    Reply& Pause(std::chrono::milliseconds duration);
    Reply& Close();  // graceful close (FIN)
    Reply& Reset();  // abortive close (RST, SO_LINGER 0)
    Reply& Hang();   // silent until the server stops
    // Sends bytes again and again, a pause between sends, until the client goes or the server stops: with
    // no pause an endless stream, with one an endless drip.
    Reply& Repeat(std::string bytes, std::chrono::milliseconds pause = std::chrono::milliseconds(0));

    const std::vector<Step>& Steps() const { return steps_; }

private:
    std::vector<Step> steps_;
};

// The replies of one connection, one per request read on it, in order. A request beyond them makes the
// server close the connection.
using ConnectionScript = std::vector<Reply>;

// A request head as the server received it, byte for byte, and the accepted connection (0, 1, ...) it came on.
struct RecordedRequest {
    std::size_t Connection;
    std::string Bytes;
};

// Selects the mode in which every request is answered by its path (see ReplyForPath).
struct AnswerByPath {};

// The reply of the AnswerByPath mode for a request target:
//   "/NNN" (three digits): status NNN with a short text body, kept alive; a 3xx other than 304 also
//   carries "Location: /200";
//   "/delay/MS": the 200 reply after a pause of MS milliseconds;
//   "/stall": never answers; "/reset": resets the connection;
//   "/drip": a 200 head, then a body byte every 200 ms for ever;
//   anything else: 404.
Reply ReplyForPath(std::string_view target);

// A scriptable HTTP server on 127.0.0.1 for tests, plain or TLS (self-signed certificate), recording the
// exact bytes of every request head. Every connection is served on its own thread; the destructor stops
// and joins them all, including those that hang or pause.
//
//   LoopbackServer server({{Reply("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")}});
//   ... request server.Url(u"/a") ...
//   EXPECT_EQ(server.Requests().at(0).Bytes, "GET /a HTTP/1.1\r\n...");
class LoopbackServer {
public:
    // The n-th accepted connection plays the n-th script; connections beyond the scripts are closed at once.
    explicit LoopbackServer(std::vector<ConnectionScript> scripts, ServerSecurity security = ServerSecurity::Plain,
                            ServerAddress address = ServerAddress::Ipv4);
    // Answers every request by its path, for as many connections and requests as come.
    explicit LoopbackServer(AnswerByPath, ServerSecurity security = ServerSecurity::Plain);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::uint16_t Port() const { return port_; }
    // "http://127.0.0.1:PORT" ("http://[::1]:PORT" on IPv6, "https://" for a TLS server) followed by
    // pathAndQuery.
    std::u16string Url(std::u16string_view pathAndQuery = u"/") const;

    std::vector<RecordedRequest> Requests() const;
    std::size_t ConnectionCount() const;
    // The server name (SNI) of every completed TLS handshake, in order; empty for a handshake without one.
    std::vector<std::string> ServerNames() const;
    // Waits until at least count requests have been recorded; false when timeout passed first.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;
    // Waits until at least count TLS handshakes have been completed on the server's side (a client's handshake
    // may end before the server has recorded it).
    bool WaitForServerNames(std::size_t count, std::chrono::milliseconds timeout) const;
    // Waits until the server has ended (closed, reset or dropped) at least count connections.
    bool WaitForEndedConnections(std::size_t count, std::chrono::milliseconds timeout) const;

private:
    class Session;
    struct Worker {
        std::thread Thread;
        bool Done = false;  // guarded by mutex_
    };

    LoopbackServer(std::vector<ConnectionScript> scripts, bool byPath, ServerSecurity security, ServerAddress address);
    void AcceptLoop();
    void Serve(SocketHandle socket, std::size_t index);
    bool PlayReply(Session& session, const Reply& reply);
    const Reply* ScriptedReply(std::size_t connection, std::size_t request) const;
    void Record(std::size_t connection, std::string request);
    void ReapFinishedWorkers();

    const std::vector<ConnectionScript> scripts_;
    const bool byPath_;
    const ServerSecurity security_;
    const ServerAddress address_;
    std::unique_ptr<SSL_CTX, void (*)(SSL_CTX*)> tlsContext_;
    SocketHandle listener_;
    SocketHandle wake_;  // an eventfd made readable once to stop every wait
    std::uint16_t port_ = 0;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;  // a request was recorded or a connection ended
    std::vector<RecordedRequest> requests_;
    std::vector<std::string> serverNames_;
    std::size_t connections_ = 0;
    std::size_t endedConnections_ = 0;
    std::list<Worker> workers_;
    std::thread acceptThread_;
};

}  // namespace larkspire::test
