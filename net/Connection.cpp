#include "net/Connection.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "net/CheckReasons.h"
#include "net/NetworkErrors.h"
#include "net/SocketWait.h"
#include "net/TlsLayer.h"

namespace larkspire {
namespace {

// The reason OpenSSL gives for the oldest error it queued on this thread.
std::string TlsErrorText()
{
    const unsigned long code = ERR_get_error();
    if (code == 0) return "no details";
    const char* text = ERR_reason_error_string(code);
    return text != nullptr ? text : "error " + std::to_string(ERR_GET_REASON(code));
}

std::string WithoutBrackets(const std::string& host)
{
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') return host.substr(1, host.size() - 2);
    return host;
}

const CheckBudget& Unlimited()
{
    static const CheckBudget budget;
    return budget;
}

[[noreturn]] void ThrowSocketFailure(const char* what, int error)
{
    if (error == ECONNRESET || error == EPIPE) throw ConnectionResetError(error);
    throw TransportError(reason::SystemFailure(what, error), error);
}

}  // namespace

Connection::Connection(SocketHandle socket) : socket_(std::move(socket)), budget_(&Unlimited()) {}

void Connection::SslDeleter::operator()(SSL* ssl) const { SSL_free(ssl); }

int Connection::ReadWaitMs() const
{
    if (readTimeout_ > 0) return readTimeout_;
    return IsTls() ? socketTimeout_ : -1;
}

void Connection::StartTls(const TlsLayer& layer, const std::string& serverName)
{
    SSL_CTX* context = layer.Context();
    ssl_.reset(SSL_new(context));
    if (!ssl_) throw TransportError(reason::TlsFailed("setup", TlsErrorText()));
    BIO* input = BIO_new(BIO_s_mem());
    BIO* output = BIO_new(BIO_s_mem());
    if (input == nullptr || output == nullptr) {
        BIO_free(input);
        BIO_free(output);
        ssl_.reset();
        throw TransportError(reason::TlsFailed("setup", "no memory buffer"));
    }
    SSL_set_bio(ssl_.get(), input, output);
    tlsInput_ = input;
    tlsOutput_ = output;
    SSL_set_connect_state(ssl_.get());
    // OpenSSL may refuse an IP literal as server name; the handshake goes on without one then.
    SSL_set_tlsext_host_name(ssl_.get(), serverName.c_str());
    // An IP literal is matched against the certificate's addresses, a name against its DNS names.
    const bool verified = layer.Check() == CertificateCheck::Verified;
    if (verified && SSL_set1_host(ssl_.get(), WithoutBrackets(serverName).c_str()) != 1) {
        throw TransportError(reason::TlsFailed("setup", "host name not usable for verification"));
    }
    ERR_clear_error();

    socketTimeout_ = readTimeout_ > 0 ? readTimeout_ : DefaultTlsSocketTimeoutMs;
    Handshake();
}

// OpenSSL's reason, and for a certificate that failed verification what was wrong with it.
std::string Connection::HandshakeFailureText() const
{
    std::string text = TlsErrorText();
    const long verification = SSL_get_verify_result(ssl_.get());
    if (verification != X509_V_OK) text += std::string(" (") + X509_verify_cert_error_string(verification) + ")";
    return text;
}

void Connection::Handshake()
{
    for (;;) {
        ERR_clear_error();
        const int result = SSL_do_handshake(ssl_.get());
        const int error = SSL_get_error(ssl_.get(), result);
        const std::string details = result == 1 ? std::string() : HandshakeFailureText();
        FlushTlsOutput();
        if (result == 1) return;
        if (error != SSL_ERROR_WANT_READ) throw TransportError(reason::TlsFailed("handshake", details));
        if (!ReceiveForTls()) throw TransportError(reason::TlsFailed("handshake", "connection closed"));
    }
}

void Connection::Write(std::string_view bytes)
{
    if (bytes.empty()) return;
    if (!IsTls()) {
        SendAll(bytes.data(), bytes.size());
        return;
    }
    ERR_clear_error();
    // A memory buffer takes the whole write at once.
    if (SSL_write(ssl_.get(), bytes.data(), static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX))) <= 0) {
        throw TransportError(reason::TlsFailed("write", TlsErrorText()));
    }
    FlushTlsOutput();
}

