#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "base/LarkspireError.h"

namespace larkspire {

// The final response of a request was not a success. Carries what the server answered.
class ProtocolError : public LarkspireError {
public:
    ProtocolError(std::int32_t code, std::u16string statusLine, std::u16string bodyText)
        : LarkspireError("HTTP/1.1 " + std::to_string(code)),
          code_(code),
          statusLine_(std::move(statusLine)),
          bodyText_(std::move(bodyText)) {}

    // -1 when the status line holds no code.
    std::int32_t Code() const { return code_; }
    const std::u16string& StatusLine() const { return statusLine_; }
    const std::u16string& BodyText() const { return bodyText_; }

private:
    std::int32_t code_;
    std::u16string statusLine_;
    std::u16string bodyText_;
};

// No data arrived within the read time-out.
class ReadTimeoutError : public LarkspireError {
public:
    ReadTimeoutError() : LarkspireError("Read timed out.") {}
};

// The TCP connection was not established within the connect time-out.
class ConnectTimeoutError : public LarkspireError {
public:
    ConnectTimeoutError() : LarkspireError("Connect timed out.") {}
};

// Every other failure of the transport; osErrorCode is 0 when the operating system gave none.
class TransportError : public LarkspireError {
public:
    explicit TransportError(const std::string& message, int osErrorCode = 0)
        : LarkspireError(message), osErrorCode_(osErrorCode) {}

    int OsErrorCode() const { return osErrorCode_; }

private:
    int osErrorCode_;
};

}  // namespace larkspire
