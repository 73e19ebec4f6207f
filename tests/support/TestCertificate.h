#pragma once

#include <openssl/types.h>

namespace larkspire::test {

// A self-signed RSA certificate and its key for "localhost", made once per test program with OpenSSL.
struct TestCertificate {
    EVP_PKEY* Key;
    X509* Certificate;
};

const TestCertificate& SharedTestCertificate();

}  // namespace larkspire::test
