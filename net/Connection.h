#pragma once

#include <openssl/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "net/ByteSource.h"
#include "net/SocketHandle.h"

namespace larkspire {

class TlsLayer;

// One open TCP connection, plain or secured by TLS, as the HTTP transport reads and writes it.
// TLS runs over memory buffers and every byte goes through this class's own socket calls, so the read
// time-out applies to TLS as to plain reads and no write can raise SIGPIPE.
class Connection final : public ByteSource {
public:
    // Data is received in blocks of up to this many bytes.
    static constexpr std::size_t BlockSize = 32768;
    // The socket time-out of a TLS connection whose read time-out is 0 or less.
    static constexpr std::int32_t DefaultTlsSocketTimeoutMs = 30000;

    explicit Connection(SocketHandle socket) : socket_(std::move(socket)) {}

    // Longest wait for the next data; 0 or less means no limit of its own (a TLS connection still gives up
    // after its socket time-out).
    void SetReadTimeout(std::int32_t milliseconds) { readTimeout_ = milliseconds; }

    // Performs the TLS client handshake with the layer's settings, naming serverName by SNI (IP literals
    // too). Sets the socket's receive and send time-outs first; a stalled handshake fails after them.
    // Throws TransportError.
    void StartTls(const TlsLayer& layer, const std::string& serverName);
    bool IsTls() const { return ssl_ != nullptr; }

    // Sends every byte; TransportError on a reset or TLS failure.
    void Write(std::string_view bytes);

    std::size_t Read(char* buffer, std::size_t size) override;
    bool WaitReadable(int milliseconds) override;

    // Whether an idle connection can carry no further request: the server closed or reset it, or sent
    // something nobody asked for.
    bool IsClosedByPeer();

private:
    struct SslDeleter {
        void operator()(SSL* ssl) const;
    };

    int ReadWaitMs() const;
    void Handshake();
    std::size_t ReadTls(char* buffer, std::size_t size);
    std::size_t Receive(char* buffer, std::size_t size);
    bool ReceiveForTls();
    void SendAll(const char* data, std::size_t size);
    void FlushTlsOutput();

    SocketHandle socket_;
    std::int32_t readTimeout_ = -1;
    std::int32_t socketTimeout_ = DefaultTlsSocketTimeoutMs;
    std::unique_ptr<SSL, SslDeleter> ssl_;
    BIO* tlsInput_ = nullptr;   // owned by ssl_: bytes received, for OpenSSL to decrypt
    BIO* tlsOutput_ = nullptr;  // owned by ssl_: bytes OpenSSL produced, to be sent
};

}  // namespace larkspire
