#pragma once
// Settings in "Config.ini" in the data directory. Every access reads the file as it is on disk, so
// a change made anywhere (a dialog, the user's editor) counts at once. Missing or unreadable
// settings give the caller's default; the accessors may be used from any thread.

#include <string>
#include <string_view>

// The longest value ReadConfigString returns, in characters.
constexpr std::size_t kMaxConfigStringLength = 2599;

int ReadConfigInt(std::string_view section, std::string_view key, int defaultValue);
std::string ReadConfigString(std::string_view section, std::string_view key,
                             std::string_view defaultValue);
// The whole value, never cut: for values the client writes itself and that may grow past the
// limit (the remembered accounts).
std::string ReadConfigWhole(std::string_view section, std::string_view key);
// Writes the value (the file is replaced atomically). False when the file could not be written.
bool WriteConfigString(std::string_view section, std::string_view key, std::string_view value);
// Yes/no settings are stored as "1" and "0".
bool WriteConfigFlag(std::string_view section, std::string_view key, bool value);

// The full path of "Config.ini".
std::string ConfigFilePath();

// Every key the client reads or writes, with its default.
struct ConfigIntKey {
    std::string_view section;
    std::string_view key;
    int defaultValue;
};
struct ConfigStringKey {
    std::string_view section;
    std::string_view key;
    std::string_view defaultValue;
};

namespace config_keys {
inline constexpr ConfigIntKey kAutoLogin{"normal", "antoLogin", 0};
inline constexpr ConfigIntKey kSoundNotify{"normal", "soundNotify", 1};
inline constexpr ConfigIntKey kExitToTray{"normal", "exitToTray", 1};
inline constexpr ConfigIntKey kShowExitNotify{"normal", "showExitNotify", 1};
inline constexpr ConfigIntKey kShowCloseDialogNotify{"normal", "showCloseDialogNotify", 1};
inline constexpr ConfigIntKey kCloseAllDialogs{"normal", "closeAllDialogs", 0};
inline constexpr ConfigIntKey kPresenceTicks{"main", "time", 30};
inline constexpr ConfigIntKey kOnline{"main", "online", 1};
inline constexpr ConfigStringKey kApiHost{"main", "msg", ""};
inline constexpr ConfigStringKey kPushServer{"main", "long", ""};
// A certificate authority file trusted for the service's HTTPS, for a private deployment.
inline constexpr ConfigStringKey kCaFile{"main", "cafile", ""};
inline constexpr ConfigIntKey kRestrictedGroup{"group", "mid", 0};
inline constexpr ConfigStringKey kSavedAccounts{"account", "saved", ""};
}  // namespace config_keys

inline int ReadConfig(const ConfigIntKey& key) {
    return ReadConfigInt(key.section, key.key, key.defaultValue);
}
inline std::string ReadConfig(const ConfigStringKey& key) {
    return ReadConfigString(key.section, key.key, key.defaultValue);
}
inline bool ReadConfigFlag(const ConfigIntKey& key) {
    return ReadConfig(key) != 0;
}
inline bool WriteConfigFlag(const ConfigIntKey& key, bool value) {
    return WriteConfigFlag(key.section, key.key, value);
}
