#include "http/HttpResponseReader.h"

#include <algorithm>
#include <limits>

#include "base/AsciiText.h"
#include "http/BodyText.h"
#include "net/CheckReasons.h"
#include "net/NetworkErrors.h"

namespace larkspire {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimByteBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The second blank-separated word of the status line, up to any ".", as a decimal integer; else -1.
std::int32_t ParseStatusCode(std::string_view statusLine)
{
    std::string_view rest = statusLine;
    std::string_view word;
    for (int index = 0; index < 2; ++index) {
        while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
        std::size_t end = 0;
        while (end < rest.size() && !IsBlank(rest[end])) ++end;
        word = rest.substr(0, end);
        rest.remove_prefix(end);
    }
    word = word.substr(0, word.find('.'));
    bool negative = false;
    if (!word.empty() && (word.front() == '-' || word.front() == '+')) {
        negative = word.front() == '-';
        word.remove_prefix(1);
    }
    if (word.empty()) return -1;
    std::int64_t value = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<std::int32_t>::max()) return -1;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

// A chunk-size line: text after ";" ignored, trimmed, hexadecimal; anything else counts as 0.
std::uint64_t ParseChunkSize(std::string_view line)
{
    const std::string_view digits = TrimByteBlanks(line.substr(0, line.find(';')));
    std::uint64_t size = 0;
    for (char c : digits) {
        int digit = 0;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return 0;
        // A size this large cannot be sent anyway; saturate rather than wrap.
        size = size > (std::numeric_limits<std::uint64_t>::max() >> 4) ? std::numeric_limits<std::uint64_t>::max()
                                                                       : size * 16 + digit;
    }
    return size;
}

std::optional<std::uint64_t> ParseContentLength(const std::optional<std::u16string>& field)
{
    if (!field) return std::nullopt;
    const std::u16string_view text = TrimBlanks(*field);
    if (text.empty() || text.size() > 18) return std::nullopt;
    std::uint64_t length = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        length = length * 10 + (c - u'0');
    }
    return length;
}

bool IsChunked(const HttpHeaders& headers)
{
    for (const std::u16string& value : headers.Values(u"Transfer-Encoding")) {
        if (AsciiLower(value).find(u"chunked") != std::u16string::npos) return true;
    }
    return false;
}

// The "--boundary--" line that closes a multipart body, or nothing when the type is not multipart
// or names no boundary.
std::optional<std::string> MultipartClosingLine(const std::u16string& contentType)
{
    const std::u16string lower = AsciiLower(contentType);
    if (!TrimBlanks(lower).starts_with(u"multipart/")) return std::nullopt;
    std::size_t parameter = lower.find(u';');
    while (parameter != std::u16string::npos) {
        const std::size_t next = lower.find(u';', parameter + 1);
        const std::u16string_view entry = std::u16string_view(contentType).substr(parameter + 1, next - parameter - 1);
        const std::size_t equals = entry.find(u'=');
        if (equals != std::u16string_view::npos &&
            EqualsIgnoringAsciiCase(TrimBlanks(entry.substr(0, equals)), u"boundary")) {
            std::u16string_view boundary = TrimBlanks(entry.substr(equals + 1));
            if (boundary.size() >= 2 && boundary.front() == u'"' && boundary.back() == u'"') {
                boundary = boundary.substr(1, boundary.size() - 2);
            }
            if (boundary.empty()) return std::nullopt;
            return "--" + ToAsciiBytes(boundary) + "--";
        }
        parameter = next;
    }
    return std::nullopt;
}

bool IsRedirect(std::int32_t code) { return code >= 300 && code <= 399; }

// An interim response announces the final one on the same connection; 101 alone ends the exchange.
bool IsSkippedInterim(std::int32_t code) { return code >= 100 && code <= 199 && code != 101; }

}  // namespace

HttpResponseReader::HttpResponseReader(ByteSource& source)
    : source_(source), buffer_(std::make_unique_for_overwrite<char[]>(BlockSize))
{}

