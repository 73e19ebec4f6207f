#include "http/HttpTransport.h"

#include "base/AsciiText.h"
#include "http/BodyText.h"
#include "http/WireUrl.h"
#include "net/Connection.h"
#include "net/NetworkErrors.h"
#include "net/TcpConnect.h"
#include "net/TlsLayer.h"

namespace larkspire {
namespace {

bool IsSuccess(std::int32_t code) { return code >= 200 && code <= 299; }
bool IsFollowable(std::int32_t code) { return code >= 300 && code <= 399 && code != 304; }

// Whether a Connection-style header lists token (without regard to case).
bool HasToken(const std::u16string& value, std::u16string_view token)
{
    std::size_t start = 0;
    while (start <= value.size()) {
        const std::size_t comma = std::min(value.find(u',', start), value.size());
        if (EqualsIgnoringAsciiCase(TrimBlanks(std::u16string_view(value).substr(start, comma - start)), token)) {
            return true;
        }
        start = comma + 1;
    }
    return false;
}

// HTTP/1.1 keeps a connection unless told to close it; HTTP/1.0 closes it unless told to keep it.
bool KeepsAlive(const ResponseHead& head)
{
    const std::u16string connection = head.Headers.Value(u"Connection");
    if (HasToken(connection, u"close") || HasToken(head.Headers.Value(u"Proxy-Connection"), u"close")) return false;
    if (head.StatusLine.starts_with(u"HTTP/1.0")) return HasToken(connection, u"keep-alive");
    return true;
}

std::string AsciiHost(const std::u16string& host) { return ToAsciiBytes(host); }

}  // namespace

// Where a connection goes and what it carries; an open connection is reused only for an equal route.
struct HttpTransport::Route {
    bool Tls = false;
    std::u16string Host;  // the server, or the proxy for a plain request through it
    std::uint16_t Port = 0;
    std::u16string TunnelProxyHost;  // for TLS through a proxy: the proxy the tunnel goes through
    std::uint16_t TunnelProxyPort = 0;

