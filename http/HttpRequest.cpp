#include "http/HttpRequest.h"

#include <algorithm>
#include <cstdint>

#include "base/AsciiText.h"
#include "http/WireUrl.h"
#include "net/CheckReasons.h"
#include "net/NetworkErrors.h"

namespace larkspire {
namespace {

// Request text goes out as 7-bit ASCII: any other character becomes "?". Control characters do too, so a
// CR or LF in a URL (a redirect's Location, say) cannot end the request line or add a header.
std::string WireText(std::u16string_view text)
{
    std::string bytes = ToAsciiBytes(text);
    for (char& c : bytes) {
        if (c < 0x20 || c == 0x7F) c = '?';
    }
    return bytes;
}

void AddHeader(std::string& request, const char* name, const std::string& value)
{
    if (value.empty()) return;
    request += name;
    request += ": ";
    request += value;
    request += "\r\n";
}

std::string ProxyCredentials(const RequestHeaderSettings& settings)
{
    if (!settings.BasicAuthentication) return {};
    return "Basic " + Base64Encode(ToAsciiBytes(settings.ProxyUsername + u":" + settings.ProxyPassword));
}

}  // namespace

std::string Base64Encode(const std::string& bytes)
{
    static constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string encoded;
    encoded.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t count = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t j = 0; j < 3; ++j) {
            group <<= 8;
            if (j < count) group |= static_cast<unsigned char>(bytes[i + j]);
        }
        for (std::size_t j = 0; j < 4; ++j) {
            encoded += j <= count ? Alphabet[(group >> (18 - 6 * j)) & 0x3F] : '=';
        }
    }
    return encoded;
}

std::string BuildGetRequest(const HttpUrl& url, const RequestHeaderSettings& settings,
                            const std::u16string& cookieHeader, RequestTargetForm targetForm)
{
    const std::u16string target = targetForm == RequestTargetForm::Absolute ? url.AbsoluteForm() : url.RequestTarget();
    std::string request = "GET " + PercentEncodedTarget(target) + " HTTP/1.1";
    if (request.size() > MaxRequestLineBytes) throw TransportError(reason::UrlTooLong);
    request += "\r\n";
    AddHeader(request, "Host", WireText(url.HostHeaderValue()));
    AddHeader(request, "Accept", AcceptHeaderValue);
    AddHeader(request, "Referer", WireText(settings.Referer));
    AddHeader(request, "User-Agent", WireText(settings.UserAgent));
    AddHeader(request, "Proxy-Authorization", ProxyCredentials(settings));
    AddHeader(request, "Cookie", WireText(cookieHeader));
    request += "\r\n";
    return request;
}

std::string BuildConnectRequest(const HttpUrl& url, const RequestHeaderSettings& settings)
{
    std::string request = "CONNECT " + WireText(url.Authority()) + " HTTP/1.1\r\n";
    AddHeader(request, "Pragma", "no-cache");
    AddHeader(request, "Proxy-Connection", "keep-alive");
    AddHeader(request, "Host", WireText(url.HostHeaderValue()));
    AddHeader(request, "Accept", AcceptHeaderValue);
    AddHeader(request, "Proxy-Authorization", ProxyCredentials(settings));
    request += "\r\n";
    return request;
}

}  // namespace larkspire
