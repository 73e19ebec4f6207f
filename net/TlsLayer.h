#pragma once

#include <openssl/types.h>

#include <functional>

namespace larkspire {

// The TLS settings for a transport's connections: client mode, any protocol version from TLS 1.0 to TLS 1.3
// that the server offers, no peer verification, no client certificate. All layers share one OpenSSL context
// for the whole process; each connection gets only its own SSL object.
class TlsLayer {
public:
    static constexpr char CipherList[] = "AES:ALL:!aNULL:!eNULL:+RC4:@STRENGTH";

    TlsLayer() = default;
    // Runs the handler set by the transport the layer is attached to, which detaches it.
    ~TlsLayer();
    TlsLayer(const TlsLayer&) = delete;
    TlsLayer& operator=(const TlsLayer&) = delete;

    // The shared context, made (and the TLS library initialised) on first use.
    // Throws TransportError when either fails; the next call tries again.
    SSL_CTX* Context() const;

    // The transport that attaches the layer sets this; an empty handler clears it.
    void SetDestroyedHandler(std::function<void()> handler) { destroyedHandler_ = std::move(handler); }

private:
    std::function<void()> destroyedHandler_;
};

}  // namespace larkspire
