#pragma once

#include <httplib.h>

#include <cstdint>
#include <optional>
#include <string>

namespace lumeno::server {

// Request values come from the query, a url-encoded body or a multipart text field, in that
// order. Every reader refuses values it cannot use with error 10001 naming the parameter.
std::optional<std::string> ArgText(const httplib::Request& req, const std::string& name);
std::string RequireText(const httplib::Request& req, const std::string& name);
std::int32_t RequireInt(const httplib::Request& req, const std::string& name, std::int32_t min,
                        std::int32_t max);
std::int32_t IntOr(const httplib::Request& req, const std::string& name, std::int32_t fallback,
                   std::int32_t min, std::int32_t max);

// An uploaded file part, or nothing.
const httplib::MultipartFormData* ArgFile(const httplib::Request& req, const std::string& name);

}  // namespace lumeno::server
