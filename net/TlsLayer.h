#pragma once

#include <openssl/types.h>

#include <functional>

namespace larkspire {

// Whether a TLS connection checks who it talks to.
enum class CertificateCheck {
    None,      // any certificate is taken, and no chain is built for it
    Verified,  // the chain must lead to the system's trust store, and the certificate must name the host
};

// The TLS settings for a transport's connections: client mode, any protocol version from TLS 1.0 to TLS 1.3
// that the server offers, no client certificate, and peer verification as asked. All layers with the same
// check share one OpenSSL context for the whole process; each connection gets only its own SSL object.
class TlsLayer {
public:
    static constexpr char CipherList[] = "AES:ALL:!aNULL:!eNULL:+RC4:@STRENGTH";

    explicit TlsLayer(CertificateCheck check = CertificateCheck::None) : check_(check) {}
    // Runs the handler set by the transport the layer is attached to, which detaches it.
    ~TlsLayer();
    TlsLayer(const TlsLayer&) = delete;
    TlsLayer& operator=(const TlsLayer&) = delete;

    CertificateCheck Check() const { return check_; }

    // The shared context for the layer's check, made (and the TLS library initialised) on first use.
    // Throws TransportError when either fails; the next call tries again.
    SSL_CTX* Context() const;

    // The transport that attaches the layer sets this; an empty handler clears it.
    void SetDestroyedHandler(std::function<void()> handler) { destroyedHandler_ = std::move(handler); }

private:
    CertificateCheck check_;
    std::function<void()> destroyedHandler_;
};

}  // namespace larkspire
