#include "ui/chat/pasted_pictures.h"

#include <sys/stat.h>

#include <QStandardPaths>
#include <filesystem>

#include "api/api_controller.h"
#include "config/log.h"
#include "platform/directories.h"
#include "platform/private_files.h"
#include "ui/chat/draft_book.h"
#include "ui/chat/input_markers.h"

namespace {

constexpr char kFolderName[] = "Pasted";

std::string FolderPath() {
    return platform::JoinPath(platform::DataDirectory(), kFolderName);
}

std::string Normal(const std::string& path) {
    return std::filesystem::path(path).lexically_normal().string();
}

// The pictures that the drafts of every account of this data folder name.
std::set<std::string> NamedByDrafts() {
    std::set<std::string> named;
    for (const std::string& draft : DraftBook::AllDrafts()) {
        for (const InputPiece& piece : ReadSerialized(draft)) {
            if (piece.kind == InputPiece::Kind::kPicture) named.insert(Normal(piece.text));
        }
    }
    return named;
}

void MakeEarlierFolderPrivate() {
    const std::string folder =
        QStandardPaths::writableLocation(QStandardPaths::CacheLocation).toStdString() + "/pasted";
    if (platform::IsDirectory(folder)) ::chmod(folder.c_str(), 0700);
}

}  // namespace

PastedPictures& PastedPictures::Instance() {
    // Never destroyed: the event bus keeps its address until the process ends.
    static PastedPictures* instance = new PastedPictures;
    return *instance;
}

std::string PastedPictures::Folder() {
    const std::string folder = FolderPath();
    platform::MakeFolderPrivate(folder);
    return folder;
}

std::string PastedPictures::Keep(const std::string& bytes, const std::string& extension) {
    return platform::WriteUniquePrivateFile(Folder(), extension, bytes);
}

bool PastedPictures::IsPasted(const std::string& path) {
    const std::filesystem::path file = std::filesystem::path(path).lexically_normal();
    return file.has_filename() && file.parent_path().string() == Normal(FolderPath());
}

void PastedPictures::Sending(std::int32_t localNumber, const std::string& path) {
    if (!IsPasted(path)) return;  // the user's own file: never ours to remove
    if (!subscribed_) {
        CApiController::Instance().Events().Subscribe(db_event::kSending | db_event::kNewMessage,
                                                      this);
        subscribed_ = true;
    }
    sending_[localNumber] = path;
}

bool PastedPictures::Held(const std::string& path, const std::set<std::string>& drafts) const {
    const std::string normal = Normal(path);
    if (drafts.count(normal)) return true;
    for (const auto& [local, sent] : sending_) {
        if (Normal(sent) == normal) return true;
    }
    return heldElsewhere_ && heldElsewhere_(path);
}

void PastedPictures::OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) {
    const auto found = sending_.find(first);
    if (found == sending_.end()) return;
    if (kind == db_event::kSending && second == db_event::kFailed) {
        sending_.erase(found);  // back in the box or the draft: the file stays
        return;
    }
    if (kind != db_event::kNewMessage) return;
    // The service's copy has taken the place of the message shown from the file.
    const std::string path = found->second;
    sending_.erase(found);
    if (!Held(path, NamedByDrafts())) platform::RemoveFile(path);
}

void PastedPictures::RemoveUnreferenced() {
    sending_.clear();
    const std::set<std::string> drafts = NamedByDrafts();
    std::error_code error;
    int removed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Folder(), error)) {
        const std::string path = entry.path().string();
        if (!entry.is_directory(error) && !Held(path, drafts) && platform::RemoveFile(path))
            ++removed;
    }
    if (removed > 0)
        WriteLogText(std::to_string(removed) + " pasted pictures that no draft holds were removed");
    MakeEarlierFolderPrivate();
}
