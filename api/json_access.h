#pragma once
// Reading service answers. One JSON object at a time is flattened into texts, 32-bit integers
// and reals by member name; the getters then copy a member into a field, and leave the field as
// it was when the member is missing or of another kind. Arrays and nested objects are reached
// through the parse tree.

#include <json/value.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Parses an answer. False (and a null root) for anything that is not JSON.
bool ParseJson(std::string_view text, Json::Value& root);
// The same with the ordinary parser alone (what ParseJson falls back to).
bool ParseJsonPlain(std::string_view text, Json::Value& root);

// A flattened object. Its names and texts point into the parse tree, which must outlive it.
class FlatObject {
  public:
    void GetText(std::string_view name, std::string& destination) const;
    void GetInt(std::string_view name, std::int32_t& destination) const;
    // 1 when the integer member is not 0, else 0.
    void GetFlag(std::string_view name, std::int32_t& destination) const;
    bool GetReal(std::string_view name, double& destination) const;
    bool HasInt(std::string_view name) const;

  private:
    friend bool FlattenObject(const Json::Value& value, FlatObject& flat);
    std::vector<std::pair<std::string_view, std::string_view>> texts_;
    std::vector<std::pair<std::string_view, std::int32_t>> ints_;
    std::vector<std::pair<std::string_view, double>> reals_;
};

// Strings become texts; integers from -2147483648 to 2147483647 become integers; reals and
// integers beyond the 32-bit ranges become reals; integers from 2147483648 to 4294967295,
// booleans, nulls, arrays and objects are left out. False when the value is not an object.
bool FlattenObject(const Json::Value& value, FlatObject& flat);

// The member `name` of `object` when it is an array (or object), else null.
const Json::Value* ArrayMember(const Json::Value& object, const char* name);
const Json::Value* ObjectMember(const Json::Value& object, const char* name);
