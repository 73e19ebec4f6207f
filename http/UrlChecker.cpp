#include "http/UrlChecker.h"
#include "base/AsciiText.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>

#include "net/NetworkErrors.h"
#include "net/TlsLayer.h"

namespace larkspire {
namespace {

constexpr std::int32_t RedirectMaximum = 10;  // so at most 9 redirects are followed
constexpr std::uint16_t DefaultProxyPort = 80;

// Time-outs come from a setting of a few seconds; larger values saturate instead of wrapping around.
std::int32_t Saturated(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

const std::u16string& ProxyEntry(const ProxyParams& params, std::size_t index) {
    if (index >= params.size()) {
        throw LarkspireError("List index out of bounds (" + std::to_string(index) + ").");
    }
    return params[index];
}

std::uint16_t ProxyPortNumber(const std::u16string& text) {
    if (text.empty()) return DefaultProxyPort;
    std::int32_t value = 0;
    for (char16_t c : text) {
        value = value * 10 + (c - u'0');
        if (c < u'0' || c > u'9' || value > std::numeric_limits<std::uint16_t>::max()) {
            throw LarkspireError("The proxy port is not a valid port number.");
        }
    }
    return static_cast<std::uint16_t>(value);
}

}  // namespace

UrlChecker::UrlChecker(std::int32_t timeoutInSeconds, bool /*enableTimeout*/) : timeoutInSec_(timeoutInSeconds) {}

void UrlChecker::GetPage(const std::u16string& urlAddress, const std::u16string& referer,
                         const std::u16string& userAgent, const std::optional<ProxyParams>& proxyParams,
                         std::u16string& responseCode, std::u16string& pageContent) {
    responseCode.clear();
    pageContent.clear();
    // Only a scheme written exactly "https://" gets the TLS 1.2 layer; any other spelling is left to the
    // transport's own layer. The layer lives for this call and detaches itself when it goes.
    std::unique_ptr<TlsLayer> tlsLayer;
    try {
        Prepare(referer, userAgent, proxyParams);
        if (urlAddress.starts_with(u"https://")) {
            tlsLayer = std::make_unique<TlsLayer>(TlsVersion::Tls1_2);
            http_.AttachTlsLayer(*tlsLayer);
        }
        pageContent = http_.Get(urlAddress);
        responseCode = StatusCompleted;
    } catch (const ProtocolError& error) {
        responseCode = ErrorStatus(error.Code());
    } catch (const ReadTimeoutError&) {
        responseCode = StatusTimeout;
    } catch (const ConnectTimeoutError&) {
        responseCode = StatusTimeout;
    } catch (const LarkspireError&) {
        responseCode = StatusAborted;
    } catch (const std::bad_alloc&) {
        responseCode = StatusAborted;
    }
}

void UrlChecker::GetPage(const std::u16string& urlAddress, std::u16string& responseCode, std::u16string& pageContent) {
    GetPage(urlAddress, {}, {}, std::nullopt, responseCode, pageContent);
}

void UrlChecker::GetPage(const std::u16string& urlAddress, std::u16string& responseCode) {
    std::u16string pageContent;
    GetPage(urlAddress, responseCode, pageContent);
}

void UrlChecker::Prepare(const std::u16string& referer, const std::u16string& userAgent,
                         const std::optional<ProxyParams>& proxyParams) {
    HttpTransportSettings& settings = http_.Settings();
    settings.HandleRedirects = true;
    settings.RedirectMaximum = RedirectMaximum;
    settings.UserAgent = userAgent;
    settings.Referer = referer;
    if (proxyParams && !proxyParams->empty()) {
        settings.ProxyServer = ProxyEntry(*proxyParams, 0);
        settings.ProxyPort = ProxyPortNumber(ProxyEntry(*proxyParams, 1));
        settings.ProxyUsername = ProxyEntry(*proxyParams, 2);
        settings.BasicAuthentication = !settings.ProxyUsername.empty();
        settings.ProxyPassword = ProxyEntry(*proxyParams, 3);
    }
    settings.ReadTimeout = Saturated(std::int64_t{timeoutInSec_} * 1000);
    settings.ConnectTimeout = Saturated(std::int64_t{timeoutInSec_} * 1000 - 1000);
}

CheckOutcome CheckUrlStatus(const std::u16string& url, int timeoutSeconds,
                            const std::atomic<bool>& /*abortRequested*/) {
    UrlChecker checker(timeoutSeconds, false);
    CheckOutcome outcome;
    checker.GetPage(url, outcome.status);
    return outcome;
}

}  // namespace larkspire
