#pragma once

#include <openssl/types.h>

#include <functional>

namespace larkspire {

enum class TlsVersion { Tls1_0, Tls1_2 };

// The TLS settings for a transport's connections: client mode, a single protocol version, no peer
// verification, no client certificate. Layers of one version share one OpenSSL context for the whole
// process; each connection gets only its own SSL object.
class TlsLayer {
public:
    static constexpr char CipherList[] = "AES:ALL:!aNULL:!eNULL:+RC4:@STRENGTH";

    explicit TlsLayer(TlsVersion version) : version_(version) {}
    // Runs the handler set by the transport the layer is attached to, which detaches it.
    ~TlsLayer();
    TlsLayer(const TlsLayer&) = delete;
    TlsLayer& operator=(const TlsLayer&) = delete;

    TlsVersion Version() const { return version_; }

    // The shared context of this layer's version, made (and the TLS library initialised) on first use.
    // Throws TransportError when either fails; the next call tries again.
    SSL_CTX* Context() const;

    // The transport that attaches the layer sets this; an empty handler clears it.
    void SetDestroyedHandler(std::function<void()> handler) { destroyedHandler_ = std::move(handler); }

private:
    TlsVersion version_;
    std::function<void()> destroyedHandler_;
};

}  // namespace larkspire
