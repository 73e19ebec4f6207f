#pragma once

#include <openssl/types.h>

#include <string>

namespace larkspire::test {

// A certificate and its RSA key, made with OpenSSL and kept for the whole test program.
struct TestCertificate {
    EVP_PKEY* Key;
    X509* Certificate;
};

// Self-signed, for "localhost": nobody trusts it.
const TestCertificate& SharedTestCertificate();

// A certificate authority that exists only in tests, and a certificate for the address 127.0.0.1 that it
// signed: trusted wherever the authority is.
const TestCertificate& TestAuthority();
const TestCertificate& CertificateSignedByTestAuthority();

// The authority's certificate in PEM form, as a trust store file holds it.
std::string TestAuthorityPem();

}  // namespace larkspire::test