std::size_t Connection::Read(char* buffer, std::size_t size)
{
    if (IsTls()) return ReadTls(buffer, size);
    return Receive(buffer, size, ReadWaitMs());
}

std::size_t Connection::ReadTls(char* buffer, std::size_t size)
{
    for (;;) {
        ERR_clear_error();
        const int count = SSL_read(ssl_.get(), buffer, static_cast<int>(std::min<std::size_t>(size, BlockSize)));
        if (count > 0) return static_cast<std::size_t>(count);
        const int error = SSL_get_error(ssl_.get(), count);
        const std::string details = TlsErrorText();
        FlushTlsOutput();
        if (error == SSL_ERROR_ZERO_RETURN) return 0;
        if (error != SSL_ERROR_WANT_READ) throw TransportError(reason::TlsFailed("read", details));
        // A close without TLS close_notify still ends the data: servers often skip it.
        if (!ReceiveForTls()) return 0;
    }
}

bool Connection::WaitReadable(int milliseconds)
{
    if (IsTls() && (SSL_pending(ssl_.get()) > 0 || BIO_ctrl_pending(tlsInput_) > 0)) return true;
    return budget_->WaitForSocket(socket_.Get(), POLLIN, milliseconds);
}

bool Connection::IsClosedByPeer()
{
    if (IsTls() && (SSL_pending(ssl_.get()) > 0 || BIO_ctrl_pending(tlsInput_) > 0)) return true;
    return WaitForSocket(socket_.Get(), POLLIN, 0);
}

// Receives what has arrived, waiting at most waitMs only when nothing has; 0 once the server has closed the
// connection. The budget is looked at before every call, so data that is always there cannot outrun it.
std::size_t Connection::Receive(char* buffer, std::size_t size, int waitMs)
{
    for (;;) {
        budget_->ThrowIfOver();
        const ssize_t count = ::recv(socket_.Get(), buffer, std::min(size, BlockSize), 0);
        if (count >= 0) return static_cast<std::size_t>(count);
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) ThrowSocketFailure("receive", errno);
        if (!budget_->WaitForSocket(socket_.Get(), POLLIN, waitMs)) throw ReadTimeoutError(reason::NoAnswerFor(waitMs));
    }
}

// Moves what the server sent into OpenSSL's input; false when the server has closed the connection.
bool Connection::ReceiveForTls()
{
    char block[BlockSize];
    const std::size_t count = Receive(block, sizeof block, ReadWaitMs());
    if (count == 0) return false;
    if (BIO_write(tlsInput_, block, static_cast<int>(count)) != static_cast<int>(count)) {
        throw TransportError(reason::TlsFailed("read", "input not buffered"));
    }
    return true;
}

// A server that takes no data for the read time-out is as silent as one that sends none.
void Connection::SendAll(const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t count = ::send(socket_.Get(), data, size, MSG_NOSIGNAL);
        if (count < 0) {
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) ThrowSocketFailure("send", errno);
            const int waitMs = ReadWaitMs();
            if (!budget_->WaitForSocket(socket_.Get(), POLLOUT, waitMs)) {
                throw ReadTimeoutError(reason::NoDataTakenFor(waitMs));
            }
            continue;
        }
        data += count;
        size -= static_cast<std::size_t>(count);
    }
}

void Connection::FlushTlsOutput()
{
    char block[BlockSize];
    for (;;) {
        const int count = BIO_read(tlsOutput_, block, sizeof block);
        if (count <= 0) return;
        SendAll(block, static_cast<std::size_t>(count));
    }
}

}  // namespace larkspire
