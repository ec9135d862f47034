#include "ui/chat/draft_book.h"

#include <filesystem>
#include <memory>
#include <sstream>

#include "api/login.h"
#include "config/log.h"
#include "platform/directories.h"
#include "platform/private_files.h"
#include "storage/database_key.h"
#include "storage/tea_cipher.h"
#include "util/base64.h"

namespace {

constexpr char kFileName[] = "drafts.dat";

std::map<std::string, std::unique_ptr<DraftBook>>& Books() {
    static std::map<std::string, std::unique_ptr<DraftBook>> books;
    return books;
}

std::string Key() {
    return DatabaseKey().substr(0, 16);
}

}  // namespace

DraftBook& DraftBook::Current() {
    return Of(MyUserId());
}

DraftBook& DraftBook::Of(const std::string& account) {
    auto& book = Books()[account];
    if (!book) {
        const std::string folder = platform::JoinPath(platform::DataDirectory(), account);
        book.reset(new DraftBook(platform::JoinPath(folder, kFileName)));
        book->Load();
    }
    return *book;
}

void DraftBook::ForgetLoaded() {
    Books().clear();
}

std::vector<std::string> DraftBook::AllDrafts() {
    // Each account's folder in the data folder is named after the account.
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(platform::DataDirectory(), error)) {
        const std::string account = entry.path().filename().string();
        if (platform::FileSize(platform::JoinPath(entry.path().string(), kFileName)) >= 0)
            Of(account);
    }
    std::vector<std::string> drafts;
    for (const auto& [account, book] : Books()) {
        for (const auto& [id, text] : book->drafts_)
            drafts.push_back(text);
    }
    return drafts;
}

DraftBook::DraftBook(std::string path) : path_(std::move(path)) {}

std::string DraftBook::Get(std::int32_t conversationId) const {
    const auto found = drafts_.find(conversationId);
    return found == drafts_.end() ? std::string() : found->second;
}

void DraftBook::Put(std::int32_t conversationId, const std::string& serialized) {
    const std::string before = Get(conversationId);
    if (before == serialized && !unsaved_) return;
    if (serialized.empty()) {
        drafts_.erase(conversationId);
    } else {
        drafts_[conversationId] = serialized;
    }
    unsaved_ = !Save();
    if (unsaved_) WriteLogText("the drafts could not be written to " + path_);
}

void DraftBook::Load() {
    const std::optional<std::string> cipher = platform::ReadWholeFile(path_);
    if (!cipher || cipher->empty()) return;
    const std::optional<std::string> plain = TeaDecrypt(*cipher, Key());
    if (!plain) {
        // A damaged file loses nothing more than it already has: the client starts without it.
        WriteLogText("the drafts file could not be read: " + path_);
        return;
    }
    std::istringstream lines(*plain);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        const std::int32_t id = std::atoi(line.substr(0, tab).c_str());
        const std::optional<std::string> text = Base64Decode(line.substr(tab + 1));
        if (id != 0 && text && !text->empty()) drafts_[id] = *text;
    }
}

bool DraftBook::Save() const {
    std::string plain;
    for (const auto& [id, text] : drafts_)
        plain += std::to_string(id) + "\t" + Base64Encode(text) + "\n";
    const std::size_t slash = path_.find_last_of('/');
    if (slash != std::string::npos) platform::MakePrivateDirectory(path_.substr(0, slash));
    if (drafts_.empty()) return platform::RemoveFile(path_) || platform::FileSize(path_) < 0;
    return platform::WriteFileAtomically(path_, TeaEncrypt(plain, Key()));
}
