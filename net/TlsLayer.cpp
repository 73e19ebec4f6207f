#include "net/TlsLayer.h"

#include <openssl/ssl.h>

#include <mutex>
#include <type_traits>

#include "net/NetworkErrors.h"
#include "net/TlsLibrary.h"

namespace larkspire {
namespace {

// Contexts are made once per version and kept for the life of the process: connections on other threads
// may still use them while the process exits, so nothing here is torn down.
struct SharedContexts {
    std::mutex mutex;
    SSL_CTX* byVersion[2] = {nullptr, nullptr};
};

constinit SharedContexts sharedContexts;
static_assert(std::is_trivially_destructible_v<SharedContexts>);

int ProtocolVersion(TlsVersion version) { return version == TlsVersion::Tls1_0 ? TLS1_VERSION : TLS1_2_VERSION; }

SSL_CTX* MakeContext(TlsVersion version) {
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (context == nullptr) return nullptr;
    // Old servers are the point of a pinger: accept weak ciphers and keys, and servers without secure
    // renegotiation. Nothing is verified, and no session is resumed.
    SSL_CTX_set_security_level(context, 0);
    SSL_CTX_set_verify(context, SSL_VERIFY_NONE, nullptr);
    SSL_CTX_set_session_cache_mode(context, SSL_SESS_CACHE_OFF);
    SSL_CTX_set_options(context, SSL_OP_NO_TICKET | SSL_OP_LEGACY_SERVER_CONNECT);
    const int protocol = ProtocolVersion(version);
    if (SSL_CTX_set_min_proto_version(context, protocol) != 1 || SSL_CTX_set_max_proto_version(context, protocol) != 1 ||
        SSL_CTX_set_cipher_list(context, TlsLayer::CipherList) != 1) {
        SSL_CTX_free(context);
        return nullptr;
    }
    return context;
}

}  // namespace

TlsLayer::~TlsLayer() {
    if (destroyedHandler_) destroyedHandler_();
}

SSL_CTX* TlsLayer::Context() const {
    TlsLibrary::Process().EnsureInitialised();
    std::lock_guard lock(sharedContexts.mutex);
    SSL_CTX*& context = sharedContexts.byVersion[version_ == TlsVersion::Tls1_0 ? 0 : 1];
    if (context == nullptr) context = MakeContext(version_);
    if (context == nullptr) throw TransportError("The TLS context could not be created.");
    return context;
}

}  // namespace larkspire
