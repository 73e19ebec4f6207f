#include <gtest/gtest.h>

#include <functional>

#include "base/AsciiText.h"
#include "http/HttpResponseReader.h"
#include "net/NetworkErrors.h"
#include "tests/http/ScriptedByteSource.h"

namespace larkspire {
namespace {

// One connection and the reader over it.
class ResponseReading : public testing::Test {
protected:
    ResponseHead ReadHead() { return reader.ReadHead(); }

    // Head and body of the next response.
    std::pair<ResponseHead, ResponseBody> ReadResponse()
    {
        ResponseHead head = reader.ReadHead();
        ResponseBody body = reader.ReadBody(head);
        return {std::move(head), std::move(body)};
    }

    ScriptedByteSource source;
    HttpResponseReader reader{source};
};

struct StatusCase {
    const char* Name;
    std::string Line;
    std::int32_t Code;
};

void PrintTo(const StatusCase& param, std::ostream* out) { *out << param.Name << " \"" << param.Line << '"'; }

class StatusLineCode : public testing::TestWithParam<StatusCase> {};

TEST_P(StatusLineCode, IsTheSecondWordUpToAnyDot)
{
    ScriptedByteSource source;
    source.Send(GetParam().Line + "\r\n\r\n");
    HttpResponseReader reader(source);
    EXPECT_EQ(reader.ReadHead().Code, GetParam().Code);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, StatusLineCode,
    testing::Values(StatusCase{"Ok", "HTTP/1.1 200 OK", 200}, StatusCase{"DecimalCode", "HTTP/1.1 200.0 OK", 200},
                    StatusCase{"NoReason", "HTTP/1.0 404", 404},
                    StatusCase{"ExtraSpaces", "HTTP/1.1   503   Busy", 503},
                    StatusCase{"NegativeCode", "HTTP/1.1 -5 Odd", -5}, StatusCase{"NoCode", "HTTP/1.1 OK", -1},
                    StatusCase{"VersionOnly", "HTTP/1.1", -1}, StatusCase{"NotAStatusLine", "<html><body>", -1},
                    StatusCase{"EmptyLine", "", -1}, StatusCase{"DotFirst", "HTTP/1.1 .5", -1},
                    StatusCase{"LetterInCode", "HTTP/1.1 2x0", -1},
                    StatusCase{"CodeTooLarge", "HTTP/1.1 99999999999", -1},
                    StatusCase{"SwitchingProtocols", "HTTP/1.1 101 Switching", 101}),
    [](const testing::TestParamInfo<StatusCase>& info) { return std::string(info.param.Name); });

TEST_F(ResponseReading, SkipsEveryInterimResponseBut101)
{
    source.Send("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early Hints\r\nX: 1\r\n\r\nHTTP/1.1 102 Processing\r\n\r\n"
                "HTTP/1.1 101 Switching\r\nUpgrade: x\r\n\r\n");
    auto [head, body] = ReadResponse();
    EXPECT_EQ(head.Code, 101);
    EXPECT_EQ(head.Headers.Value(u"Upgrade"), u"x");
    EXPECT_FALSE(head.Headers.Find(u"X"));
    EXPECT_TRUE(body.Bytes.empty());
    EXPECT_FALSE(reader.PeerClosed()) << "a 1xx response has no body, so nothing more may be read";
}

TEST_F(ResponseReading, CloseBeforeTheStatusLineIsATransportError)
{
    EXPECT_THROW(ReadHead(), TransportError);
    EXPECT_TRUE(reader.PeerClosed());
}

TEST_F(ResponseReading, CloseAmongTheHeadersEndsThem)
{
    source.Send("HTTP/1.1 302 Found\r\nLocation: /next\r\nSet-Cookie: a=1\r\nX-Cut: par");
    auto [head, body] = ReadResponse();
    EXPECT_EQ(head.Code, 302);
    EXPECT_EQ(head.Headers.Value(u"location"), u"/next");
    EXPECT_EQ(head.Headers.Value(u"X-Cut"), u"par");
    EXPECT_TRUE(body.Bytes.empty());
    EXPECT_TRUE(reader.PeerClosed());
}

TEST_F(ResponseReading, StatusLineWithoutLineEndBeforeCloseIsStillRead)
{
    source.Send("HTTP/1.1 404 Not Found");
    EXPECT_EQ(ReadHead().Code, 404);
}

TEST_F(ResponseReading, KeepsSetCookieFieldsInOrderAndMatchesNamesWithoutCase)
{
    source.Send(
        "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nSET-COOKIE: b=2\r\nset-cookie: c=3\r\nContent-Length: 0\r\n\r\n");
    const ResponseHead head = ReadHead();
    EXPECT_EQ(head.Headers.Values(u"Set-Cookie"), (std::vector<std::u16string>{u"a=1", u"b=2", u"c=3"}));
    EXPECT_EQ(head.Headers.Value(u"CONTENT-LENGTH"), u"0");
    EXPECT_EQ(head.Headers.Value(u"Missing"), u"");
}

// A Location written in UTF-8 keeps its characters, so the request for it can encode them; bytes that are
// not UTF-8 read as replacement characters.
TEST_F(ResponseReading, FieldValuesReadAsUtf8)
{
    source.Send("HTTP/1.1 301 Moved\r\nLocation: /caf\xC3\xA9\r\nX-Odd: a\xE9z\r\n\r\n");
    const ResponseHead head = ReadHead();
    EXPECT_EQ(head.Headers.Value(u"Location"), u"/caf\u00E9");
    EXPECT_EQ(head.Headers.Value(u"X-Odd"), u"a\uFFFDz");
}

TEST_F(ResponseReading, AStallWhileReadingTheHeadIsAReadTimeout)
{
    source.Send("HTTP/1.1 200 OK\r\nContent-Le").Stall();
    EXPECT_THROW(ReadHead(), ReadTimeoutError);
}

TEST_F(ResponseReading, AResetWhileReadingTheHeadIsATransportError)
{
    source.Send("HTTP/1.1 200 OK\r\n").Reset();
    EXPECT_THROW(ReadHead(), TransportError);
}

// Lines of exactly the limit pass; one byte more fails, wherever the line is.
TEST(ResponseLineLimit, Is16384BytesBeforeTheLineEnd)
{
    const std::string longest(HttpResponseReader::MaxLineLength - std::string("X: ").size(), 'v');
    const std::string tooLong = longest + "v";
    struct Case {
        std::string Reply;
        bool Fails;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 OK\r\nX: " + longest + "\r\nContent-Length: 0\r\n\r\n", false},
        {"HTTP/1.1 200 OK\r\nX: " + longest + "\nContent-Length: 0\r\n\r\n", false},
        {"HTTP/1.1 200 OK\r\nX: " + tooLong + "\r\nContent-Length: 0\r\n\r\n", true},
        {"HTTP/1.1 200 " + std::string(HttpResponseReader::MaxLineLength, 'r') + "\r\n\r\n", true},
        {"HTTP/1.1 200 OK\r\nX: " + tooLong, true},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1;" + std::string(20000, ' ') + "\r\n", true},
    };
    for (const Case& c : cases) {
        for (const std::size_t piece : {SIZE_MAX, std::size_t{7}}) {
            ScriptedByteSource source;
            source.Send(c.Reply).MaxPiece(piece);
            HttpResponseReader reader(source);
            const auto read = [&] {
                ResponseHead head = reader.ReadHead();
                reader.ReadBody(head);
                return head;
            };
            if (c.Fails) {
                EXPECT_THROW(read(), TransportError) << c.Reply.size() << " bytes, piece " << piece;
            } else {
                EXPECT_EQ(read().Headers.Value(u"X").size(), longest.size());
            }
        }
    }
}

TEST_F(ResponseReading, ChunkedBodyClosedInsideAChunkIsATransportError)
{
    source.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nonly eight");
    ResponseHead head = ReadHead();
    EXPECT_THROW(reader.ReadBody(head), TransportError);
}

TEST_F(ResponseReading, ChunkedBodyClosedBetweenChunksIsATransportError)
{
    source.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n");
    ResponseHead head = ReadHead();
    EXPECT_THROW(reader.ReadBody(head), TransportError);
}

TEST_F(ResponseReading, ChunkedBodyClosedAmongTheTrailersEndsThem)
{
    source.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\nX-T: 1\r\n");
    auto [head, body] = ReadResponse();
    EXPECT_EQ(body.Bytes, "abc");
    EXPECT_EQ(head.Headers.Value(u"X-T"), u"1");
}

TEST_F(ResponseReading, ChunkedTakesPrecedenceOverContentLength)
{
    source.Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nabcd\r\n0\r\n\r\n");
    EXPECT_EQ(ReadResponse().second.Bytes, "abcd");
    EXPECT_FALSE(reader.PeerClosed());
}

TEST_F(ResponseReading, ContentLengthClosedEarlyEndsTheBodyWithoutError)
{
    source.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n").SendFiller(50);
    const ResponseBody body = ReadResponse().second;
    EXPECT_EQ(body.Bytes, std::string(50, 'x'));
    EXPECT_TRUE(reader.PeerClosed());
}

TEST_F(ResponseReading, ContentLengthStalledAfterPartOfTheBodyIsAReadTimeout)
{
    source.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n").SendFiller(50).StallAtEnd();
    ResponseHead head = ReadHead();
    EXPECT_THROW(reader.ReadBody(head), ReadTimeoutError);
}

TEST_F(ResponseReading, ContentLengthResetIsATransportError)
{
    source.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n").SendFiller(50).Reset();
    ResponseHead head = ReadHead();
    EXPECT_THROW(reader.ReadBody(head), TransportError);
}

TEST_F(ResponseReading, ContentLengthThatIsNotANumberLeavesTheBodyToTheClose)
{
    source.Send("HTTP/1.1 200 OK\r\nContent-Length: 12abc\r\n\r\nall of it until close");
    EXPECT_EQ(ReadResponse().second.Bytes, "all of it until close");
}

TEST_F(ResponseReading, BodyToCloseEndsAtACloseOrAReset)
{
    source.Send("HTTP/1.1 500 Oops\r\n\r\npart one, ").Send("part two").Reset();
    const ResponseBody body = ReadResponse().second;
    EXPECT_EQ(body.Bytes, "part one, part two");
    EXPECT_TRUE(reader.PeerClosed());
}

TEST_F(ResponseReading, BodyToCloseThatStallsIsAReadTimeout)
{
    source.Send("HTTP/1.1 200 OK\r\n\r\nsome").Stall();
    ResponseHead head = ReadHead();
    EXPECT_THROW(reader.ReadBody(head), ReadTimeoutError);
}

TEST_F(ResponseReading, MultipartWithoutClosingBoundaryRunsToTheClose)
{
    source.Send("HTTP/1.1 200 OK\r\nContent-Type: Multipart/Form-Data; Boundary=b\r\n\r\n--b\r\nx\r\n--b-- no\r\n");
    EXPECT_EQ(ReadResponse().second.Bytes, "--b\r\nx\r\n--b-- no\r\n");
}

TEST_F(ResponseReading, MultipartBodyLinesMayBeLongerThanTheLineLimit)
{
    const std::string part(3 * HttpResponseReader::MaxLineLength, 'p');
    source.Send("HTTP/1.1 200 OK\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n" + part + "\r\n--b--\r\nleft");
    EXPECT_EQ(ReadResponse().second.Bytes, part + "\r\n--b--\r\n");
    EXPECT_FALSE(reader.PeerClosed());
}

TEST_F(ResponseReading, NoBodyIsReadFor204And304AndContentLengthZero)
{
    source.Send("HTTP/1.1 204 No Content\r\n\r\n")
        .Send("HTTP/1.1 304 Not Modified\r\nContent-Length: 10\r\n\r\n")
        .Send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n")
        .Send("HTTP/1.1 404 Last\r\nContent-Length: 3\r\n\r\nend");
    for (const int code : {204, 304, 200}) {
        auto [head, body] = ReadResponse();
        EXPECT_EQ(head.Code, code);
        EXPECT_TRUE(body.Bytes.empty());
    }
    auto [head, body] = ReadResponse();
    EXPECT_EQ(head.Code, 404);
    EXPECT_EQ(body.Bytes, "end");
    EXPECT_TRUE(source.Waits().empty());
}

TEST_F(ResponseReading, RedirectBodyThatNeverComesIsSkippedAfterTheWait)
{
    source.Send("HTTP/1.1 302 Found\r\nLocation: /x\r\nContent-Length: 20\r\n\r\n").StallAtEnd();
    const ResponseBody body = ReadResponse().second;
    EXPECT_TRUE(body.Bytes.empty());
    EXPECT_EQ(source.Waits(), std::vector<int>{HttpResponseReader::RedirectBodyWaitMilliseconds});
    EXPECT_EQ(HttpResponseReader::RedirectBodyWaitMilliseconds, 5000);
}

TEST_F(ResponseReading, RedirectBodyClosedWithoutDataIsSkippedEvenWhenChunked)
{
    source.Send("HTTP/1.1 301 Moved\r\nLocation: /x\r\nTransfer-Encoding: chunked\r\n\r\n");
    EXPECT_TRUE(ReadResponse().second.Bytes.empty());
    EXPECT_TRUE(reader.PeerClosed());
}

TEST_F(ResponseReading, RedirectBodyAlreadyBufferedIsReadWithoutWaiting)
{
    source.Send("HTTP/1.1 302 Found\r\nLocation: /x\r\nContent-Length: 5\r\n\r\nmovedHTTP/1.1 200 OK\r\n\r\n");
    EXPECT_EQ(ReadResponse().second.Bytes, "moved");
    EXPECT_TRUE(source.Waits().empty());
    EXPECT_EQ(ReadHead().Code, 200);
}

TEST_F(ResponseReading, RedirectBodyArrivingWithinTheWaitIsRead)
{
    source.Send("HTTP/1.1 307 Temporary\r\nLocation: /x\r\nContent-Length: 5\r\n\r\n").Send("moved");
    EXPECT_EQ(ReadResponse().second.Bytes, "moved");
    EXPECT_EQ(source.Waits().size(), 1u);
}

// Reading stops at 8 MiB whatever the framing: the rest is never read, so an endless body ends too.
TEST(ResponseBodyBound, KeepsAtMost8MiBOfAnyBody)
{
    constexpr std::uint64_t Twenty = 20ull * 1024 * 1024;
    const std::uint64_t chunk = 1024 * 1024;
    struct Case {
        const char* Name;
        std::function<void(ScriptedByteSource&)> Script;
        bool ClosesAtEnd;
    };
    const Case cases[] = {
        {"content-length",
         [&](ScriptedByteSource& s) {
             s.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(Twenty) + "\r\n\r\n").SendFiller(Twenty);
         },
         false},
        {"chunked",
         [&](ScriptedByteSource& s) {
             s.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
             for (std::uint64_t sent = 0; sent < Twenty; sent += chunk)
                 s.Send("100000\r\n").SendFiller(chunk).Send("\r\n");
             s.Send("0\r\n\r\n");
         },
         false},
        {"to close", [&](ScriptedByteSource& s) { s.Send("HTTP/1.1 404 Big\r\n\r\n").SendFiller(Twenty); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ScriptedByteSource source;
        c.Script(source);
        source.StallAtEnd();
        HttpResponseReader reader(source);
        ResponseHead head = reader.ReadHead();
        const ResponseBody body = reader.ReadBody(head);
        EXPECT_TRUE(body.Truncated);
        EXPECT_EQ(body.Bytes.size(), HttpResponseReader::MaxBodyBytes);
        EXPECT_EQ(body.Bytes.find_first_not_of('x'), std::string::npos);
        EXPECT_EQ(HttpResponseReader::MaxBodyBytes, 8u * 1024 * 1024);
        // The rest is left unread, so the connection can carry nothing more.
        EXPECT_FALSE(reader.Reusable());
        EXPECT_LT(source.ReadCalls(), 12 * 1024 * 1024 / HttpResponseReader::BlockSize);
    }
}

TEST(ResponseBodyBound, ABodyOfExactlyTheBoundIsReadWhole)
{
    ScriptedByteSource source;
    source.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(HttpResponseReader::MaxBodyBytes) + "\r\n\r\n")
        .SendFiller(HttpResponseReader::MaxBodyBytes)
        .Send("HTTP/1.1 204 After\r\n\r\n");
    HttpResponseReader reader(source);
    ResponseHead head = reader.ReadHead();
    const ResponseBody body = reader.ReadBody(head);
    EXPECT_FALSE(body.Truncated);
    EXPECT_EQ(body.Bytes.size(), HttpResponseReader::MaxBodyBytes);
    EXPECT_EQ(reader.ReadHead().Code, 204);
}

TEST(ResponseBodyBound, AHugeDeclaredLengthReservesNoMoreThanTheBound)
{
    ScriptedByteSource source;
    source.Send("HTTP/1.1 200 OK\r\nContent-Length: 999999999999999999\r\n\r\nshort");
    HttpResponseReader reader(source);
    ResponseHead head = reader.ReadHead();
    const ResponseBody body = reader.ReadBody(head);
    EXPECT_EQ(body.Bytes, "short");
    EXPECT_LE(body.Bytes.capacity(), HttpResponseReader::MaxBodyBytes + 64);
}

TEST(ResponseReadBlocks, AskForUpTo32768Bytes)
{
    class RecordingSource : public ByteSource {
    public:
        std::size_t Read(char* buffer, std::size_t size) override
        {
            sizes.push_back(size);
            if (sent) return 0;
            sent = true;
            const std::string reply = "HTTP/1.1 200 OK\r\n\r\n";
            reply.copy(buffer, reply.size());
            return reply.size();
        }
        bool WaitReadable(int) override { return true; }
        std::vector<std::size_t> sizes;
        bool sent = false;
    } source;
    HttpResponseReader reader(source);
    ResponseHead head = reader.ReadHead();
    reader.ReadBody(head);
    EXPECT_EQ(source.sizes, (std::vector<std::size_t>{32768, 32768}));
}

struct HeadBoundCase {
    const char* Name;
    std::string Response;
    bool Fits;
};

void PrintTo(const HeadBoundCase& param, std::ostream* out) { *out << param.Name; }

std::string Fields(std::size_t count, std::size_t valueLength = 1)
{
    std::string fields;
    for (std::size_t i = 0; i < count; ++i) {
        fields += "X-" + std::to_string(i) + ": " + std::string(valueLength, 'v') + "\r\n";
    }
    return fields;
}

class ResponseHeadBound : public testing::TestWithParam<HeadBoundCase> {};

// 256 field lines and 64 KiB in all, interim responses and trailers included; past that the head is refused.
TEST_P(ResponseHeadBound, RefusesAHeadPastItsLinesOrBytes)
{
    ScriptedByteSource source;
    source.Send(GetParam().Response).StallAtEnd();
    HttpResponseReader reader(source);
    if (!GetParam().Fits) {
        try {
            ResponseHead head = reader.ReadHead();
            reader.ReadBody(head);
            FAIL() << "the head was taken";
        } catch (const TransportError& error) {
            EXPECT_STREQ(error.what(), "header section too large");
        }
        return;
    }
    ResponseHead head = reader.ReadHead();
    reader.ReadBody(head);
    EXPECT_EQ(head.Code, 200);
}

const std::string Chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n";

INSTANTIATE_TEST_SUITE_P(
    Heads, ResponseHeadBound,
    testing::Values(
        HeadBoundCase{"MostLines", "HTTP/1.1 200 OK\r\n" + Fields(255) + "Content-Length: 0\r\n\r\n", true},
        HeadBoundCase{"OneLineTooMany", "HTTP/1.1 200 OK\r\n" + Fields(256) + "Content-Length: 0\r\n\r\n", false},
        HeadBoundCase{"BytesTooMany", "HTTP/1.1 200 OK\r\n" + Fields(5, 14000) + "Content-Length: 0\r\n\r\n", false},
        HeadBoundCase{"InterimLinesCount",
                      "HTTP/1.1 103 Early Hints\r\n" + Fields(200) + "\r\nHTTP/1.1 200 OK\r\n" + Fields(60) +
                          "Content-Length: 0\r\n\r\n",
                      false},
        HeadBoundCase{"TrailersCount", Chunked + Fields(200) + "\r\n1\r\nx\r\n0\r\n" + Fields(60) + "\r\n", false},
        HeadBoundCase{"FewTrailers", Chunked + Fields(200) + "\r\n1\r\nx\r\n0\r\n" + Fields(50) + "\r\n", true},
        HeadBoundCase{"EndlessFlood", "HTTP/1.1 200 OK\r\n" + Fields(100000), false}),
    [](const testing::TestParamInfo<HeadBoundCase>& info) { return std::string(info.param.Name); });

struct ReuseCase {
    const char* Name;
    std::string Response;
    bool Reusable;
};

void PrintTo(const ReuseCase& param, std::ostream* out) { *out << param.Name; }

class ResponseReuse : public testing::TestWithParam<ReuseCase> {};

// Bytes beyond a body's framing belong to no request: a connection that got them carries no other.
TEST_P(ResponseReuse, ConnectionIsReusableOnlyWhenTheBodyEndedCleanly)
{
    ScriptedByteSource source;
    source.Send(GetParam().Response).StallAtEnd();
    HttpResponseReader reader(source);
    ResponseHead head = reader.ReadHead();
    reader.ReadBody(head);
    EXPECT_EQ(reader.Reusable(), GetParam().Reusable);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, ResponseReuse,
    testing::Values(ReuseCase{"ExactLength", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", true},
                    ReuseCase{"SurplusAfterLength", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nokEXTRA", false},
                    ReuseCase{"SurplusAfterChunks", Chunked + "\r\n2\r\nok\r\n0\r\n\r\nEXTRA", false},
                    ReuseCase{"NoContent", "HTTP/1.1 204 No Content\r\n\r\n", true}),
    [](const testing::TestParamInfo<ReuseCase>& info) { return std::string(info.param.Name); });

// A body that runs to the close ends at a close or a reset; a TLS failure is no end of it.
TEST_F(ResponseReading, TlsFailureInsideABodyToTheCloseIsAFailure)
{
    source.Send("HTTP/1.0 200 OK\r\n\r\npart").FailTls();
    ResponseHead head = ReadHead();
    EXPECT_THROW(reader.ReadBody(head), TransportError);
}

TEST_F(ResponseReading, ResetEndsABodyToTheClose)
{
    source.Send("HTTP/1.0 200 OK\r\n\r\npart").Reset();
    auto [head, body] = ReadResponse();
    EXPECT_EQ(body.Bytes, "part");
    EXPECT_TRUE(reader.PeerClosed());
}

}  // namespace
}  // namespace larkspire
