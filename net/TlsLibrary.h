#pragma once

#include <mutex>

namespace larkspire {

// OpenSSL's process-wide initialisation: done once, under a lock, by the first TLS connection of any thread.
// A failed attempt is not remembered, so the next TLS connection tries again.
class TlsLibrary {
public:
    using Initialiser = bool (*)();

    // The library of this process, initialised by OpenSSL itself.
    static TlsLibrary& Process();

    explicit constexpr TlsLibrary(Initialiser initialiser) : initialiser_(initialiser) {}

    // Throws TransportError when the library cannot be initialised.
    void EnsureInitialised();

private:
    // Trivially destructible on purpose: the process-wide instance must outlive every thread at exit.
    Initialiser initialiser_;
    std::mutex mutex_;
    bool initialised_ = false;
};

}  // namespace larkspire
