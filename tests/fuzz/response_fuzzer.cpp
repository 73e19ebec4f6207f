// Feeds arbitrary server replies to the response reader, and what it reads to the pieces that consume a
// response: cookies, redirect resolution, the next request and body decoding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "http/BodyText.h"
#include "http/CookieStore.h"
#include "http/HttpRequest.h"
#include "http/HttpResponseReader.h"
#include "http/WireUrl.h"
#include "net/NetworkErrors.h"
#include "tests/http/ScriptedByteSource.h"

namespace larkspire {
namespace {

void Require(bool condition)
{
    if (!condition) __builtin_trap();
}

// A request must be CR LF lines of printable ASCII ending in an empty line.
void CheckRequestBytes(const std::string& request)
{
    Require(request.size() >= 4 && request.ends_with("\r\n\r\n"));
    for (std::size_t i = 0; i < request.size(); ++i) {
        const auto c = static_cast<unsigned char>(request[i]);
        if (c == '\r')
            Require(i + 1 < request.size() && request[i + 1] == '\n');
        else if (c == '\n')
            Require(i > 0 && request[i - 1] == '\r');
        else
            Require(c >= 0x20 && c < 0x7F);
    }
}

// Everything a transport does with one response on the way to the next request.
void FollowResponse(ResponseHead& head, const ResponseBody& body, HttpUrl& url, CookieStore& cookies)
{
    const auto now = CookieStore::Clock::time_point{} + std::chrono::hours{24 * 365 * 56};
    for (const std::u16string& setCookie : head.Headers.Values(u"Set-Cookie")) cookies.SetCookie(setCookie, url, now);
    const std::u16string text = DecodeBodyText(body.Bytes, head.Headers.Value(u"Content-Type"));
    Require(text.size() <= body.Bytes.size());
    if (const auto location = head.Headers.Find(u"Location")) {
        try {
            url = ResolveUrl(*location, url);
        } catch (const TransportError&) {
            return;
        }
    }
    const HttpUrl wireUrl = WireUrl(url);
    CheckRequestBytes(BuildGetRequest(wireUrl, {}, cookies.CookieHeader(wireUrl, now), RequestTargetForm::Origin));
    CheckRequestBytes(BuildConnectRequest(wireUrl, {}));
}

}  // namespace
}  // namespace larkspire

// The first byte shapes the connection: its low six bits limit the bytes per read (63: no limit), bit 6
// ends the reply with a stall instead of a close, bit 7 with a reset. The rest is the server's reply.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace larkspire;
    if (size == 0) return 0;
    const std::uint8_t control = data[0];
    ScriptedByteSource source;
    source.Send(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    if ((control & 0x3F) != 0x3F) source.MaxPiece((control & 0x3F) + 1u);
    if (control & 0x80)
        source.Reset();
    else if (control & 0x40)
        source.StallAtEnd();

    HttpResponseReader reader(source);
    HttpUrl url = ResolveUrl(u"http://fuzz.example/a/b", std::nullopt);
    CookieStore cookies;
    try {
        for (int response = 0; response < 8 && !reader.PeerClosed(); ++response) {
            ResponseHead head = reader.ReadHead();
            const ResponseBody body = reader.ReadBody(head);
            Require(body.Bytes.size() <= HttpResponseReader::MaxBodyBytes && body.Bytes.size() <= size);
            Require(head.Headers.Fields().size() <= HttpResponseReader::MaxHeadLines);
            if (body.Truncated) Require(!reader.Reusable());
            FollowResponse(head, body, url, cookies);
        }
    } catch (const LarkspireError&) {
        // Every failure of a reply is one of the transport's own kinds; anything else escapes and is found.
    }
    return 0;
}
