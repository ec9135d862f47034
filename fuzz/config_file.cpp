// Config.ini as a user may have edited it: every setting the client reads, the service's address
// among them, then a setting written the way the client writes one. Writing one setting changes
// no other.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "config/config.h"
#include "fuzz/fuzz_check.h"
#include "net/server_settings.h"
#include "platform/private_files.h"
#include "storage/saved_accounts.h"

namespace {

constexpr ConfigIntKey kIntKeys[] = {config_keys::kAutoLogin,
                                     config_keys::kSoundNotify,
                                     config_keys::kExitToTray,
                                     config_keys::kShowExitNotify,
                                     config_keys::kShowCloseDialogNotify,
                                     config_keys::kCloseAllDialogs,
                                     config_keys::kPresenceTicks,
                                     config_keys::kOnline,
                                     config_keys::kRestrictedGroup};
constexpr ConfigStringKey kStringKeys[] = {config_keys::kApiHost, config_keys::kPushServer,
                                           config_keys::kCaFile, config_keys::kSavedAccounts};

std::vector<std::string> EveryValue() {
    std::vector<std::string> values;
    for (const ConfigIntKey& key : kIntKeys)
        values.push_back(ReadConfigWhole(key.section, key.key));
    for (const ConfigStringKey& key : kStringKeys)
        values.push_back(ReadConfigWhole(key.section, key.key));
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A data folder of this run's own, never the user's; in memory where there is one, since
    // every setting written is synchronised to the disk.
    static char folder[] = "/dev/shm/lumeno-fuzz-config-XXXXXX";
    if (::access("/dev/shm", W_OK) != 0) std::strcpy(folder, "/tmp/lumeno-fuzz-config-XXXXXX");
    FUZZ_EXPECT(::mkdtemp(folder) != nullptr);
    ::setenv("XDG_DATA_HOME", folder, 1);
    std::atexit([] {
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks the setting written; the rest is the file.
    const std::uint8_t pick = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    FUZZ_EXPECT(platform::WriteFileAtomically(ConfigFilePath(), text));

    for (const ConfigIntKey& key : kIntKeys)
        ReadConfig(key);
    for (const ConfigStringKey& key : kStringKeys)
        FUZZ_EXPECT(ReadConfig(key).size() <= 4 * kMaxConfigStringLength);
    const ServerSettings settings = ServerSettings::Load();
    FUZZ_EXPECT(settings.pushPort > 0 && settings.pushPort < 65536);
    SavedAccounts saved;
    saved.LoadSaved();
    FUZZ_EXPECT(saved.SavedList().size() <= SavedAccounts::kMostSavedAccounts);

    const std::vector<std::string> before = EveryValue();
    const std::size_t count = std::size(kIntKeys) + std::size(kStringKeys);
    const std::size_t written = pick % count;
    const ConfigIntKey* intKey = written < std::size(kIntKeys) ? &kIntKeys[written] : nullptr;
    const std::string_view section =
        intKey ? intKey->section : kStringKeys[written - std::size(kIntKeys)].section;
    const std::string_view name =
        intKey ? intKey->key : kStringKeys[written - std::size(kIntKeys)].key;
    const std::string value = "written " + std::to_string(size);
    FUZZ_EXPECT(WriteConfigString(section, name, value));
    std::vector<std::string> after = EveryValue();
    FUZZ_EXPECT(after[written] == value);
    after[written] = before[written];
    FUZZ_EXPECT(after == before);
    return 0;
}
