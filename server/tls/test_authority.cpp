#include "server/tls/test_authority.h"

#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

#include <filesystem>
#include <stdexcept>

namespace lumeno::server {
namespace {

constexpr long kDay = 24 * 60 * 60;

std::unique_ptr<EVP_PKEY, KeyFree> NewKey() {
    std::unique_ptr<EVP_PKEY, KeyFree> key(EVP_EC_gen("P-256"));
    if (!key) throw std::runtime_error("cannot make a key");
    return key;
}

void AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (!ext) throw std::runtime_error(std::string("bad certificate extension ") + value);
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
}

struct CertPlan {
    const char* common_name;
    bool authority;
    const char* alt_names;  // null for an authority
    long valid_from;        // seconds from now
    long valid_until;
};

std::unique_ptr<X509, X509Free> Issue(const CertPlan& plan, EVP_PKEY* key, X509* issuer,
                                      EVP_PKEY* issuer_key) {
    std::unique_ptr<X509, X509Free> cert(X509_new());
    X509_set_version(cert.get(), 2);
    unsigned char serial[8];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7F;
    BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert.get()));
    BN_free(bn);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), plan.valid_from);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), plan.valid_until);
    X509_set_pubkey(cert.get(), key);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("Lumeno Test"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(plan.common_name), -1, -1, 0);
    X509* signer = issuer ? issuer : cert.get();
    X509_set_issuer_name(cert.get(), X509_get_subject_name(signer));
    AddExtension(cert.get(), signer, NID_subject_key_identifier, "hash");
    if (issuer) AddExtension(cert.get(), signer, NID_authority_key_identifier, "keyid:always");
    if (plan.authority) {
        AddExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE");
        AddExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        AddExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:FALSE");
        AddExtension(cert.get(), signer, NID_key_usage, "critical,digitalSignature");
        AddExtension(cert.get(), signer, NID_ext_key_usage, "serverAuth");
        AddExtension(cert.get(), signer, NID_subject_alt_name, plan.alt_names);
    }
    if (X509_sign(cert.get(), issuer_key ? issuer_key : key, EVP_sha256()) == 0)
        throw std::runtime_error("cannot sign a certificate");
    return cert;
}

void WritePem(const std::string& path, X509* cert, EVP_PKEY* key) {
    BIO* bio = BIO_new_file(path.c_str(), "w");
    if (!bio) throw std::runtime_error("cannot write " + path);
    bool ok = cert ? PEM_write_bio_X509(bio, cert) == 1
                   : PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    BIO_free(bio);
    if (!ok) throw std::runtime_error("cannot write " + path);
}

}  // namespace

bool CertVariantFromName(const std::string& name, CertVariant& out) {
    if (name == "good")
        out = CertVariant::kGood;
    else if (name == "wrong-host")
        out = CertVariant::kWrongHost;
    else if (name == "expired")
        out = CertVariant::kExpired;
    else if (name == "untrusted")
        out = CertVariant::kUntrusted;
    else
        return false;
    return true;
}

TestCredentials MakeTestCredentials(const std::string& dir, CertVariant variant) {
    std::filesystem::create_directories(dir);
    TestCredentials result;
    auto ca_key = NewKey();
    result.ca_cert = Issue({"Lumeno Test Authority", true, nullptr, -kDay, 365 * kDay},
                           ca_key.get(), nullptr, nullptr);

    // The untrusted variant is signed by a second authority that is never written out.
    auto stranger_key = NewKey();
    auto stranger = Issue({"Unknown Authority", true, nullptr, -kDay, 365 * kDay},
                          stranger_key.get(), nullptr, nullptr);
    X509* issuer = variant == CertVariant::kUntrusted ? stranger.get() : result.ca_cert.get();
    EVP_PKEY* issuer_key = variant == CertVariant::kUntrusted ? stranger_key.get() : ca_key.get();

    CertPlan plan{"127.0.0.1", false, "IP:127.0.0.1,DNS:localhost", -kDay, 30 * kDay};
    if (variant == CertVariant::kWrongHost)
        plan = {"wrong.invalid", false, "DNS:wrong.invalid", -kDay, 30 * kDay};
    if (variant == CertVariant::kExpired) plan.valid_from = -30 * kDay, plan.valid_until = -kDay;
    result.server_key = NewKey();
    result.server_cert = Issue(plan, result.server_key.get(), issuer, issuer_key);

    result.ca_path = dir + "/ca.pem";
    WritePem(result.ca_path, result.ca_cert.get(), nullptr);
    WritePem(dir + "/server.pem", result.server_cert.get(), nullptr);
    WritePem(dir + "/server.key", nullptr, result.server_key.get());
    return result;
}

}  // namespace lumeno::server
