#include "storage/tea_cipher.h"

#include <cstdint>
#include <cstring>
#include <random>

namespace {

constexpr std::uint32_t kDelta = 0x9E3779B9;
constexpr int kRounds = 16;

struct Key {
    std::uint32_t k[4];
};

std::uint32_t BigEndian(const unsigned char* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | bytes[3];
}

void PutBigEndian(std::uint32_t value, unsigned char* bytes) {
    bytes[0] = static_cast<unsigned char>(value >> 24);
    bytes[1] = static_cast<unsigned char>(value >> 16);
    bytes[2] = static_cast<unsigned char>(value >> 8);
    bytes[3] = static_cast<unsigned char>(value);
}

Key MakeKey(std::string_view key16) {
    unsigned char bytes[16] = {};
    std::memcpy(bytes, key16.data(), std::min<std::size_t>(16, key16.size()));
    return Key{
        {BigEndian(bytes), BigEndian(bytes + 4), BigEndian(bytes + 8), BigEndian(bytes + 12)}};
}

void EncryptBlock(const unsigned char in[8], unsigned char out[8], const Key& key) {
    std::uint32_t y = BigEndian(in), z = BigEndian(in + 4), sum = 0;
    for (int round = 0; round < kRounds; ++round) {
        sum += kDelta;
        y += ((z << 4) + key.k[0]) ^ (z + sum) ^ ((z >> 5) + key.k[1]);
        z += ((y << 4) + key.k[2]) ^ (y + sum) ^ ((y >> 5) + key.k[3]);
    }
    PutBigEndian(y, out);
    PutBigEndian(z, out + 4);
}

void DecryptBlock(const unsigned char in[8], unsigned char out[8], const Key& key) {
    std::uint32_t y = BigEndian(in), z = BigEndian(in + 4), sum = kDelta * kRounds;
    for (int round = 0; round < kRounds; ++round) {
        z -= ((y << 4) + key.k[2]) ^ (y + sum) ^ ((y >> 5) + key.k[3]);
        y -= ((z << 4) + key.k[0]) ^ (z + sum) ^ ((z >> 5) + key.k[1]);
        sum -= kDelta;
    }
    PutBigEndian(y, out);
    PutBigEndian(z, out + 4);
}

unsigned char RandomByte() {
    static thread_local std::mt19937 random{std::random_device{}()};
    return static_cast<unsigned char>(random());
}

}  // namespace

std::string TeaEncrypt(std::string_view plain, std::string_view key16) {
    const Key key = MakeKey(key16);
    const std::size_t n = plain.size();
    const std::size_t padding = (8 - (n + 10) % 8) % 8;
    std::string stream;
    stream.reserve(n + 10 + padding);
    stream += static_cast<char>((RandomByte() & 0xF8) | padding);
    for (std::size_t i = 0; i < padding + 2; ++i)
        stream += static_cast<char>(RandomByte());
    stream.append(plain);
    stream.append(7, '\0');

    std::string out(stream.size(), '\0');
    unsigned char previousCipher[8] = {}, previousWhitened[8] = {};
    for (std::size_t offset = 0; offset < stream.size(); offset += 8) {
        unsigned char whitened[8], cipher[8];
        for (int i = 0; i < 8; ++i) {
            whitened[i] = static_cast<unsigned char>(stream[offset + i]) ^ previousCipher[i];
        }
        EncryptBlock(whitened, cipher, key);
        for (int i = 0; i < 8; ++i)
            cipher[i] ^= previousWhitened[i];
        std::memcpy(out.data() + offset, cipher, 8);
        std::memcpy(previousCipher, cipher, 8);
        std::memcpy(previousWhitened, whitened, 8);
    }
    return out;
}

std::optional<std::string> TeaDecrypt(std::string_view cipher, std::string_view key16) {
    if (cipher.size() % 8 != 0 || cipher.size() < 16) return std::nullopt;
    const Key key = MakeKey(key16);
    std::string plain(cipher.size(), '\0');
    unsigned char previousCipher[8] = {}, previousWhitened[8] = {};
    for (std::size_t offset = 0; offset < cipher.size(); offset += 8) {
        unsigned char block[8], whitened[8];
        for (int i = 0; i < 8; ++i) {
            block[i] = static_cast<unsigned char>(cipher[offset + i]) ^ previousWhitened[i];
        }
        DecryptBlock(block, whitened, key);
        for (int i = 0; i < 8; ++i) {
            plain[offset + i] = static_cast<char>(whitened[i] ^ previousCipher[i]);
        }
        std::memcpy(previousCipher, cipher.data() + offset, 8);
        std::memcpy(previousWhitened, whitened, 8);
    }
    const std::size_t padding = static_cast<unsigned char>(plain[0]) & 0x7;
    if (cipher.size() < 10 + padding) return std::nullopt;
    for (std::size_t i = plain.size() - 7; i < plain.size(); ++i) {
        if (plain[i] != '\0') return std::nullopt;
    }
    return plain.substr(3 + padding, cipher.size() - 10 - padding);
}
