#include "api/json_fast_parse.h"

#include <simdjson.h>

namespace {

// The same kinds the ordinary parser gives: 64-bit signed where the integer fits, unsigned above,
// doubles for the rest.
void Copy(simdjson::dom::element element, Json::Value& out) {
    using simdjson::dom::element_type;
    switch (element.type()) {
        case element_type::OBJECT:
            out = Json::Value(Json::objectValue);
            for (simdjson::dom::key_value_pair field : simdjson::dom::object(element)) {
                // A repeated name keeps its last value, as with the ordinary parser.
                Copy(field.value, out[std::string(field.key)]);
            }
            break;
        case element_type::ARRAY: {
            const simdjson::dom::array array(element);
            out = Json::Value(Json::arrayValue);
            out.resize(static_cast<Json::ArrayIndex>(array.size()));
            Json::ArrayIndex i = 0;
            for (simdjson::dom::element item : array)
                Copy(item, out[i++]);
            break;
        }
        case element_type::STRING: {
            const std::string_view text(element);
            out = Json::Value(text.data(), text.data() + text.size());
            break;
        }
        case element_type::INT64:
            out = Json::Value(static_cast<Json::Int64>(std::int64_t(element)));
            break;
        case element_type::UINT64:
            out = Json::Value(static_cast<Json::UInt64>(std::uint64_t(element)));
            break;
        case element_type::DOUBLE:
            out = Json::Value(double(element));
            break;
        case element_type::BOOL:
            out = Json::Value(bool(element));
            break;
        case element_type::NULL_VALUE:
            out = Json::Value();
            break;
    }
}

}  // namespace

bool ParseJsonFast(std::string_view text, Json::Value& root, unsigned maxDepth) {
    root = Json::Value();
    // A parser per call: its buffers follow the answer's size and go with it, instead of staying
    // with a worker thread at the size of the largest answer it ever read.
    simdjson::dom::parser parser;
    if (parser.allocate(text.size(), maxDepth) != simdjson::SUCCESS) return false;
    simdjson::dom::element document;
    if (parser.parse(text.data(), text.size(), true).get(document) != simdjson::SUCCESS) {
        return false;
    }
    Copy(document, root);
    return true;
}
