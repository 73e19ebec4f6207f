#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "net/ByteSource.h"
#include "net/NetworkErrors.h"

namespace larkspire {

// A connection played from a script: data that arrives, a stall past the read time-out, a reset, a TLS failure.
// After the last step the server closes the connection gracefully (or, with StallAtEnd, goes silent).
class ScriptedByteSource : public ByteSource {
public:
    // Bytes that arrive; one Read returns at most maxPiece of them and never crosses into the next step.
    ScriptedByteSource& Send(std::string bytes)
    {
        if (!bytes.empty()) steps_.push_back({Kind::Data, std::move(bytes), 0});
        return *this;
    }
    // count bytes of filler, without holding them all in memory.
    ScriptedByteSource& SendFiller(std::uint64_t count, char filler = 'x')
    {
        if (count > 0) steps_.push_back({Kind::Filler, std::string(1, filler), count});
        return *this;
    }
    // Nothing arrives within the read time-out: Read throws ReadTimeoutError, WaitReadable says no.
    ScriptedByteSource& Stall()
    {
        steps_.push_back({Kind::Stall, {}, 0});
        return *this;
    }
    // The server resets the connection: Read throws ConnectionResetError.
    ScriptedByteSource& Reset()
    {
        steps_.push_back({Kind::Reset, {}, 0});
        return *this;
    }
    // The TLS layer fails (a bad record, say): Read throws a TransportError that is not a reset.
    ScriptedByteSource& FailTls()
    {
        steps_.push_back({Kind::TlsFailure, {}, 0});
        return *this;
    }
    ScriptedByteSource& StallAtEnd()
    {
        stallAtEnd_ = true;
        return *this;
    }
    ScriptedByteSource& MaxPiece(std::size_t bytes)
    {
        maxPiece_ = bytes;
        return *this;
    }

    std::size_t Read(char* buffer, std::size_t size) override
    {
        ++readCalls_;
        if (steps_.empty()) {
            if (stallAtEnd_) throw ReadTimeoutError("no answer");
            ++closesReported_;
            return 0;
        }
        Step& step = steps_.front();
        switch (step.What) {
        case Kind::Stall:
            steps_.pop_front();
            throw ReadTimeoutError("no answer");
        case Kind::Reset:
            steps_.pop_front();
            throw ConnectionResetError(104);
        case Kind::TlsFailure:
            steps_.pop_front();
            throw TransportError("TLS read failed: bad record mac");
        case Kind::Filler: {
            const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>({step.Count, size, maxPiece_}));
            std::memset(buffer, step.Bytes[0], count);
            step.Count -= count;
            if (step.Count == 0) steps_.pop_front();
            return count;
        }
        case Kind::Data: {
            const std::size_t count = std::min({step.Bytes.size(), size, maxPiece_});
            std::memcpy(buffer, step.Bytes.data(), count);
            step.Bytes.erase(0, count);
            if (step.Bytes.empty()) steps_.pop_front();
            return count;
        }
        }
        return 0;
    }

    bool WaitReadable(int milliseconds) override
    {
        waits_.push_back(milliseconds);
        if (steps_.empty()) return !stallAtEnd_;
        return steps_.front().What != Kind::Stall;
    }

    std::size_t ReadCalls() const { return readCalls_; }
    std::size_t ClosesReported() const { return closesReported_; }
    const std::vector<int>& Waits() const { return waits_; }
    bool Exhausted() const { return steps_.empty(); }

private:
    enum class Kind { Data, Filler, Stall, Reset, TlsFailure };
    struct Step {
        Kind What;
        std::string Bytes;
        std::uint64_t Count;
    };

    std::deque<Step> steps_;
    std::size_t maxPiece_ = SIZE_MAX;
    bool stallAtEnd_ = false;
    std::size_t readCalls_ = 0;
    std::size_t closesReported_ = 0;
    std::vector<int> waits_;
};

}  // namespace larkspire
