#pragma once
// The desktop's secret store (the Secret Service, through libsecret): the password and the token of
// a remembered account, one item per account and data folder. Every call talks to another process
// over the session bus and can wait: call them from the worker pool, never the UI thread. Each
// call gives up after kDeadline, so a store that hangs (a locked collection waiting for a prompt
// nobody answers) costs a few seconds, not the sign-in.

#include <chrono>
#include <optional>
#include <string>

namespace platform {

struct AccountSecrets {
    std::string password;
    std::string token;
};

enum class SecretOutcome {
    Done,         // stored, found or removed
    NotFound,     // the store answered: it holds no item for the account
    Unavailable,  // no session bus, no store, a locked store, or no answer in time
};

inline constexpr std::chrono::seconds kSecretDeadline{5};

// Stores (or replaces) the account's secrets; `folder` tells data folders apart.
SecretOutcome StoreAccountSecrets(const std::string& folder, const std::string& account,
                                  const AccountSecrets& secrets);
// The account's secrets, when the store answers and holds them.
SecretOutcome LookUpAccountSecrets(const std::string& folder, const std::string& account,
                                   AccountSecrets& secrets);
SecretOutcome ForgetAccountSecrets(const std::string& folder, const std::string& account);

// The text kept in the store for a pair of secrets and back (exposed for tests): each part
// base64-encoded, separated by a line break.
std::string EncodeAccountSecrets(const AccountSecrets& secrets);
std::optional<AccountSecrets> DecodeAccountSecrets(const std::string& text);

}  // namespace platform
