#include "ui/common/anonymous_avatars.h"

#include <QString>

#include "api/group_chat.h"
#include "toolkit/skin/kes_bitmap.h"

namespace {

constexpr char kAnonymousFolder[] = "qxstc-ie6fix/images/anony/";

}  // namespace

CAnonymousAvatars::CAnonymousAvatars() = default;
CAnonymousAvatars::~CAnonymousAvatars() = default;

CKesBitmap* CAnonymousAvatars::For(const ConversationRecord& conversation) {
    std::string path;
    if (!AnonymousAvatarPath(&conversation, path)) return nullptr;
    // The picture is part of the skin: looked up there, wherever the program runs from.
    const std::size_t inSkin = path.rfind(kAnonymousFolder);
    if (inSkin != std::string::npos) path.erase(0, inSkin);
    auto& slot = pictures_[path];
    if (!slot) slot = std::make_unique<CKesBitmap>(QString::fromStdString(path), 1);
    return slot->IsEmpty() ? nullptr : slot.get();
}