// Receives one block into the empty buffer; false once the server has closed the connection.
bool HttpResponseReader::FillBuffer()
{
    if (peerClosed_) return false;
    const std::size_t received = source_.Read(buffer_.get(), BlockSize);
    if (received == 0) {
        peerClosed_ = true;
        return false;
    }
    start_ = 0;
    end_ = received;
    headStarted_ = true;
    return true;
}

// One line without its LF and a CR before it; a close ends a partial line, and nothing when no byte came.
std::optional<std::string> HttpResponseReader::ReadLine()
{
    std::string line;
    bool sawAnyByte = false;
    for (;;) {
        if (start_ == end_ && !FillBuffer()) break;
        sawAnyByte = true;
        const char* begin = buffer_.get() + start_;
        const char* end = buffer_.get() + end_;
        const char* newline = std::find(begin, end, '\n');
        line.append(begin, newline);
        start_ = static_cast<std::size_t>(newline - buffer_.get());
        if (newline != end) {
            ++start_;
            break;
        }
        // One more byte may still be the CR of the line end.
        if (line.size() > MaxLineLength + 1) throw TransportError(reason::LineTooLong);
    }
    if (!sawAnyByte) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > MaxLineLength) throw TransportError(reason::LineTooLong);
    return line;
}

std::string HttpResponseReader::ReadRequiredLine()
{
    std::optional<std::string> line = ReadLine();
    if (!line) throw TransportError(reason::ClosedInsideBody);
    return std::move(*line);
}

// Lines are at most MaxLineLength each, so the head stays bounded in memory as in time.
void HttpResponseReader::CountHeadLine(const std::string& line)
{
    headBytes_ += line.size() + 2;
    if (headBytes_ > MaxHeadBytes) throw TransportError(reason::HeaderTooLarge);
}

// Fields up to the first empty line; a close ends them. Lines beginning with a blank continue the last field.
void HttpResponseReader::ReadHeaderFields(HttpHeaders& headers)
{
    for (;;) {
        const std::optional<std::string> line = ReadLine();
        if (!line) return;
        CountHeadLine(*line);
        if (line->empty()) return;
        if (++headLines_ > MaxHeadLines) throw TransportError(reason::HeaderTooLarge);
        if (IsBlank(line->front()) && !headers.Fields().empty()) {
            headers.AppendToLast(DecodeUtf8(TrimByteBlanks(*line)));
            continue;
        }
        const std::size_t colon = line->find(':');
        if (colon == std::string::npos) continue;
        const std::string_view text = *line;
        headers.Add(FromAsciiBytes(TrimByteBlanks(text.substr(0, colon))),
                    DecodeUtf8(TrimByteBlanks(text.substr(colon + 1))));
    }
}

ResponseHead HttpResponseReader::ReadOneHead()
{
    const std::optional<std::string> statusLine = ReadLine();
    if (!statusLine) throw TransportError(reason::ClosedBeforeAnswer);
    CountHeadLine(*statusLine);
    ResponseHead head;
    head.StatusLine = FromAsciiBytes(*statusLine);
    head.Code = ParseStatusCode(*statusLine);
    ReadHeaderFields(head.Headers);
    return head;
}

ResponseHead HttpResponseReader::ReadHead()
{
    headBytes_ = 0;
    headLines_ = 0;
    for (;;) {
        ResponseHead head = ReadOneHead();
        if (!IsSkippedInterim(head.Code)) return head;
    }
}

bool HttpResponseReader::HasBody(const ResponseHead& head) const
{
    return !(head.Code >= 100 && head.Code <= 199) && head.Code != 204 && head.Code != 304;
}

// A redirect's body is waited for only briefly: servers often announce one and never send it.
bool HttpResponseReader::RedirectBodyArrives()
{
    if (start_ < end_) return true;
    if (peerClosed_ || !source_.WaitReadable(RedirectBodyWaitMilliseconds)) return false;
    return FillBuffer();
}

