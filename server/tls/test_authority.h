#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

namespace lumeno::server {

// Which server certificate the TLS listener presents.
enum class CertVariant {
    kGood,       // signed by the test authority for 127.0.0.1 and localhost
    kWrongHost,  // signed by the test authority, but for another host name
    kExpired,    // signed by the test authority, validity ended yesterday
    kUntrusted,  // signed by an authority nobody was given
};

bool CertVariantFromName(const std::string& name, CertVariant& out);

struct X509Free {
    void operator()(X509* x) const { X509_free(x); }
};
struct KeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};

// A certificate authority made for tests, and the server certificate it issued. The authority's
// certificate is written to "<dir>/ca.pem" for clients to trust; the server's certificate and
// key to "server.pem" and "server.key".
struct TestCredentials {
    std::unique_ptr<X509, X509Free> ca_cert;
    std::unique_ptr<X509, X509Free> server_cert;
    std::unique_ptr<EVP_PKEY, KeyFree> server_key;
    std::string ca_path;
};

TestCredentials MakeTestCredentials(const std::string& dir, CertVariant variant);

}  // namespace lumeno::server
