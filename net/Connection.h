#pragma once

#include <openssl/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "net/ByteSource.h"
#include "net/CheckBudget.h"
#include "net/SocketHandle.h"

namespace larkspire {

class TlsLayer;

// One open TCP connection, plain or secured by TLS, as the HTTP transport reads and writes it.
// TLS runs over memory buffers and every byte goes through this class's own non-blocking socket calls, so
// the read time-out and the check's budget bound every read and every write, TLS or plain, and no write can
// raise SIGPIPE.
class Connection final : public ByteSource {
public:
    // Data is received in blocks of up to this many bytes.
    static constexpr std::size_t BlockSize = 32768;
    // The socket time-out of a TLS connection whose read time-out is 0 or less.
    static constexpr std::int32_t DefaultTlsSocketTimeoutMs = 30000;

    // Takes a non-blocking socket (ConnectTcp makes them so).
    explicit Connection(SocketHandle socket);

    // Longest wait for the next data, or for the server to take more of a write; 0 or less means no limit of
    // its own (a TLS connection still gives up after DefaultTlsSocketTimeoutMs).
    void SetReadTimeout(std::int32_t milliseconds) { readTimeout_ = milliseconds; }
    // Every wait also ends when the check must (the budget must outlive the connection's use).
    void SetBudget(const CheckBudget& budget) { budget_ = &budget; }

    // Performs the TLS client handshake with the layer's settings, naming serverName by SNI (IP literals
    // too); a verifying layer also checks that the certificate is for serverName. A handshake that stalls
    // past the read time-out is a ReadTimeoutError; any other failure, a failed verification included, a
    // TransportError whose reason says what was wrong.
    void StartTls(const TlsLayer& layer, const std::string& serverName);
    bool IsTls() const { return ssl_ != nullptr; }

    // Sends every byte; ReadTimeoutError when the server takes nothing for the read time-out, TransportError
    // (ConnectionResetError for a reset) on a failure.
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
    std::string HandshakeFailureText() const;
    std::size_t ReadTls(char* buffer, std::size_t size);
    std::size_t Receive(char* buffer, std::size_t size, int waitMs);
    bool ReceiveForTls();
    void SendAll(const char* data, std::size_t size);
    void FlushTlsOutput();

    SocketHandle socket_;
    std::int32_t readTimeout_ = -1;
    std::int32_t socketTimeout_ = DefaultTlsSocketTimeoutMs;
    const CheckBudget* budget_;
    std::unique_ptr<SSL, SslDeleter> ssl_;
    BIO* tlsInput_ = nullptr;   // owned by ssl_: bytes received, for OpenSSL to decrypt
    BIO* tlsOutput_ = nullptr;  // owned by ssl_: bytes OpenSSL produced, to be sent
};

}  // namespace larkspire
