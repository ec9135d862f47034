#include "api/avatar_files.h"

#include <QCryptographicHash>
#include <deque>
#include <map>
#include <utility>

#include "api/api_controller.h"
#include "api/contacts.h"
#include "api/login.h"
#include "platform/directories.h"
#include "platform/picture.h"
#include "platform/private_files.h"
#include "storage/msg_dlg_store.h"

namespace {

constexpr std::size_t kTileMembers = 9;

// Tiles wait here and are made by one flow, in order. The lists belong to their windows.
struct TileQueue {
    std::deque<std::pair<std::int32_t, PictureMapRef>> waiting;
    FlowHandle worker;
};

TileQueue& Tiles() {
    static TileQueue queue;
    return queue;
}

std::map<std::string, std::string>& ResolvedAvatars() {
    static std::map<std::string, std::string> resolved;
    return resolved;
}

std::vector<std::string> SafeMembers(const std::vector<std::string>& memberIds) {
    std::vector<std::string> ids;
    for (const std::string& id : memberIds) {
        if (ids.size() == kTileMembers) break;
        if (IsSafeFileNamePart(id)) ids.push_back(id);
    }
    return ids;
}

// The conversation and the list are looked up again after every hop.
void MakeTile(std::int32_t conversationId, const PictureMapRef& list, CAsyncWorkFlow& flow) {
    const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(conversationId);
    if (!conversation || list.expired()) return;
    const std::vector<std::string> members = SafeMembers(conversation->member_ids);
    const std::string key = GroupTileKey(members);
    CImageCache& cache = CImageCache::Instance();
    std::vector<PicturePtr> avatars;
    for (const std::string& member : members) {
        const std::string url = AvatarAddressOf(member);
        if (url.empty()) continue;
        PicturePtr avatar = cache.GetBitmap(list.lock().get(), url, kSmallAvatarPixels);
        if (!avatar) avatar = cache.Download(list, url, kSmallAvatarPixels, flow);
        if (avatar) avatars.push_back(std::move(avatar));
    }
    if (avatars.empty()) return;
    const std::vector<TileRect>& layout = TileLayout(static_cast<int>(avatars.size()));
    PicturePtr tile = PoolScope::Run(flow, [&] {
        std::vector<platform::TilePiece> pieces;
        for (std::size_t i = 0; i < avatars.size(); ++i) {
            const TileRect& r = layout[i];
            pieces.push_back({avatars[i].get(), r.left, r.top, r.right, r.bottom});
        }
        return PicturePtr(platform::ComposeTile(kGroupTilePixels, kGroupTileBackground, pieces));
    });
    // The tile lives in memory under its file name; nothing needs it on disk.
    cache.PutInMemory(list.lock().get(), key, tile);
    CApiController::Instance().PostEvent(db_event::kConversationChanged, conversationId,
                                         db_event::kDone);
}

}  // namespace

std::string AvatarFile(const std::string& url) {
    const std::string account = MyUserId();
    if (url.empty() || !IsSafeFileNamePart(account)) return {};
    auto& resolved = ResolvedAvatars();
    if (auto found = resolved.find(url);
        found != resolved.end() && platform::FileSize(found->second) >= 0) {
        return found->second;
    }
    PicturePtr avatar = CImageCache::Instance().GetBitmap(nullptr, url, kSmallAvatarPixels);
    if (!avatar) return {};
    const std::string jpeg = platform::EncodeJpeg(*avatar);
    const std::string folder =
        platform::JoinPath(platform::JoinPath(platform::DataDirectory(), account), "head");
    const std::string name =
        QCryptographicHash::hash(QByteArray::fromStdString(url), QCryptographicHash::Sha1)
            .toHex()
            .toStdString();
    const std::string path = platform::JoinPath(folder, name + ".jpg");
    if (jpeg.empty() || !platform::MakePrivateDirectory(folder) ||
        !platform::WriteFileAtomically(path, jpeg)) {
        return {};
    }
    resolved[url] = path;
    return path;
}

const std::vector<TileRect>& TileLayout(int n) {
    static const std::vector<std::vector<TileRect>> layouts = {
        {{0, 0, 42, 42}},
        {{0, 11, 20, 31}, {22, 11, 42, 31}},
        {{11, 0, 31, 20}, {0, 22, 20, 42}, {22, 22, 42, 42}},
        {{0, 0, 20, 20}, {22, 0, 42, 20}, {0, 22, 20, 42}, {22, 22, 42, 42}},
        {{8, 8, 21, 21}, {22, 8, 35, 21}, {0, 22, 13, 35}, {14, 22, 27, 35}, {28, 22, 41, 35}},
        {{0, 8, 13, 21},
         {14, 8, 27, 21},
         {28, 8, 41, 21},
         {0, 22, 13, 35},
         {14, 22, 27, 35},
         {28, 22, 41, 35}},
        {{14, 0, 27, 13},
         {0, 14, 13, 27},
         {14, 14, 27, 27},
         {28, 14, 41, 27},
         {0, 28, 13, 41},
         {14, 28, 27, 41},
         {28, 28, 41, 41}},
        {{8, 0, 21, 13},
         {22, 0, 35, 13},
         {0, 14, 13, 27},
         {14, 14, 27, 27},
         {28, 14, 41, 27},
         {0, 28, 13, 41},
         {14, 28, 27, 41},
         {28, 28, 41, 41}},
        {{0, 0, 13, 13},
         {14, 0, 27, 13},
         {28, 0, 41, 13},
         {0, 14, 13, 27},
         {14, 14, 27, 27},
         {28, 14, 41, 27},
         {0, 28, 13, 41},
         {14, 28, 27, 41},
         {28, 28, 41, 41}},
    };
    static const std::vector<TileRect> none;
    return n >= 1 && n <= 9 ? layouts[static_cast<std::size_t>(n - 1)] : none;
}

std::string GroupTileKey(const std::vector<std::string>& memberIds) {
    std::string name;
    for (const std::string& id : SafeMembers(memberIds))
        name += id + "_";
    return platform::JoinPath(platform::DataDirectory(), name + ".png");
}

void GroupTile(std::int32_t conversationId, const PictureMapRef& list) {
    TileQueue& tiles = Tiles();
    tiles.waiting.emplace_back(conversationId, list);
    RunFlowOnce(tiles.worker, [](CAsyncWorkFlow& flow) {
        TileQueue& queue = Tiles();
        while (!queue.waiting.empty()) {
            const auto [id, target] = std::move(queue.waiting.front());
            queue.waiting.pop_front();
            MakeTile(id, target, flow);
        }
    });
}
