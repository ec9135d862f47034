#include "server/api/request_args.h"

#include "server/api/api_error.h"
#include "server/core/text.h"

namespace lumeno::server {

std::optional<std::string> ArgText(const httplib::Request& req, const std::string& name) {
    if (req.has_param(name)) return req.get_param_value(name);
    auto found = req.files.find(name);
    if (found != req.files.end() && found->second.filename.empty()) return found->second.content;
    return std::nullopt;
}

std::string RequireText(const httplib::Request& req, const std::string& name) {
    std::optional<std::string> value = ArgText(req, name);
    if (!value || value->empty()) throw BadParameter(name, "missing");
    if (!IsValidUtf8(*value)) throw BadParameter(name, "not UTF-8 text");
    return *value;
}

std::int32_t RequireInt(const httplib::Request& req, const std::string& name, std::int32_t min,
                        std::int32_t max) {
    std::optional<std::string> value = ArgText(req, name);
    if (!value || value->empty()) throw BadParameter(name, "missing");
    std::optional<std::int32_t> number = ParseInt32(*value);
    if (!number) throw BadParameter(name, "not a 32-bit integer");
    if (*number < min || *number > max)
        throw BadParameter(name, "outside " + std::to_string(min) + ".." + std::to_string(max));
    return *number;
}

std::int32_t IntOr(const httplib::Request& req, const std::string& name, std::int32_t fallback,
                   std::int32_t min, std::int32_t max) {
    std::optional<std::string> value = ArgText(req, name);
    if (!value || value->empty()) return fallback;
    return RequireInt(req, name, min, max);
}

const httplib::MultipartFormData* ArgFile(const httplib::Request& req, const std::string& name) {
    auto found = req.files.find(name);
    if (found == req.files.end() || found->second.filename.empty()) return nullptr;
    return &found->second;
}

}  // namespace lumeno::server
