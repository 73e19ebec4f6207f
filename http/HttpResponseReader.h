#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "http/HttpHeaders.h"
#include "net/ByteSource.h"

namespace larkspire {

// The status line and header fields of one response.
struct ResponseHead {
    std::u16string StatusLine;
    std::int32_t Code = -1;  // -1 when the status line holds none
    HttpHeaders Headers;     // chunked trailer fields are added here when the body is read
};

// The body of one response as far as it is kept in memory.
struct ResponseBody {
    std::string Bytes;            // the first MaxKeptBodyBytes bytes of the body
    std::uint64_t ReceivedBytes = 0;  // every body byte that arrived, kept or dropped
};

// Reads responses from one connection. Buffers what it receives, so keep one reader per open connection
// and read every response of that connection through it.
class HttpResponseReader {
public:
    static constexpr std::size_t BlockSize = 32768;
    static constexpr std::size_t MaxLineLength = 16384;
    // A body beyond this is still read to its end by the same framing, but not kept.
    static constexpr std::size_t MaxKeptBodyBytes = 8 * 1024 * 1024;
    static constexpr int RedirectBodyWaitMilliseconds = 5000;

    explicit HttpResponseReader(ByteSource& source);

    // Reads the status line and header fields, skipping any 100 response.
    // TransportError when the connection closes before the status line or a line is too long;
    // a close among the header fields ends them.
    ResponseHead ReadHead();

    // Reads the body that follows head by the HTTP/1.1 framing rules (none for 1xx, 204 and 304);
    // a 3xx body is skipped when nothing of it comes within RedirectBodyWaitMilliseconds.
    ResponseBody ReadBody(ResponseHead& head);

    // Whether the server has closed the connection (a graceful close was read, or a reset ended a body).
    bool PeerClosed() const { return peerClosed_; }

private:
    bool FillBuffer();
    std::optional<std::string> ReadLine();
    std::string ReadRequiredLine();
    void ReadHeaderFields(HttpHeaders& headers);
    ResponseHead ReadOneHead();

    bool HasBody(const ResponseHead& head) const;
    bool RedirectBodyArrives();
    void ReadChunkedBody(ResponseHead& head, ResponseBody& body);
    void ReadSizedBody(std::uint64_t length, ResponseBody& body);
    void ReadMultipartBody(const std::string& closingLine, ResponseBody& body);
    void ReadBodyToClose(ResponseBody& body);
    void ReadExactly(std::uint64_t length, ResponseBody& body);
    void Keep(const char* data, std::size_t size, ResponseBody& body);

    ByteSource& source_;
    std::vector<char> buffer_;
    std::size_t start_ = 0;  // unread bytes are buffer_[start_, end_)
    std::size_t end_ = 0;
    bool peerClosed_ = false;
};

}  // namespace larkspire
