#pragma once
// The accounts that signed in on this machine, most recent first, kept in Config.ini
// ("account"/"saved") as one text protected with a key derived from this machine.

#include <string>
#include <vector>

#include "storage/records.h"

class SavedAccounts {
  public:
    // The list keeps the most recent accounts only.
    static constexpr std::size_t kMostSavedAccounts = 20;

    // Reads the stored list; a missing, damaged or foreign value gives an empty list.
    void LoadSaved();
    // Protects the list and writes it back; false when Config.ini could not be written.
    bool SaveSaved() const;

    const std::vector<LoginRecord>& SavedList() const { return list_; }
    LoginRecord FirstSaved() const { return list_.empty() ? LoginRecord{} : list_.front(); }

    // After every sign-in attempt: the account moves to the front, keeping its password and token
    // only when asked to remember them, and at most one account signs in automatically.
    void UpdateAfterSignIn(bool success, const std::string& account, bool remember, bool automatic,
                           const LoginRecord& signedIn);

    // The stored text of a list and back (exposed for tests and tools).
    static std::string Protect(const std::string& text);
    static std::string Unprotect(const std::string& stored);
    static std::string Format(const std::vector<LoginRecord>& list);
    static std::vector<LoginRecord> Parse(const std::string& text);

  private:
    std::vector<LoginRecord> list_;
};
