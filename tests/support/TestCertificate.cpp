#include "tests/support/TestCertificate.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <stdexcept>

#include "net/TlsLibrary.h"

namespace larkspire::test {
namespace {

void AddExtension(X509* certificate, X509* issuer, int id, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, id, value);
    if (extension == nullptr || X509_add_ext(certificate, extension, -1) != 1) {
        X509_EXTENSION_free(extension);
        throw std::runtime_error("test certificate: extension not added");
    }
    X509_EXTENSION_free(extension);
}

// A certificate named commonName for a new key, signed by issuer (itself when issuer is null).
TestCertificate MakeCertificate(const char* commonName, const TestCertificate* issuer, long serial)
{
    // Initialise OpenSSL the way the program does, whoever touches it first.
    TlsLibrary::Process().EnsureInitialised();
    EVP_PKEY* key = EVP_RSA_gen(2048);
    X509* certificate = X509_new();
    if (key == nullptr || certificate == nullptr) throw std::runtime_error("test certificate: out of memory");
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), serial);
    X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 30L * 24 * 3600);
    X509_set_pubkey(certificate, key);
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    X509_set_issuer_name(certificate, issuer != nullptr ? X509_get_subject_name(issuer->Certificate) : name);
    return TestCertificate{key, certificate};
}

void Sign(const TestCertificate& certificate, const TestCertificate& issuer)
{
    if (X509_sign(certificate.Certificate, issuer.Key, EVP_sha256()) == 0) {
        throw std::runtime_error("test certificate: signing failed");
    }
}

TestCertificate MakeSelfSigned()
{
    const TestCertificate certificate = MakeCertificate("localhost", nullptr, 1);
    Sign(certificate, certificate);
    return certificate;
}

TestCertificate MakeAuthority()
{
    const TestCertificate authority = MakeCertificate("Larkspire test authority", nullptr, 2);
    AddExtension(authority.Certificate, authority.Certificate, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(authority.Certificate, authority.Certificate, NID_key_usage, "critical,keyCertSign");
    Sign(authority, authority);
    return authority;
}

TestCertificate MakeSignedByAuthority()
{
    const TestCertificate& authority = TestAuthority();
    const TestCertificate certificate = MakeCertificate("127.0.0.1", &authority, 3);
    AddExtension(certificate.Certificate, authority.Certificate, NID_subject_alt_name, "IP:127.0.0.1");
    Sign(certificate, authority);
    return certificate;
}

}  // namespace

// Each is kept for the whole test program: every TLS test server shares them.
const TestCertificate& SharedTestCertificate()
{
    static const TestCertificate certificate = MakeSelfSigned();
    return certificate;
}

const TestCertificate& TestAuthority()
{
    static const TestCertificate authority = MakeAuthority();
    return authority;
}

const TestCertificate& CertificateSignedByTestAuthority()
{
    static const TestCertificate certificate = MakeSignedByAuthority();
    return certificate;
}

std::string TestAuthorityPem()
{
    BIO* memory = BIO_new(BIO_s_mem());
    if (memory == nullptr || PEM_write_bio_X509(memory, TestAuthority().Certificate) != 1) {
        BIO_free(memory);
        throw std::runtime_error("test certificate: PEM not written");
    }
    char* data = nullptr;
    const long size = BIO_get_mem_data(memory, &data);
    std::string pem(data, static_cast<std::size_t>(size));
    BIO_free(memory);
    return pem;
}

}  // namespace larkspire::test
