#include "net/server_settings.h"

#include <cstdlib>

#include "config/config.h"

const char* ProgramFileVersion() {
    return LUMENO_VERSION;
}

ServerSettings ServerSettings::Load() {
    ServerSettings settings;
    settings.commonQuery =
        std::string("version=") + ProgramFileVersion() + "&channel=pc_beta&appid=2";
    if (ReadConfig(config_keys::kOnline) == 0) {
        settings.apiHostOverride = ReadConfig(config_keys::kApiHost);
        const std::string push = ReadConfig(config_keys::kPushServer);
        auto colon = push.find(':');
        if (colon != std::string::npos && colon > 0) {
            settings.pushHost = push.substr(0, colon);
            settings.pushPort = std::atoi(push.c_str() + colon + 1);
        }
    }
    settings.caFile = ReadConfig(config_keys::kCaFile);
    return settings;
}

const ServerSettings& ServerSettings::Current() {
    static const ServerSettings settings = Load();
    return settings;
}
