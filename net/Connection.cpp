#include "net/Connection.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "net/NetworkErrors.h"
#include "net/SocketWait.h"
#include "net/TlsLayer.h"

namespace larkspire {
namespace {

std::string SystemMessage(const char* what, int error) { return std::string(what) + ": " + std::strerror(error); }

// The oldest error OpenSSL queued on this thread, as text.
std::string TlsErrorText() {
    const unsigned long code = ERR_get_error();
    if (code == 0) return "no details";
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

void SetSocketTimeouts(int descriptor, std::int32_t milliseconds) {
    timeval timeout{milliseconds / 1000, (milliseconds % 1000) * 1000};
    if (::setsockopt(descriptor, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) != 0 ||
        ::setsockopt(descriptor, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) != 0) {
        throw TransportError(SystemMessage("Socket time-outs could not be set", errno), errno);
    }
}

}  // namespace

void Connection::SslDeleter::operator()(SSL* ssl) const { SSL_free(ssl); }

int Connection::ReadWaitMs() const {
    if (readTimeout_ > 0) return readTimeout_;
    return IsTls() ? socketTimeout_ : -1;
}

void Connection::StartTls(const TlsLayer& layer, const std::string& serverName) {
    SSL_CTX* context = layer.Context();
    ssl_.reset(SSL_new(context));
    if (!ssl_) throw TransportError("A TLS connection could not be created.");
    BIO* input = BIO_new(BIO_s_mem());
    BIO* output = BIO_new(BIO_s_mem());
    if (input == nullptr || output == nullptr) {
        BIO_free(input);
        BIO_free(output);
        ssl_.reset();
        throw TransportError("A TLS connection could not be created.");
    }
    SSL_set_bio(ssl_.get(), input, output);
    tlsInput_ = input;
    tlsOutput_ = output;
    SSL_set_connect_state(ssl_.get());
    // OpenSSL may refuse an IP literal as server name; the handshake goes on without one then.
    SSL_set_tlsext_host_name(ssl_.get(), serverName.c_str());
    ERR_clear_error();

    socketTimeout_ = readTimeout_ > 0 ? readTimeout_ : DefaultTlsSocketTimeoutMs;
    SetSocketTimeouts(socket_.Get(), socketTimeout_);
    Handshake();
}

void Connection::Handshake() {
    for (;;) {
        ERR_clear_error();
        const int result = SSL_do_handshake(ssl_.get());
        const int error = SSL_get_error(ssl_.get(), result);
        const std::string details = result == 1 ? std::string() : TlsErrorText();
        FlushTlsOutput();
        if (result == 1) return;
        if (error != SSL_ERROR_WANT_READ) throw TransportError("TLS handshake failed: " + details);
        if (!WaitForSocket(socket_.Get(), POLLIN, socketTimeout_)) {
            throw TransportError("TLS handshake timed out.", ETIMEDOUT);
        }
        if (!ReceiveForTls()) throw TransportError("The server closed the connection during the TLS handshake.");
    }
}

void Connection::Write(std::string_view bytes) {
    if (bytes.empty()) return;
    if (!IsTls()) {
        SendAll(bytes.data(), bytes.size());
        return;
    }
    ERR_clear_error();
    // A memory buffer takes the whole write at once.
    if (SSL_write(ssl_.get(), bytes.data(), static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX))) <= 0) {
        throw TransportError("TLS write failed: " + TlsErrorText());
    }
    FlushTlsOutput();
}

std::size_t Connection::Read(char* buffer, std::size_t size) {
    if (IsTls()) return ReadTls(buffer, size);
    if (!WaitForSocket(socket_.Get(), POLLIN, ReadWaitMs())) throw ReadTimeoutError();
    return Receive(buffer, size);
}

std::size_t Connection::ReadTls(char* buffer, std::size_t size) {
    for (;;) {
        ERR_clear_error();
        const int count = SSL_read(ssl_.get(), buffer, static_cast<int>(std::min<std::size_t>(size, BlockSize)));
        if (count > 0) return static_cast<std::size_t>(count);
        const int error = SSL_get_error(ssl_.get(), count);
        const std::string details = TlsErrorText();
        FlushTlsOutput();
        if (error == SSL_ERROR_ZERO_RETURN) return 0;
        if (error != SSL_ERROR_WANT_READ) throw TransportError("TLS read failed: " + details);
        if (!WaitForSocket(socket_.Get(), POLLIN, ReadWaitMs())) throw ReadTimeoutError();
        // A close without TLS close_notify still ends the data: servers often skip it.
        if (!ReceiveForTls()) return 0;
    }
}

bool Connection::WaitReadable(int milliseconds) {
    if (IsTls() && (SSL_pending(ssl_.get()) > 0 || BIO_ctrl_pending(tlsInput_) > 0)) return true;
    return WaitForSocket(socket_.Get(), POLLIN, milliseconds);
}

bool Connection::IsClosedByPeer() {
    if (IsTls() && (SSL_pending(ssl_.get()) > 0 || BIO_ctrl_pending(tlsInput_) > 0)) return true;
    return WaitForSocket(socket_.Get(), POLLIN, 0);
}

std::size_t Connection::Receive(char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t count = ::recv(socket_.Get(), buffer, std::min(size, BlockSize), 0);
        if (count >= 0) return static_cast<std::size_t>(count);
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) throw ReadTimeoutError();
        throw TransportError(SystemMessage("Receive failed", errno), errno);
    }
}

// Moves what the server sent into OpenSSL's input; false when the server has closed the connection.
bool Connection::ReceiveForTls() {
    char block[BlockSize];
    const std::size_t count = Receive(block, sizeof block);
    if (count == 0) return false;
    if (BIO_write(tlsInput_, block, static_cast<int>(count)) != static_cast<int>(count)) {
        throw TransportError("TLS input could not be buffered.");
    }
    return true;
}

void Connection::SendAll(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t count = ::send(socket_.Get(), data, size, MSG_NOSIGNAL);
        if (count < 0) {
            if (errno == EINTR) continue;
            throw TransportError(SystemMessage("Send failed", errno), errno);
        }
        data += count;
        size -= static_cast<std::size_t>(count);
    }
}

void Connection::FlushTlsOutput() {
    char block[BlockSize];
    for (;;) {
        const int count = BIO_read(tlsOutput_, block, sizeof block);
        if (count <= 0) return;
        SendAll(block, static_cast<std::size_t>(count));
    }
}

}  // namespace larkspire
