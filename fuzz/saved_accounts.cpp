// The remembered accounts of Config.ini: a stored value read back (first byte 0), or a list
// protected and read back (first byte 1), as the login page does at every start.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "storage/saved_accounts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string text;
    if (data[0] % 2 == 0) {
        text = SavedAccounts::Unprotect(rest);
    } else {
        text = rest;
        FUZZ_EXPECT(SavedAccounts::Unprotect(SavedAccounts::Protect(text)) == text);
    }
    // Whatever the list holds, it is saved and read back unchanged.
    const std::vector<LoginRecord> list = SavedAccounts::Parse(text);
    const std::string formatted = SavedAccounts::Format(list);
    const std::string stored = SavedAccounts::Protect(formatted);
    FUZZ_EXPECT(SavedAccounts::Format(SavedAccounts::Parse(SavedAccounts::Unprotect(stored))) ==
                formatted);
    FUZZ_EXPECT(SavedAccounts::Parse(formatted).size() == list.size());
    return 0;
}
