#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "base/LarkspireError.h"

namespace larkspire {

// The final response of a request was not a success. Carries what the server answered.
class ProtocolError : public LarkspireError {
public:
    ProtocolError(std::int32_t code, std::u16string statusLine, std::u16string bodyText, std::u16string retryAfter = {})
        : LarkspireError("HTTP/1.1 " + std::to_string(code)),
          code_(code),
          statusLine_(std::move(statusLine)),
          bodyText_(std::move(bodyText)),
          retryAfter_(std::move(retryAfter))
    {}

    // -1 when the status line holds no code.
    std::int32_t Code() const { return code_; }
    const std::u16string& StatusLine() const { return statusLine_; }
    const std::u16string& BodyText() const { return bodyText_; }
    // The response's Retry-After field as sent; empty when it had none.
    const std::u16string& RetryAfter() const { return retryAfter_; }

private:
    std::int32_t code_;
    std::u16string statusLine_;
    std::u16string bodyText_;
    std::u16string retryAfter_;
};

// The redirect limit was reached: the last redirect response is the outcome, as an HTTP error.
class RedirectLimitError : public ProtocolError {
public:
    RedirectLimitError(std::int32_t code, std::u16string statusLine) : ProtocolError(code, std::move(statusLine), {}) {}
};

// Every failure below carries its reason for the user (net/CheckReasons.h) as its message.

// No data arrived, or no data was taken, within the read time-out.
class ReadTimeoutError : public LarkspireError {
public:
    explicit ReadTimeoutError(const std::string& reason) : LarkspireError(reason) {}
};

// The TCP connection was not established within the connect time-out.
class ConnectTimeoutError : public LarkspireError {
public:
    explicit ConnectTimeoutError(const std::string& reason) : LarkspireError(reason) {}
};

// The whole check ran past its time limit.
class CheckTimeLimitError : public LarkspireError {
public:
    explicit CheckTimeLimitError(const std::string& reason) : LarkspireError(reason) {}
};

// Abort was requested and the check had its grace time: it is cut.
class CheckCutError : public LarkspireError {
public:
    CheckCutError();
};

// Every other failure of the transport; osErrorCode is 0 when the operating system gave none.
class TransportError : public LarkspireError {
public:
    explicit TransportError(const std::string& reason, int osErrorCode = 0)
        : LarkspireError(reason), osErrorCode_(osErrorCode)
    {}

    int OsErrorCode() const { return osErrorCode_; }

private:
    int osErrorCode_;
};

// The peer reset the connection (or it broke while sending): unlike a TLS failure, this may end a body
// that runs to the close.
class ConnectionResetError : public TransportError {
public:
    explicit ConnectionResetError(int osErrorCode);
};

}  // namespace larkspire
