#include "storage/saved_accounts.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <string_view>

#include "config/config.h"
#include "storage/database_key.h"
#include "storage/tea_cipher.h"
#include "util/base64.h"

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find(separator, start);
        parts.push_back(
            text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// The stored form separates fields with "," and entries with ";": those two (and "%") are escaped
// inside fields, so a password holding them is not lost at the next load.
std::string Escape(const std::string& field) {
    std::string out;
    for (char c : field) {
        if (c == '%') {
            out += "%25";
        } else if (c == ',') {
            out += "%2C";
        } else if (c == ';') {
            out += "%3B";
        } else {
            out += c;
        }
    }
    return out;
}

std::string Unescape(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        std::string_view next = std::string_view(field).substr(i, 3);
        if (next == "%25" || next == "%2C" || next == "%3B") {
            out += next == "%25" ? '%' : next == "%2C" ? ',' : ';';
            i += 2;
        } else {
            out += field[i];
        }
    }
    return out;
}

bool SameAccount(const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

}  // namespace

std::string SavedAccounts::Protect(const std::string& text) {
    return Base64Encode(TeaEncrypt(text, DatabaseKey().substr(0, 16)));
}

std::string SavedAccounts::Unprotect(const std::string& stored) {
    auto cipher = Base64Decode(stored);
    if (!cipher) return {};
    return TeaDecrypt(*cipher, DatabaseKey().substr(0, 16)).value_or("");
}

std::string SavedAccounts::Format(const std::vector<LoginRecord>& list) {
    std::string text;
    for (const LoginRecord& entry : list) {
        text += Escape(entry.mobile) + "," + Escape(entry.password) + "," + Escape(entry.qxid) +
                "," + Escape(entry.token) + "," + Escape(entry.avatar) + "," +
                (entry.remember_password ? "1" : "0") + "," + (entry.auto_sign_in ? "1" : "0") +
                ";";
    }
    return text;
}

std::vector<LoginRecord> SavedAccounts::Parse(const std::string& text) {
    std::vector<LoginRecord> list;
    for (const std::string& record : Split(text, ';')) {
        std::vector<std::string> fields = Split(record, ',');
        if (fields.size() != 7) continue;
        LoginRecord entry;
        entry.mobile = Unescape(fields[0]);
        entry.password = Unescape(fields[1]);
        entry.qxid = Unescape(fields[2]);
        entry.token = Unescape(fields[3]);
        entry.avatar = Unescape(fields[4]);
        entry.remember_password = fields[5] == "1";
        entry.auto_sign_in = fields[6] == "1";
        list.push_back(std::move(entry));
    }
    return list;
}

void SavedAccounts::LoadSaved() {
    // Read whole: the cutting accessor would turn a long list into an unreadable one.
    list_ = Parse(Unprotect(
        ReadConfigWhole(config_keys::kSavedAccounts.section, config_keys::kSavedAccounts.key)));
    if (list_.size() > kMostSavedAccounts) list_.resize(kMostSavedAccounts);
    kept_.clear();
    for (const LoginRecord& entry : list_)
        if (AwaitsSecrets(entry)) kept_.insert(Key(entry.mobile));
}

bool SavedAccounts::SaveSaved() const {
    std::vector<LoginRecord> stored = list_;
    for (LoginRecord& entry : stored) {
        if (!KeptInStore(entry.mobile)) continue;
        entry.password.clear();
        entry.token.clear();
    }
    return WriteConfigString(config_keys::kSavedAccounts.section, config_keys::kSavedAccounts.key,
                             Protect(Format(stored)));
}

std::string SavedAccounts::Key(const std::string& account) {
    std::string key = account;
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return key;
}

bool SavedAccounts::AwaitsSecrets(const LoginRecord& entry) {
    return entry.remember_password && entry.password.empty() && entry.token.empty() &&
           !entry.mobile.empty();
}

std::vector<std::string> SavedAccounts::AccountsAwaitingSecrets() const {
    std::vector<std::string> accounts;
    for (const LoginRecord& entry : list_)
        if (AwaitsSecrets(entry)) accounts.push_back(entry.mobile);
    return accounts;
}

void SavedAccounts::SetSecrets(const std::string& account, const std::string& password,
                               const std::string& token) {
    for (LoginRecord& entry : list_) {
        if (!SameAccount(entry.mobile, account)) continue;
        entry.password = password;
        entry.token = token;
    }
}

void SavedAccounts::SetKeptInStore(const std::string& account, bool kept) {
    if (kept) {
        kept_.insert(Key(account));
    } else {
        kept_.erase(Key(account));
    }
}

bool SavedAccounts::KeptInStore(const std::string& account) const {
    return kept_.count(Key(account)) != 0;
}

std::vector<std::string> SavedAccounts::UpdateAfterSignIn(bool success, const std::string& account,
                                                          bool remember, bool automatic,
                                                          const LoginRecord& signedIn) {
    LoginRecord entry;
    entry.mobile = account;
    if (success) {
        entry.avatar = signedIn.avatar;
    } else {
        auto known = std::find_if(list_.begin(), list_.end(), [&](const LoginRecord& e) {
            return SameAccount(e.mobile, account);
        });
        if (known != list_.end()) entry.avatar = known->avatar;
    }
    if (automatic || remember) {
        entry.qxid = signedIn.qxid;
        entry.token = signedIn.token;
        entry.password = signedIn.password;
        if (!entry.token.empty()) {
            entry.remember_password = 1;
            entry.auto_sign_in = automatic ? 1 : 0;
        }
    }
    for (LoginRecord& existing : list_)
        existing.auto_sign_in = 0;
    list_.erase(
        std::remove_if(list_.begin(), list_.end(),
                       [&](const LoginRecord& e) { return SameAccount(e.mobile, account); }),
        list_.end());
    list_.insert(list_.begin(), std::move(entry));
    std::vector<std::string> dropped;
    while (list_.size() > kMostSavedAccounts) {
        dropped.push_back(list_.back().mobile);
        list_.pop_back();
    }
    SaveSaved();
    return dropped;
}
