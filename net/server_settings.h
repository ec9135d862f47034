#pragma once
// Where the service is: built into the program, replaceable through Config.ini for a test or
// private deployment ("main"/"online" 0 with "main"/"msg" and "main"/"long"). Read once at start.

#include <string>

// The deployment's servers.
inline constexpr const char* kBuiltInApiHost = "api.lumeno.im";
inline constexpr const char* kBuiltInPushHost = "push.lumeno.im";
inline constexpr int kBuiltInPushPort = 443;

struct ServerSettings {
    // "version=<file version>&channel=pc_beta&appid=2", appended to every API request.
    std::string commonQuery;
    std::string pushHost = kBuiltInPushHost;
    int pushPort = kBuiltInPushPort;
    // Replaces the API host (and turns HTTPS into HTTP) when not empty.
    std::string apiHostOverride;
    // An extra certificate authority file ("main"/"cafile") trusted instead of the system's
    // store, for a private deployment.
    std::string caFile;

    // The settings of this run, read from Config.ini on first use and kept.
    static const ServerSettings& Current();
    // Reads Config.ini as it is now.
    static ServerSettings Load();
};

// The program's file version, "major.minor.build.revision".
const char* ProgramFileVersion();
