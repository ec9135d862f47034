#include "util/base64.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::string Base64Encode(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) value |= static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(value >> 18) & 63];
        out += kAlphabet[(value >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(value >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kAlphabet[value & 63] : '=';
    }
    return out;
}

std::optional<std::string> Base64Decode(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::string out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        int values[4];
        int padding = 0;
        for (int k = 0; k < 4; ++k) {
            char c = text[i + static_cast<std::size_t>(k)];
            if (c == '=' && i + 4 == text.size() && k >= 2) {
                values[k] = 0;
                ++padding;
                continue;
            }
            if (padding > 0) return std::nullopt;  // data after padding
            values[k] = Value(c);
            if (values[k] < 0) return std::nullopt;
        }
        unsigned value = (values[0] << 18) | (values[1] << 12) | (values[2] << 6) | values[3];
        out += static_cast<char>((value >> 16) & 0xFF);
        if (padding < 2) out += static_cast<char>((value >> 8) & 0xFF);
        if (padding < 1) out += static_cast<char>(value & 0xFF);
    }
    return out;
}
