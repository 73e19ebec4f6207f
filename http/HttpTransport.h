#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "http/CookieStore.h"
#include "http/HttpRequest.h"
#include "http/HttpResponseReader.h"
#include "http/HttpUrl.h"
#include "net/CheckBudget.h"
#include "net/NameResolver.h"
#include "net/TlsLayer.h"

namespace larkspire {

class Connection;

// What an HttpTransport does; every field starts at the transport's default.
struct HttpTransportSettings {
    bool HandleRedirects = false;
    // Redirects followed by one Get stay below this count; the response that reaches it ends the Get.
    std::int32_t RedirectMaximum = 15;
    std::u16string UserAgent = u"Mozilla/3.0 (compatible; Larkspire HTTP client)";  // sent only when not empty
    std::u16string Referer;                                                         // sent only when not empty
    std::u16string ProxyServer;                                                     // empty: direct connections
    std::uint16_t ProxyPort = 0;
    std::u16string ProxyUsername;
    std::u16string ProxyPassword;
    bool BasicAuthentication = false;  // send the proxy credentials with every request
    // Longest wait for the next data from the server; -1 and 0 mean no limit.
    std::int32_t ReadTimeout = -1;
    // Longest wait for a TCP connection; 0 and -1 mean no limit of our own, other negatives fail at once.
    std::int32_t ConnectTimeout = 0;
    // The whole Get, name lookups included, ends within this (no limit by default).
    CheckBudget Budget;
    // What the transport's own TLS layer checks of the server's certificate; set before the first TLS
    // connection (an attached layer brings its own).
    CertificateCheck Certificates = CertificateCheck::None;
    // Where host names are looked up (the system's resolver unless a test gives its own table).
    const NameResolver* Resolver = &SystemNameResolver();
};

// The HTTP/1.1 client of one URL check: GET requests over plain or TLS connections, with keep-alive,
// redirects (to either scheme: each connection is plain or TLS as its URL needs), cookies and an optional
// proxy. Used by one thread at a time.
class HttpTransport {
public:
    HttpTransport();
    ~HttpTransport();
    HttpTransport(const HttpTransport&) = delete;
    HttpTransport& operator=(const HttpTransport&) = delete;

    HttpTransportSettings& Settings() { return settings_; }
    const HttpTransportSettings& Settings() const { return settings_; }

    // Makes layer the one TLS connections use (the open connection is closed); without one the transport
    // makes its own. The transport does not own it; destroying the layer detaches it again.
    void AttachTlsLayer(TlsLayer& layer);

    // GETs url, following redirects as set, and returns the final body as text. Throws ProtocolError
    // (RedirectLimitError when the redirect limit ends it), ReadTimeoutError, ConnectTimeoutError,
    // TransportError, or the budget's CheckTimeLimitError and CheckCutError.
    std::u16string Get(const std::u16string& url);

    // The URL the last Get ended at (redirects followed), if it got that far.
    const std::optional<HttpUrl>& CurrentUrl() const { return currentUrl_; }

    // Closes the open connection, if any; the connection layer stays.
    void Disconnect();

private:
    struct Route;
    struct OpenConnection;

    RequestHeaderSettings HeaderSettings(bool toProxy) const;
    ResponseHead Exchange(const HttpUrl& url);
    ResponseHead ExchangeOn(OpenConnection& open, const std::string& request, const HttpUrl& wireUrl);
    std::u16string ReadBodyText(ResponseHead& head);
    [[noreturn]] void FailWith(ResponseHead& head);
    void EndExchange(const ResponseHead& head);

    Route RouteFor(const HttpUrl& url) const;
    OpenConnection& ConnectionFor(const Route& route, const HttpUrl& url, bool& reused);
    std::unique_ptr<OpenConnection> Connect(const Route& route, const HttpUrl& url);
    TlsLayer& LayerForTls();
    void OpenTunnel(Connection& connection, const HttpUrl& url);
    void ReleaseLayer();

    HttpTransportSettings settings_;
    CookieStore cookies_;
    std::optional<HttpUrl> currentUrl_;
    TlsLayer* tlsLayer_ = nullptr;           // attached by the owner, or ownTlsLayer_
    std::unique_ptr<TlsLayer> ownTlsLayer_;  // the layer the transport made itself, if any
    std::unique_ptr<OpenConnection> open_;
};

}  // namespace larkspire
