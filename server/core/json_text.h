#pragma once

#include <json/json.h>

#include <string>
#include <string_view>

namespace lumeno::server {

// Compact JSON with UTF-8 kept as it is.
std::string WriteJson(const Json::Value& value);

bool ParseJson(std::string_view text, Json::Value& out);

}  // namespace lumeno::server
