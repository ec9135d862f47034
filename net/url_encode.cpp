#include "net/url_encode.h"

#include <cstdio>
#include <cstring>

#include "util/utf.h"

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool IsAlphaNumeric(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

std::string UrlEncode(std::string_view text) {
    static constexpr std::string_view kKept = "-_.!~*'()";
    std::string out;
    out.reserve(text.size() * 3 + 3);
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte == ' ') {
            out += '+';
        } else if (IsAlphaNumeric(byte) || kKept.find(c) != std::string_view::npos) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    return out;
}

CUrlParser::CUrlParser() {
    for (int byte = 0; byte < 256; ++byte) {
        Entry& entry = table_[byte];
        std::memset(entry.text, 0, sizeof entry.text);
        auto c = static_cast<unsigned char>(byte);
        if (IsAlphaNumeric(c) || c == '.' || c == '-' || c == '*' || c == '_') {
            entry.length = 1;
            entry.text[0] = static_cast<char>(c);
        } else if (c == ' ') {
            entry.length = 1;
            entry.text[0] = '+';
        } else {
            entry.length = 3;
            std::snprintf(entry.text, sizeof entry.text, "%%%2.2X", byte);
        }
    }
}

int CUrlParser::EncodeBytes(const std::uint8_t* bytes, std::size_t length, CKesBinaryBuffer** out) {
    if (!out) return 0;
    *out = nullptr;
    std::size_t total = 0;
    for (std::size_t i = 0; i < length; ++i)
        total += table_[bytes[i]].length;
    KesPtr<CKesBinaryBuffer> buffer;
    if (buffer.Get(CKesBinaryBuffer::kNumber) != S_OK) return 0;
    std::uint8_t* target = buffer->SetSize(total);
    if (!target && total > 0) return 0;
    for (std::size_t i = 0; i < length; ++i) {
        const Entry& entry = table_[bytes[i]];
        std::memcpy(target, entry.text, entry.length);
        target += entry.length;
    }
    buffer->AddRef();
    *out = buffer.get();
    return 1;
}

int CUrlParser::EncodeNarrow(const char* text, CKesBinaryBuffer** out) {
    const char* safe = text ? text : "";
    return EncodeBytes(reinterpret_cast<const std::uint8_t*>(safe), std::strlen(safe), out);
}

int CUrlParser::EncodeText(const std::u16string& text, CKesBinaryBuffer** out) {
    // The platform's narrow code page is UTF-8.
    std::string narrow = Utf16ToUtf8(text);
    return EncodeBytes(reinterpret_cast<const std::uint8_t*>(narrow.data()), narrow.size(), out);
}

const ComponentRecord kNetComponentTable[] = {
    ComponentTableHeader(),
    ComponentEntry<CUrlParser>(u"CUrlParser", true),
    ComponentTableEnd(),
};
