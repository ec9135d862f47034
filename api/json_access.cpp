#include "api/json_access.h"

#include <json/reader.h>

#include "api/json_fast_parse.h"

#include <algorithm>
#include <climits>
#include <memory>

namespace {

// Deeper nesting is refused rather than recursed into.
constexpr unsigned kMostNesting = 256;

template <typename T>
const T* Lookup(const std::vector<std::pair<std::string_view, T>>& members, std::string_view name) {
    // Later duplicates win, as they would in a map filled in member order.
    for (auto it = members.rbegin(); it != members.rend(); ++it) {
        if (it->first == name) return &it->second;
    }
    return nullptr;
}

Json::CharReaderBuilder MakeBuilder() {
    Json::CharReaderBuilder builder;
    builder["collectComments"] = false;
    builder["stackLimit"] = kMostNesting;
    return builder;
}

}  // namespace

bool ParseJson(std::string_view text, Json::Value& root) {
    if (ParseJsonFast(text, root, kMostNesting)) return true;
    return ParseJsonPlain(text, root);
}

bool ParseJsonPlain(std::string_view text, Json::Value& root) {
    static const Json::CharReaderBuilder builder = MakeBuilder();
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    root = Json::Value();
    std::string errors;
    bool parsed = false;
    try {
        parsed = reader->parse(text.data(), text.data() + text.size(), &root, &errors);
    } catch (const std::exception&) {
        parsed = false;  // nesting deeper than the limit
    }
    if (!parsed) root = Json::Value();
    return parsed;
}

bool FlattenObject(const Json::Value& value, FlatObject& flat) {
    flat = FlatObject{};
    if (!value.isObject()) return false;
    for (auto it = value.begin(); it != value.end(); ++it) {
        const char* nameEnd = nullptr;
        const char* nameBegin = it.memberName(&nameEnd);
        std::string_view name(nameBegin, static_cast<std::size_t>(nameEnd - nameBegin));
        const Json::Value& member = *it;
        switch (member.type()) {
            case Json::stringValue: {
                const char* begin = nullptr;
                const char* end = nullptr;
                member.getString(&begin, &end);
                flat.texts_.emplace_back(
                    name, std::string_view(begin, static_cast<std::size_t>(end - begin)));
                break;
            }
            case Json::intValue: {
                // The parser keeps every integer that fits 64 bits as signed; sort by value.
                Json::Int64 number = member.asInt64();
                if (number >= INT_MIN && number <= INT_MAX) {
                    flat.ints_.emplace_back(name, static_cast<std::int32_t>(number));
                } else if (number < INT_MIN || number > static_cast<Json::Int64>(UINT_MAX)) {
                    flat.reals_.emplace_back(name, static_cast<double>(number));
                }
                // 2147483648 to 4294967295: an unsigned 32-bit value, not flattened.
                break;
            }
            case Json::uintValue: {
                Json::UInt64 number = member.asUInt64();
                if (number <= static_cast<Json::UInt64>(INT_MAX)) {
                    flat.ints_.emplace_back(name, static_cast<std::int32_t>(number));
                } else if (number > UINT_MAX) {
                    flat.reals_.emplace_back(name, static_cast<double>(number));
                }
                // 2147483648 to 4294967295: an unsigned 32-bit value, not flattened.
                break;
            }
            case Json::realValue:
                flat.reals_.emplace_back(name, member.asDouble());
                break;
            default:
                break;
        }
    }
    return true;
}

void FlatObject::GetText(std::string_view name, std::string& destination) const {
    if (const auto* text = Lookup(texts_, name)) destination.assign(text->data(), text->size());
}

void FlatObject::GetInt(std::string_view name, std::int32_t& destination) const {
    if (const auto* number = Lookup(ints_, name)) destination = *number;
}

void FlatObject::GetFlag(std::string_view name, std::int32_t& destination) const {
    if (const auto* number = Lookup(ints_, name)) destination = *number != 0 ? 1 : 0;
}

bool FlatObject::GetReal(std::string_view name, double& destination) const {
    const auto* number = Lookup(reals_, name);
    if (number) destination = *number;
    return number != nullptr;
}

bool FlatObject::HasInt(std::string_view name) const {
    return Lookup(ints_, name) != nullptr;
}

const Json::Value* ArrayMember(const Json::Value& object, const char* name) {
    if (!object.isObject()) return nullptr;
    const Json::Value* member = object.find(name, name + std::char_traits<char>::length(name));
    return member && member->isArray() ? member : nullptr;
}

const Json::Value* ObjectMember(const Json::Value& object, const char* name) {
    if (!object.isObject()) return nullptr;
    const Json::Value* member = object.find(name, name + std::char_traits<char>::length(name));
    return member && member->isObject() ? member : nullptr;
}
