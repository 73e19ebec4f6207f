#include "tests/support/TestCertificate.h"

#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <mutex>
#include <stdexcept>

#include "net/TlsLibrary.h"

namespace larkspire::test {
namespace {

TestCertificate MakeCertificate() {
    // Initialise OpenSSL the way the program does, whoever touches it first.
    TlsLibrary::Process().EnsureInitialised();
    EVP_PKEY* key = EVP_RSA_gen(2048);
    X509* certificate = X509_new();
    if (key == nullptr || certificate == nullptr) throw std::runtime_error("test certificate: out of memory");
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
    X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 30L * 24 * 3600);
    X509_set_pubkey(certificate, key);
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("localhost"), -1, -1, 0);
    X509_set_issuer_name(certificate, name);
    if (X509_sign(certificate, key, EVP_sha256()) == 0) throw std::runtime_error("test certificate: signing failed");
    return TestCertificate{key, certificate};
}

}  // namespace

// Kept for the whole test program: every TLS test server shares it.
const TestCertificate& SharedTestCertificate() {
    static const TestCertificate certificate = MakeCertificate();
    return certificate;
}

}  // namespace larkspire::test
