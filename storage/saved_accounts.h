#pragma once
// The accounts that signed in on this machine, most recent first, kept in Config.ini
// ("account"/"saved") as one text protected with a key derived from this machine. When the
// desktop's secret store keeps an account's password and token, its entry here has both fields
// empty (and "remember" on) and the sign-in flows read them from the store.

#include <set>
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
    // only when asked to remember them, and at most one account signs in automatically. Gives the
    // accounts that fell off the end of the list, whose secrets the caller forgets.
    std::vector<std::string> UpdateAfterSignIn(bool success, const std::string& account,
                                               bool remember, bool automatic,
                                               const LoginRecord& signedIn);

    // The secrets of an entry are kept in the secret store and not known yet.
    static bool AwaitsSecrets(const LoginRecord& entry);
    // The accounts whose entries await their secrets, most recent first.
    std::vector<std::string> AccountsAwaitingSecrets() const;
    // The secrets of `account` as read from the secret store.
    void SetSecrets(const std::string& account, const std::string& password,
                    const std::string& token);
    // Whether the secret store keeps the secrets of `account`: those entries are written to
    // Config.ini without them.
    void SetKeptInStore(const std::string& account, bool kept);
    bool KeptInStore(const std::string& account) const;

    // The stored text of a list and back (exposed for tests and tools).
    static std::string Protect(const std::string& text);
    static std::string Unprotect(const std::string& stored);
    static std::string Format(const std::vector<LoginRecord>& list);
    static std::vector<LoginRecord> Parse(const std::string& text);

  private:
    static std::string Key(const std::string& account);

    std::vector<LoginRecord> list_;
    std::set<std::string> kept_;  // by Key()
};
