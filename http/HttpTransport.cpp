#include "http/HttpTransport.h"

#include "base/AsciiText.h"
#include "http/BodyText.h"
#include "net/Connection.h"
#include "net/NetworkErrors.h"
#include "net/TcpConnect.h"
#include "net/TlsLayer.h"

namespace larkspire {
namespace {

bool IsSuccess(std::int32_t code) { return code >= 200 && code <= 299; }
bool IsFollowable(std::int32_t code) { return code >= 300 && code <= 399 && code != 304; }

bool SaysClose(const std::u16string& connectionValue) {
    return EqualsIgnoringAsciiCase(TrimBlanks(connectionValue), u"close");
}

// Host names go to the resolver as UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf8(std::u16string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (c < 0x800) {
            bytes += static_cast<char>(0xC0 | (c >> 6));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            bytes += static_cast<char>(0xE0 | (c >> 12));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | (c >> 18));
            bytes += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return bytes;
}

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

HttpTransport::~HttpTransport() {
    Disconnect();
    ReleaseLayer();
}

void HttpTransport::AttachTlsLayer(TlsLayer& layer) {
    Disconnect();
    ReleaseLayer();
    tlsLayer_ = &layer;
    layer_ = Layer::Tls;
    layer.SetDestroyedHandler([this] {
        Disconnect();
        tlsLayer_ = nullptr;
        layer_ = Layer::None;
    });
}

void HttpTransport::ReleaseLayer() {
    if (tlsLayer_ != nullptr && tlsLayer_ != ownTlsLayer_.get()) tlsLayer_->SetDestroyedHandler({});
    ownTlsLayer_.reset();
    tlsLayer_ = nullptr;
    layer_ = Layer::None;
}

void HttpTransport::Disconnect() { open_.reset(); }

std::u16string HttpTransport::Get(const std::u16string& url) {
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
            if (++redirects >= settings_.RedirectMaximum) return {};
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
RequestHeaderSettings HttpTransport::HeaderSettings(bool toProxy) const {
    return {settings_.Referer, settings_.UserAgent, toProxy && settings_.BasicAuthentication, settings_.ProxyUsername,
            settings_.ProxyPassword};
}

// Sends the GET for url and reads the response head, keeping the cookies it sets.
ResponseHead HttpTransport::Exchange(const HttpUrl& url) {
    const Route route = RouteFor(url);
    OpenConnection& open = ConnectionFor(route, url);
    const bool toProxy = !settings_.ProxyServer.empty() && !route.Tls;
    open.Link->Write(BuildGetRequest(url, HeaderSettings(toProxy), cookies_.CookieHeader(url),
                                     toProxy ? RequestTargetForm::Absolute : RequestTargetForm::Origin));
    ResponseHead head = open.Reader->ReadHead();
    for (const std::u16string& value : head.Headers.Values(u"Set-Cookie")) cookies_.SetCookie(value, url);
    return head;
}

std::u16string HttpTransport::ReadBodyText(ResponseHead& head) {
    const ResponseBody body = open_->Reader->ReadBody(head);
    return DecodeBodyText(body.Bytes, head.Headers.Value(u"Content-Type"));
}

// The response is not a success: its body goes into the error.
void HttpTransport::FailWith(ResponseHead& head) {
    std::u16string text = ReadBodyText(head);
    EndExchange(head);
    throw ProtocolError(head.Code, head.StatusLine, std::move(text));
}

// Keep-alive: the connection stays open unless the server closed it or asked for that.
void HttpTransport::EndExchange(const ResponseHead& head) {
    if (open_->Reader->PeerClosed() || SaysClose(head.Headers.Value(u"Connection")) ||
        SaysClose(head.Headers.Value(u"Proxy-Connection"))) {
        Disconnect();
    }
}

HttpTransport::Route HttpTransport::RouteFor(const HttpUrl& url) const {
    if (settings_.ProxyServer.empty()) return Route{url.IsHttps(), url.Host, url.PortNumber(), {}, 0};
    if (url.IsHttps()) return Route{true, url.Host, url.PortNumber(), settings_.ProxyServer, settings_.ProxyPort};
    return Route{false, settings_.ProxyServer, settings_.ProxyPort, {}, 0};
}

HttpTransport::OpenConnection& HttpTransport::ConnectionFor(const Route& route, const HttpUrl& url) {
    if (open_ && (open_->Destination != route || open_->Link->IsClosedByPeer())) Disconnect();
    if (!open_) open_ = Connect(route, url);
    open_->Link->SetReadTimeout(settings_.ReadTimeout);
    return *open_;
}

std::unique_ptr<HttpTransport::OpenConnection> HttpTransport::Connect(const Route& route, const HttpUrl& url) {
    const bool madeLayer = ChooseLayer(route);
    try {
        const bool tunnel = !route.TunnelProxyHost.empty();
        auto link = std::make_unique<Connection>(ConnectTcp(Utf8(tunnel ? route.TunnelProxyHost : route.Host),
                                                            tunnel ? route.TunnelProxyPort : route.Port,
                                                            settings_.ConnectTimeout));
        link->SetReadTimeout(settings_.ReadTimeout);
        if (tunnel) OpenTunnel(*link, url);
        if (route.Tls) link->StartTls(*tlsLayer_, Utf8(route.Host));
        auto reader = std::make_unique<HttpResponseReader>(*link);
        return std::make_unique<OpenConnection>(OpenConnection{route, std::move(link), std::move(reader)});
    } catch (...) {
        // A layer made for this attempt goes with it.
        if (madeLayer) ReleaseLayer();
        throw;
    }
}

// Fixes the connection layer on first use; returns whether it was made now.
bool HttpTransport::ChooseLayer(const Route& route) {
    if (route.Tls) {
        if (layer_ == Layer::Plain) throw TransportError("A TLS connection is needed, but the connection layer is plain.");
        if (layer_ == Layer::Tls) return false;
        ownTlsLayer_ = std::make_unique<TlsLayer>(TlsVersion::Tls1_0);
        tlsLayer_ = ownTlsLayer_.get();
        layer_ = Layer::Tls;
        return true;
    }
    if (layer_ != Layer::None) return false;
    layer_ = Layer::Plain;
    return true;
}

// Asks the proxy for a tunnel to url's host and port; any answer but a success is the proxy's error.
void HttpTransport::OpenTunnel(Connection& connection, const HttpUrl& url) {
    connection.Write(BuildConnectRequest(url, HeaderSettings(true)));
    HttpResponseReader reader(connection);
    ResponseHead head = reader.ReadHead();
    if (IsSuccess(head.Code)) return;
    const ResponseBody body = reader.ReadBody(head);
    throw ProtocolError(head.Code, head.StatusLine, DecodeBodyText(body.Bytes, head.Headers.Value(u"Content-Type")));
}

}  // namespace larkspire
