#include "net/TlsLibrary.h"

#include <openssl/ssl.h>

#include <type_traits>

#include "net/CheckReasons.h"
#include "net/NetworkErrors.h"

namespace larkspire {
namespace {

// No atexit clean-up: a process may exit while TLS connections still run on other threads, and OpenSSL's
// clean-up would pull its state from under them.
bool InitialiseOpenSsl()
{
    return OPENSSL_init_ssl(OPENSSL_INIT_NO_ATEXIT | OPENSSL_INIT_LOAD_SSL_STRINGS | OPENSSL_INIT_LOAD_CRYPTO_STRINGS,
                            nullptr) == 1;
}

constinit TlsLibrary processLibrary(InitialiseOpenSsl);

static_assert(std::is_trivially_destructible_v<TlsLibrary>);

}  // namespace

TlsLibrary& TlsLibrary::Process() { return processLibrary; }

void TlsLibrary::EnsureInitialised()
{
    std::lock_guard lock(mutex_);
    if (initialised_) return;
    if (!initialiser_()) throw TransportError(reason::TlsUnavailable);
    initialised_ = true;
}

}  // namespace larkspire