    bool operator==(const Route&) const = default;
};

struct HttpTransport::OpenConnection {
    Route Destination;
    std::unique_ptr<Connection> Link;
    std::unique_ptr<HttpResponseReader> Reader;  // one per connection: it buffers what it received
};

HttpTransport::HttpTransport() = default;

HttpTransport::~HttpTransport()
{
    Disconnect();
    ReleaseLayer();
}

void HttpTransport::AttachTlsLayer(TlsLayer& layer)
{
    Disconnect();
    ReleaseLayer();
    tlsLayer_ = &layer;
    layer.SetDestroyedHandler([this] {
        Disconnect();
        tlsLayer_ = nullptr;
    });
}

void HttpTransport::ReleaseLayer()
{
    if (tlsLayer_ != nullptr && tlsLayer_ != ownTlsLayer_.get()) tlsLayer_->SetDestroyedHandler({});
    ownTlsLayer_.reset();
    tlsLayer_ = nullptr;
}

TlsLayer& HttpTransport::LayerForTls()
{
    if (tlsLayer_ == nullptr) {
        ownTlsLayer_ = std::make_unique<TlsLayer>(settings_.Certificates);
        tlsLayer_ = ownTlsLayer_.get();
    }
    return *tlsLayer_;
}

void HttpTransport::Disconnect() { open_.reset(); }

std::u16string HttpTransport::Get(const std::u16string& url)
{
    std::int32_t redirects = 0;
    std::u16string location = url;
    for (;;) {
        currentUrl_ = ResolveUrl(location, currentUrl_);
        try {
            ResponseHead head = Exchange(*currentUrl_);
            if (IsSuccess(head.Code)) {
                std::u16string text = ReadBodyText(head);
                EndExchange(head);
                return text;
            }
            if (!IsFollowable(head.Code)) FailWith(head);
            location = head.Headers.Value(u"Location");
            if (location.empty() || !settings_.HandleRedirects) FailWith(head);
            open_->Reader->ReadBody(head);
            EndExchange(head);
            // A URL that never reaches a final page did not complete: the last redirect is its outcome.
            if (++redirects >= settings_.RedirectMaximum) throw RedirectLimitError(head.Code, head.StatusLine);
        } catch (const ProtocolError&) {
            throw;
        } catch (...) {
            // Whatever the failure, the connection is in no state to carry another request.
            Disconnect();
            throw;
        }
    }
}

// Proxy credentials go only to the proxy: never into a TLS tunnel, where the server itself would read them.
RequestHeaderSettings HttpTransport::HeaderSettings(bool toProxy) const
{
    return {settings_.Referer, settings_.UserAgent, toProxy && settings_.BasicAuthentication, settings_.ProxyUsername,
            settings_.ProxyPassword};
}

// Sends the GET for url and reads the response head, keeping the cookies it sets. The host goes on the
// wire, to the resolver and into the cookie rules in its IDNA form.
ResponseHead HttpTransport::Exchange(const HttpUrl& url)
{
    const HttpUrl wireUrl = WireUrl(url);
    const Route route = RouteFor(wireUrl);
    const bool toProxy = !settings_.ProxyServer.empty() && !route.Tls;
    const std::string request = BuildGetRequest(wireUrl, HeaderSettings(toProxy), cookies_.CookieHeader(wireUrl),
                                                toProxy ? RequestTargetForm::Absolute : RequestTargetForm::Origin);
    bool reused = false;
    OpenConnection& open = ConnectionFor(route, wireUrl, reused);
    if (!reused) return ExchangeOn(open, request, wireUrl);
    try {
        return ExchangeOn(open, request, wireUrl);
    } catch (const TransportError&) {
        // The server dropped the kept connection before answering: a GET may be sent once more, on a new one.
        if (open.Reader->HeadStarted()) throw;
        Disconnect();
    }
    return ExchangeOn(ConnectionFor(route, wireUrl, reused), request, wireUrl);
}

ResponseHead HttpTransport::ExchangeOn(OpenConnection& open, const std::string& request, const HttpUrl& wireUrl)
{
    open.Reader->StartExchange();
    open.Link->Write(request);
    ResponseHead head = open.Reader->ReadHead();
    for (const std::u16string& value : head.Headers.Values(u"Set-Cookie")) cookies_.SetCookie(value, wireUrl);
    return head;
}

std::u16string HttpTransport::ReadBodyText(ResponseHead& head)
{
    const ResponseBody body = open_->Reader->ReadBody(head);
    return DecodeBodyText(body.Bytes, head.Headers.Value(u"Content-Type"));
}

// The response is not a success: its body goes into the error.
void HttpTransport::FailWith(ResponseHead& head)
{
    std::u16string text = ReadBodyText(head);
    EndExchange(head);
    throw ProtocolError(head.Code, head.StatusLine, std::move(text), head.Headers.Value(u"Retry-After"));
}

// Keep-alive: the connection stays open only when the response allows it and left the connection clean
// (read to its end, nothing beyond it, not closed by the server).
void HttpTransport::EndExchange(const ResponseHead& head)
{
    if (!open_->Reader->Reusable() || !KeepsAlive(head)) Disconnect();
}

HttpTransport::Route HttpTransport::RouteFor(const HttpUrl& url) const
{
    if (settings_.ProxyServer.empty()) return Route{url.IsHttps(), url.Host, url.PortNumber(), {}, 0};
    if (url.IsHttps()) return Route{true, url.Host, url.PortNumber(), settings_.ProxyServer, settings_.ProxyPort};
    return Route{false, settings_.ProxyServer, settings_.ProxyPort, {}, 0};
}

HttpTransport::OpenConnection& HttpTransport::ConnectionFor(const Route& route, const HttpUrl& url, bool& reused)
{
    if (open_ && (open_->Destination != route || open_->Link->IsClosedByPeer())) Disconnect();
    reused = open_ != nullptr;
    if (!open_) open_ = Connect(route, url);
    open_->Link->SetReadTimeout(settings_.ReadTimeout);
    open_->Link->SetBudget(settings_.Budget);
    return *open_;
}

std::unique_ptr<HttpTransport::OpenConnection> HttpTransport::Connect(const Route& route, const HttpUrl& url)
{
    const bool tunnel = !route.TunnelProxyHost.empty();
    auto link = std::make_unique<Connection>(
        ConnectTcp(AsciiHost(tunnel ? route.TunnelProxyHost : route.Host), tunnel ? route.TunnelProxyPort : route.Port,
                   settings_.ConnectTimeout, settings_.Budget, *settings_.Resolver));
    link->SetReadTimeout(settings_.ReadTimeout);
    link->SetBudget(settings_.Budget);
    if (tunnel) OpenTunnel(*link, url);
    if (route.Tls) link->StartTls(LayerForTls(), AsciiHost(route.Host));
    auto reader = std::make_unique<HttpResponseReader>(*link);
    return std::make_unique<OpenConnection>(OpenConnection{route, std::move(link), std::move(reader)});
}

// Asks the proxy for a tunnel to url's host and port; any answer but a success is the proxy's error.
void HttpTransport::OpenTunnel(Connection& connection, const HttpUrl& url)
{
    connection.Write(BuildConnectRequest(url, HeaderSettings(true)));
    HttpResponseReader reader(connection);
    ResponseHead head = reader.ReadHead();
    if (IsSuccess(head.Code)) return;
    const ResponseBody body = reader.ReadBody(head);
    throw ProtocolError(head.Code, head.StatusLine, DecodeBodyText(body.Bytes, head.Headers.Value(u"Content-Type")));
}

}  // namespace larkspire
