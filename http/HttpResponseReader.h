#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "http/HttpHeaders.h"
#include "net/ByteSource.h"

namespace larkspire {

// The status line and header fields of one response.
struct ResponseHead {
    std::u16string StatusLine;
    std::int32_t Code = -1;  // -1 when the status line holds none
    HttpHeaders Headers;     // chunked trailer fields are added here when the body is read
};

// The body of one response as far as it was read.
struct ResponseBody {
    std::string Bytes;       // at most MaxBodyBytes
    bool Truncated = false;  // the body went on past MaxBodyBytes and was not read to its end
};

// Reads responses from one connection. Buffers what it receives, so keep one reader per open connection
// and read every response of that connection through it.
class HttpResponseReader {
public:
    static constexpr std::size_t BlockSize = 32768;
    static constexpr std::size_t MaxLineLength = 16384;
    // The head of one response, interim responses and chunked trailers included, stays within these.
    static constexpr std::size_t MaxHeadBytes = 64 * 1024;
    static constexpr std::size_t MaxHeadLines = 256;
    // Reading stops here: the rest of a longer body is never read, and its connection is not used again.
    static constexpr std::size_t MaxBodyBytes = 8 * 1024 * 1024;
    static constexpr int RedirectBodyWaitMilliseconds = 5000;

    explicit HttpResponseReader(ByteSource& source);

    // Reads the status line and header fields, skipping every interim (1xx) response but 101.
    // TransportError when the connection closes before the status line, a line is too long or the head too
    // large; a close among the header fields ends them. Field values are read as UTF-8.
    ResponseHead ReadHead();

    // Reads the body that follows head by the HTTP/1.1 framing rules (none for 1xx, 204 and 304);
    // a 3xx body is skipped when nothing of it comes within RedirectBodyWaitMilliseconds.
    ResponseBody ReadBody(ResponseHead& head);

    // Whether the server has closed the connection (a graceful close was read, or a reset ended a body).
    bool PeerClosed() const { return peerClosed_; }
    // Whether the connection can carry another request: still open, the last body read to its end and
    // nothing received beyond it.
    bool Reusable() const { return !peerClosed_ && !abandoned_ && start_ == end_; }
    // Marks the start of a request on the connection; HeadStarted then tells whether any byte of its
    // response has arrived.
    void StartExchange() { headStarted_ = start_ < end_; }
    bool HeadStarted() const { return headStarted_; }

private:
    bool FillBuffer();
    std::optional<std::string> ReadLine();
    std::string ReadRequiredLine();
    void ReadHeaderFields(HttpHeaders& headers);
    void CountHeadLine(const std::string& line);
    ResponseHead ReadOneHead();

    bool HasBody(const ResponseHead& head) const;
    bool RedirectBodyArrives();
    void ReadChunkedBody(ResponseHead& head, ResponseBody& body);
    void ReadSizedBody(std::uint64_t length, ResponseBody& body);
    void ReadMultipartBody(const std::string& closingLine, ResponseBody& body);
    void ReadBodyToClose(ResponseBody& body);
    bool ReadExactly(std::uint64_t length, ResponseBody& body);
    bool Keep(const char* data, std::size_t size, ResponseBody& body);

    ByteSource& source_;
    std::unique_ptr<char[]> buffer_;  // BlockSize bytes, not zero-filled: only received bytes are read
    std::size_t start_ = 0;           // unread bytes are buffer_[start_, end_)
    std::size_t end_ = 0;
    bool peerClosed_ = false;
    bool abandoned_ = false;  // a body was left unread
    bool headStarted_ = false;
    std::size_t headBytes_ = 0;  // of the response being read, trailers included
    std::size_t headLines_ = 0;
};

}  // namespace larkspire
