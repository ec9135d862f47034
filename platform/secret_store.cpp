#include "platform/secret_store.h"

#include <libsecret/secret.h>

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace platform {
namespace {

const SecretSchema& AccountSchema() {
    static const SecretSchema schema = {"org.lumeno.Account",
                                        SECRET_SCHEMA_NONE,
                                        {{"folder", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    return schema;
}

// Without a session bus there is nobody to ask; the library would otherwise try to start one.
bool SessionBusKnown() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address) return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) return false;
    const std::string socket = std::string(runtime) + "/bus";
    return g_file_test(socket.c_str(), G_FILE_TEST_EXISTS);
}

// Account names are compared without case, so the item is found under any spelling.
std::string AccountKey(const std::string& account) {
    std::string key = account;
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return key;
}

// Cancels the call it guards when it has not returned by the deadline.
class Deadline {
  public:
    Deadline() : cancellable_(g_cancellable_new()) {
        watcher_ = std::thread([this] {
            std::unique_lock lock(mutex_);
            if (!wake_.wait_for(lock, kSecretDeadline, [this] { return done_; }))
                g_cancellable_cancel(cancellable_);
        });
    }
    ~Deadline() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        watcher_.join();
        g_object_unref(cancellable_);
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;
    GCancellable* Cancellable() const { return cancellable_; }

  private:
    GCancellable* cancellable_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread watcher_;
};

SecretOutcome Failed(GError* error) {
    if (error) g_error_free(error);
    return SecretOutcome::Unavailable;
}

QByteArray Part(const std::string& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size())).toBase64();
}

}  // namespace

std::string EncodeAccountSecrets(const AccountSecrets& secrets) {
    return (Part(secrets.password) + '\n' + Part(secrets.token)).toStdString();
}

std::optional<AccountSecrets> DecodeAccountSecrets(const std::string& text) {
    const auto newline = text.find('\n');
    if (newline == std::string::npos) return std::nullopt;
    AccountSecrets secrets;
    for (auto [part, into] : {std::pair{text.substr(0, newline), &secrets.password},
                              std::pair{text.substr(newline + 1), &secrets.token}}) {
        const auto decoded = QByteArray::fromBase64Encoding(
            QByteArray::fromStdString(part), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) return std::nullopt;
        *into = (*decoded).toStdString();
    }
    return secrets;
}

SecretOutcome StoreAccountSecrets(const std::string& folder, const std::string& account,
                                  const AccountSecrets& secrets) {
    if (!SessionBusKnown()) return SecretOutcome::Unavailable;
    const std::string key = AccountKey(account);
    const std::string label = "Lumeno: " + account;
    const std::string text = EncodeAccountSecrets(secrets);
    Deadline deadline;
    GError* error = nullptr;
    const gboolean stored = secret_password_store_sync(
        &AccountSchema(), SECRET_COLLECTION_DEFAULT, label.c_str(), text.c_str(),
        deadline.Cancellable(), &error, "folder", folder.c_str(), "account", key.c_str(), nullptr);
    return stored && !error ? SecretOutcome::Done : Failed(error);
}

SecretOutcome LookUpAccountSecrets(const std::string& folder, const std::string& account,
                                   AccountSecrets& secrets) {
    if (!SessionBusKnown()) return SecretOutcome::Unavailable;
    const std::string key = AccountKey(account);
    Deadline deadline;
    GError* error = nullptr;
    gchar* text =
        secret_password_lookup_sync(&AccountSchema(), deadline.Cancellable(), &error, "folder",
                                    folder.c_str(), "account", key.c_str(), nullptr);
    if (error) {
        if (text) secret_password_free(text);
        return Failed(error);
    }
    if (!text) return SecretOutcome::NotFound;
    const auto decoded = DecodeAccountSecrets(text);
    secret_password_free(text);
    if (!decoded) return SecretOutcome::NotFound;
    secrets = *decoded;
    return SecretOutcome::Done;
}

SecretOutcome ForgetAccountSecrets(const std::string& folder, const std::string& account) {
    if (!SessionBusKnown()) return SecretOutcome::Unavailable;
    const std::string key = AccountKey(account);
    Deadline deadline;
    GError* error = nullptr;
    const gboolean removed =
        secret_password_clear_sync(&AccountSchema(), deadline.Cancellable(), &error, "folder",
                                   folder.c_str(), "account", key.c_str(), nullptr);
    if (error) return Failed(error);
    return removed ? SecretOutcome::Done : SecretOutcome::NotFound;
}

}  // namespace platform
