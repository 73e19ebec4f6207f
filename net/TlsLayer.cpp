#include "net/TlsLayer.h"

#include <openssl/ssl.h>

#include <mutex>
#include <type_traits>

#include "net/CheckReasons.h"
#include "net/NetworkErrors.h"
#include "net/TlsLibrary.h"

namespace larkspire {
namespace {

// The contexts are made once and kept for the life of the process: connections on other threads may still
// use them while the process exits, so nothing here is torn down.
struct SharedContexts {
    std::mutex mutex;
    SSL_CTX* unchecked = nullptr;
    SSL_CTX* verified = nullptr;
};

constinit SharedContexts sharedContexts;
static_assert(std::is_trivially_destructible_v<SharedContexts>);

// Stands in for OpenSSL's chain building, whose result nobody would look at.
int AcceptWithoutBuildingAChain(X509_STORE_CTX* /*store*/, void* /*argument*/) { return 1; }

bool SetUpCheck(SSL_CTX* context, CertificateCheck check)
{
    if (check == CertificateCheck::None) {
        SSL_CTX_set_verify(context, SSL_VERIFY_NONE, nullptr);
        SSL_CTX_set_cert_verify_callback(context, AcceptWithoutBuildingAChain, nullptr);
        return true;
    }
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    return SSL_CTX_set_default_verify_paths(context) == 1;
}

SSL_CTX* MakeContext(CertificateCheck check)
{
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (context == nullptr) return nullptr;
    // Old servers are the point of a pinger: accept weak ciphers and keys, and servers without secure
    // renegotiation. No session is resumed.
    SSL_CTX_set_security_level(context, 0);
    SSL_CTX_set_session_cache_mode(context, SSL_SESS_CACHE_OFF);
    SSL_CTX_set_options(context, SSL_OP_NO_TICKET | SSL_OP_LEGACY_SERVER_CONNECT);
    if (SSL_CTX_set_min_proto_version(context, TLS1_VERSION) != 1 ||
        SSL_CTX_set_max_proto_version(context, TLS1_3_VERSION) != 1 ||
        SSL_CTX_set_cipher_list(context, TlsLayer::CipherList) != 1 || !SetUpCheck(context, check)) {
        SSL_CTX_free(context);
        return nullptr;
    }
    return context;
}

}  // namespace

TlsLayer::~TlsLayer()
{
    if (destroyedHandler_) destroyedHandler_();
}

SSL_CTX* TlsLayer::Context() const
{
    TlsLibrary::Process().EnsureInitialised();
    std::lock_guard lock(sharedContexts.mutex);
    SSL_CTX*& context = check_ == CertificateCheck::None ? sharedContexts.unchecked : sharedContexts.verified;
    if (context == nullptr) context = MakeContext(check_);
    if (context == nullptr) throw TransportError(reason::TlsFailed("setup", "no context"));
    return context;
}

}  // namespace larkspire
