// The HTTPS listener with certificates from the service's own test authority, checked by a
// real TLS client.
#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>

#include "server_test_support.h"

namespace lumeno::server::testing {
namespace {

struct Handshake {
    bool connected = false;
    long verify = -1;
    std::string answer;
};

// Connects to 127.0.0.1:port, trusting `ca` (none when empty) and checking `host` (none when
// empty), and asks for the update check.
Handshake Connect(int port, const std::string& ca, const std::string& host) {
    Handshake result;
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    if (!ca.empty()) SSL_CTX_load_verify_locations(ctx, ca.c_str(), nullptr);
    SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);  // read the verdict instead of failing
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &addr.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        SSL* ssl = SSL_new(ctx);
        SSL_set_fd(ssl, fd);
        if (!host.empty()) {
            X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
            if (!X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str()))
                X509_VERIFY_PARAM_set1_host(param, host.c_str(), 0);
        }
        if (SSL_connect(ssl) == 1) {
            result.connected = true;
            result.verify = SSL_get_verify_result(ssl);
            std::string request =
                "GET /lumeno/check_version?p=windows HTTP/1.0\r\nAccept: */*\r\n\r\n";
            SSL_write(ssl, request.data(), static_cast<int>(request.size()));
            char buffer[4096];
            int n;
            while ((n = SSL_read(ssl, buffer, sizeof buffer)) > 0)
                result.answer.append(buffer, static_cast<size_t>(n));
        }
        SSL_free(ssl);
    }
    close(fd);
    SSL_CTX_free(ctx);
    return result;
}

class ServerTls : public ServiceFixture {
  protected:
    void Start(const char* variant) {
        dir = std::filesystem::temp_directory_path() /
              ("lumeno-tls-test-" + std::to_string(getpid()) + "-" + variant);
        Options options;
        options.tls = true;
        options.tls_dir = dir.string();
        CertVariantFromName(variant, options.tls_cert);
        StartService("none", options);
    }
    void TearDown() override {
        ServiceFixture::TearDown();
        std::filesystem::remove_all(dir);
    }
    std::string ca() const { return (dir / "ca.pem").string(); }

    std::filesystem::path dir;
};

TEST_F(ServerTls, GoodCertificateVerifiesForTheLoopbackAddress) {
    Start("good");
    ASSERT_GT(app().tls_port(), 0);
    EXPECT_EQ(app().ca_path(), ca());
    Handshake h = Connect(app().tls_port(), ca(), "127.0.0.1");
    ASSERT_TRUE(h.connected);
    EXPECT_EQ(h.verify, X509_V_OK);
    EXPECT_NE(h.answer.find("\"version\""), std::string::npos) << "the same API over TLS";
    EXPECT_NE(h.answer.find("https://127.0.0.1:" + std::to_string(app().tls_port()) + "/files/"),
              std::string::npos)
        << "download addresses follow the listener";
    EXPECT_EQ(Connect(app().tls_port(), ca(), "localhost").verify, X509_V_OK);
    EXPECT_NE(Connect(app().tls_port(), "", "127.0.0.1").verify, X509_V_OK)
        << "without the test authority nothing is trusted";
    EXPECT_TRUE(CanConnect(api())) << "plain HTTP goes on beside it";
}

TEST_F(ServerTls, WrongHostIsSignedByTheAuthorityButNamesAnotherHost) {
    Start("wrong-host");
    EXPECT_EQ(Connect(app().tls_port(), ca(), "").verify, X509_V_OK);
    EXPECT_EQ(Connect(app().tls_port(), ca(), "127.0.0.1").verify, X509_V_ERR_IP_ADDRESS_MISMATCH);
}

TEST_F(ServerTls, ExpiredCertificateIsReportedAsExpired) {
    Start("expired");
    EXPECT_EQ(Connect(app().tls_port(), ca(), "127.0.0.1").verify, X509_V_ERR_CERT_HAS_EXPIRED);
}

TEST_F(ServerTls, UntrustedCertificateHasAnUnknownIssuer) {
    Start("untrusted");
    long verify = Connect(app().tls_port(), ca(), "127.0.0.1").verify;
    EXPECT_TRUE(verify == X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY ||
                verify == X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT)
        << verify;
}

}  // namespace
}  // namespace lumeno::server::testing