ResponseBody HttpResponseReader::ReadBody(ResponseHead& head)
{
    ResponseBody body;
    if (!HasBody(head)) return body;
    const bool chunked = IsChunked(head.Headers);
    const std::optional<std::uint64_t> length =
        chunked ? std::nullopt : ParseContentLength(head.Headers.Find(u"Content-Length"));
    if (length == 0u) return body;
    if (IsRedirect(head.Code) && !RedirectBodyArrives()) return body;

    if (chunked) {
        ReadChunkedBody(head, body);
    } else if (length) {
        ReadSizedBody(*length, body);
    } else if (const auto closingLine = MultipartClosingLine(head.Headers.Value(u"Content-Type"))) {
        ReadMultipartBody(*closingLine, body);
    } else {
        ReadBodyToClose(body);
    }
    return body;
}

void HttpResponseReader::ReadChunkedBody(ResponseHead& head, ResponseBody& body)
{
    for (;;) {
        const std::uint64_t size = ParseChunkSize(ReadRequiredLine());
        if (size == 0) break;
        if (!ReadExactly(size, body)) return;
        ReadRequiredLine();
    }
    ReadHeaderFields(head.Headers);
}

// A close before the declared length ends the body there; a reset is the source's TransportError.
void HttpResponseReader::ReadSizedBody(std::uint64_t length, ResponseBody& body)
{
    body.Bytes.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(length, MaxBodyBytes)));
    while (length > 0) {
        if (start_ == end_ && !FillBuffer()) return;
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(length, end_ - start_));
        if (!Keep(buffer_.get() + start_, count, body)) return;
        start_ += count;
        length -= count;
    }
}

// False when the body bound stopped it.
bool HttpResponseReader::ReadExactly(std::uint64_t length, ResponseBody& body)
{
    while (length > 0) {
        if (start_ == end_ && !FillBuffer()) throw TransportError(reason::ClosedInsideBody);
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(length, end_ - start_));
        if (!Keep(buffer_.get() + start_, count, body)) return false;
        start_ += count;
        length -= count;
    }
    return true;
}

// Runs to the line that closes the multipart body, or to the close of the connection. Body lines may be
// of any length: only the start of each line is looked at.
void HttpResponseReader::ReadMultipartBody(const std::string& closingLine, ResponseBody& body)
{
    const std::size_t lineStartKept = closingLine.size() + 64;  // room for a CR and transport padding
    std::string lineStart;
    bool lineTooLong = false;
    for (;;) {
        if (start_ == end_ && !FillBuffer()) return;
        for (std::size_t i = start_; i < end_; ++i) {
            const char c = buffer_[i];
            if (c != '\n') {
                if (lineStart.size() < lineStartKept)
                    lineStart += c;
                else
                    lineTooLong = true;
                continue;
            }
            const bool closing =
                !lineTooLong && lineStart.substr(0, lineStart.find_last_not_of("\r \t") + 1) == closingLine;
            lineStart.clear();
            lineTooLong = false;
            if (closing) {
                if (Keep(buffer_.get() + start_, i + 1 - start_, body)) start_ = i + 1;
                return;
            }
        }
        if (!Keep(buffer_.get() + start_, end_ - start_, body)) return;
        start_ = end_;
    }
}

// A close or a reset ends a body that runs to the close of the connection; a stall is still a time-out, and
// a TLS failure still a failure.
void HttpResponseReader::ReadBodyToClose(ResponseBody& body)
{
    try {
        for (;;) {
            if (start_ == end_ && !FillBuffer()) return;
            if (!Keep(buffer_.get() + start_, end_ - start_, body)) return;
            start_ = end_;
        }
    } catch (const ConnectionResetError&) {
        peerClosed_ = true;
    }
}

// Adds body bytes up to the bound; false, with the body marked truncated, once more came than it holds.
bool HttpResponseReader::Keep(const char* data, std::size_t size, ResponseBody& body)
{
    const std::size_t room = MaxBodyBytes - body.Bytes.size();
    body.Bytes.append(data, std::min(size, room));
    if (size <= room) return true;
    body.Truncated = true;
    abandoned_ = true;
    return false;
}

}  // namespace larkspire
