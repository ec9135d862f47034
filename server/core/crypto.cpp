#include "server/core/crypto.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <stdexcept>
#include <vector>

namespace lumeno::server {
namespace {

std::string ToHex(const unsigned char* data, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 0x0F];
    }
    return text;
}

}  // namespace

std::string RandomHex(size_t bytes) {
    std::vector<unsigned char> buffer(bytes);
    if (RAND_bytes(buffer.data(), static_cast<int>(buffer.size())) != 1)
        throw std::runtime_error("no random bytes available");
    return ToHex(buffer.data(), buffer.size());
}

std::string PasswordHash(std::string_view password, std::string_view salt) {
    // Enough rounds to make guessing costly, few enough for quick sign-ins in tests.
    constexpr int kRounds = 20000;
    unsigned char out[32];
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                          reinterpret_cast<const unsigned char*>(salt.data()),
                          static_cast<int>(salt.size()), kRounds, EVP_sha256(), sizeof out,
                          out) != 1)
        throw std::runtime_error("password hashing failed");
    return ToHex(out, sizeof out);
}

std::string Md5Hex(std::string_view data) {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(data.data(), data.size(), out, &size, EVP_md5(), nullptr) != 1)
        throw std::runtime_error("md5 failed");
    return ToHex(out, size);
}

}  // namespace lumeno::server
