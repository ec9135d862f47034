#include "server/core/json_text.h"

#include <cstdio>
#include <memory>

namespace lumeno::server {
namespace {

void WriteString(const std::string& text, std::string& out) {
    static const char digits[] = "0123456789abcdef";
    out += '"';
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (u < 0x20) {
                    out += "\\u00";
                    out += digits[u >> 4];
                    out += digits[u & 15];
                } else {
                    out += c;  // UTF-8 stays as it is
                }
        }
    }
    out += '"';
}

void Write(const Json::Value& v, std::string& out) {
    switch (v.type()) {
        case Json::nullValue:
            out += "null";
            break;
        case Json::intValue:
            out += std::to_string(v.asLargestInt());
            break;
        case Json::uintValue:
            out += std::to_string(v.asLargestUInt());
            break;
        case Json::realValue: {
            char number[40];
            std::snprintf(number, sizeof number, "%.17g", v.asDouble());
            out += number;
            break;
        }
        case Json::stringValue:
            WriteString(v.asString(), out);
            break;
        case Json::booleanValue:
            out += v.asBool() ? "true" : "false";
            break;
        case Json::arrayValue: {
            out += '[';
            for (Json::ArrayIndex i = 0; i < v.size(); ++i) {
                if (i > 0) out += ',';
                Write(v[i], out);
            }
            out += ']';
            break;
        }
        case Json::objectValue: {
            out += '{';
            bool first = true;
            for (auto it = v.begin(); it != v.end(); ++it) {
                if (!first) out += ',';
                first = false;
                WriteString(it.name(), out);
                out += ':';
                Write(*it, out);
            }
            out += '}';
            break;
        }
    }
}

}  // namespace

std::string WriteJson(const Json::Value& value) {
    // The library's stream writer is several times slower on large answers (10,000 contacts).
    std::string out;
    out.reserve(4096);
    Write(value, out);
    return out;
}

bool ParseJson(std::string_view text, Json::Value& out) {
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    return reader->parse(text.data(), text.data() + text.size(), &out, &errors);
}

}  // namespace lumeno::server
