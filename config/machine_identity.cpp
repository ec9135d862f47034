#include "config/machine_identity.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <atomic>
#include <ctime>
#include <random>

#include "platform/machine_facts.h"

namespace {

std::string Hex(const unsigned char* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0xF];
    }
    return text;
}

const std::string& ProcessIdentifier() {
    static const std::string identifier = [] {
        unsigned char bytes[16];
        if (RAND_bytes(bytes, sizeof bytes) != 1) {
            std::random_device device;
            for (auto& byte : bytes)
                byte = static_cast<unsigned char>(device());
        }
        return Hex(bytes, sizeof bytes);
    }();
    return identifier;
}

}  // namespace

std::string Md5Hex(const std::string& data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(data.data(), data.size(), digest, &length, EVP_md5(), nullptr) != 1) {
        return std::string(32, '0');
    }
    return Hex(digest, length);
}

const std::string& MachineId() {
    static const std::string identity = [] {
        std::string material;
        for (const std::string& fact : platform::MachineFacts())
            material += fact;
        return Md5Hex(material);
    }();
    return identity;
}

std::string UniqueToken() {
    static std::atomic<long long> sequence{0};
    return ProcessIdentifier() + std::to_string(static_cast<long long>(std::time(nullptr))) +
           std::to_string(++sequence);
}
