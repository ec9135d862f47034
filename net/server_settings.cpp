#include "net/server_settings.h"

#include <charconv>
#include <string_view>

#include "config/config.h"

namespace {

// "host:port" with a port from 1 to 65535 and nothing after it; false for anything else.
bool ReadPushServer(std::string_view text, std::string& host, int& port) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    const std::string_view digits = text.substr(colon + 1);
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value < 1 || value > 65535)
        return false;
    host = std::string(text.substr(0, colon));
    port = value;
    return true;
}

}  // namespace

const char* ProgramFileVersion() {
    return LUMENO_VERSION;
}

ServerSettings ServerSettings::Load() {
    ServerSettings settings;
    settings.commonQuery =
        std::string("version=") + ProgramFileVersion() + "&channel=pc_beta&appid=2";
    if (ReadConfig(config_keys::kOnline) == 0) {
        settings.apiHostOverride = ReadConfig(config_keys::kApiHost);
        // An address without a usable port leaves the built-in push server.
        ReadPushServer(ReadConfig(config_keys::kPushServer), settings.pushHost, settings.pushPort);
    }
    settings.caFile = ReadConfig(config_keys::kCaFile);
    return settings;
}

const ServerSettings& ServerSettings::Current() {
    static const ServerSettings settings = Load();
    return settings;
}
