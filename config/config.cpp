#include "config/config.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>

#include "config/ini_file.h"
#include "platform/directories.h"
#include "platform/private_files.h"

namespace {

// Read-modify-write of the file from two threads must not lose either change.
std::mutex& WriteMutex() {
    static std::mutex mutex;
    return mutex;
}

IniFile LoadConfig() {
    return IniFile(platform::ReadWholeFile(ConfigFilePath(), 4u * 1024 * 1024).value_or(""));
}

// Cuts UTF-8 text to at most `limit` characters without splitting one.
std::string CutCharacters(std::string text, std::size_t limit) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && characters++ == limit) {
            text.resize(i);
            break;
        }
    }
    return text;
}

}  // namespace

std::string ConfigFilePath() {
    return platform::JoinPath(platform::DataDirectory(), "Config.ini");
}

int ReadConfigInt(std::string_view section, std::string_view key, int defaultValue) {
    auto value = LoadConfig().Get(section, key);
    if (!value || value->empty()) return defaultValue;
    errno = 0;
    char* end = nullptr;
    long number = std::strtol(value->c_str(), &end, 10);
    // A value that does not start with a number is treated as absent.
    if (end == value->c_str() || errno == ERANGE || number < INT_MIN || number > INT_MAX) {
        return defaultValue;
    }
    return static_cast<int>(number);
}

std::string ReadConfigString(std::string_view section, std::string_view key,
                             std::string_view defaultValue) {
    auto value = LoadConfig().Get(section, key);
    return CutCharacters(value ? std::move(*value) : std::string(defaultValue),
                         kMaxConfigStringLength);
}

std::string ReadConfigWhole(std::string_view section, std::string_view key) {
    return LoadConfig().Get(section, key).value_or("");
}

bool WriteConfigString(std::string_view section, std::string_view key, std::string_view value) {
    std::lock_guard lock(WriteMutex());
    IniFile file = LoadConfig();
    file.Set(section, key, value);
    return platform::WriteFileAtomically(ConfigFilePath(), file.Text());
}

bool WriteConfigFlag(std::string_view section, std::string_view key, bool value) {
    return WriteConfigString(section, key, value ? "1" : "0");
}
