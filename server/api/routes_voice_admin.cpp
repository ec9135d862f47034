// Control endpoints for voice clips: a clip message sent as any user, sound or deliberately
// broken, and whether a person has heard a clip.
#include <climits>
#include <random>

#include "server/api/api_error.h"
#include "server/api/conversation_ops.h"
#include "server/api/request_args.h"
#include "server/api/routes.h"
#include "server/media/speex_clip.h"
#include "server/store/file_repo.h"
#include "server/store/message_repo.h"
#include "server/store/user_repo.h"

namespace lumeno::server {
namespace {

UserRow RequireVoiceUser(Store& store, const std::string& qxid) {
    std::optional<UserRow> user = FindUserByQxid(store.Db(), qxid);
    if (!user) user = FindUserByAccount(store.Db(), qxid);
    if (!user) throw ApiError(kNotFound, "用户不存在", "no_user", qxid);
    return *user;
}

void PutFrameLength(std::string& clip, std::uint32_t length) {
    for (int i = 0; i < 4; ++i)
        clip[static_cast<size_t>(72 + i)] = static_cast<char>((length >> (8 * i)) & 0xFF);
}

// The clip body of each kind: "sound" plays; the others are broken the ways a client must survive.
std::string ClipOfKind(const std::string& kind, int seconds, std::uint32_t seed) {
    std::string clip = SpeexClip(seed, seconds);
    if (kind == "sound") return clip;
    if (kind == "zero") {  // a frame length of 0
        PutFrameLength(clip, 0);
        return clip;
    }
    if (kind == "huge") {  // a frame length far beyond the data
        PutFrameLength(clip, 0x7FFFFFF0u);
        return clip;
    }
    if (kind == "negative") {
        PutFrameLength(clip, 0xFFFFFFF6u);
        return clip;
    }
    if (kind == "cut") {  // the header and half of the first frame
        const std::uint32_t frame = static_cast<std::uint8_t>(clip[72]);
        return clip.substr(0, 80 + frame / 2);
    }
    if (kind == "header") return clip.substr(0, 50);  // cut inside the header
    if (kind == "random") {
        std::mt19937 random(seed);
        std::string noise(clip.size(), '\0');
        for (char& c : noise)
            c = static_cast<char>(random() & 0xFF);
        return noise;
    }
    throw BadParameter("kind", "sound, zero, huge, negative, cut, header, random or missing");
}

// A voice message from `from` into `mid`; its clip is of `kind` (default "sound").
Json::Value SendVoice(Call& call) {
    std::int32_t mid = RequireInt(call.req, "mid", 1, INT32_MAX);
    const int seconds = IntOr(call.req, "seconds", 1, 1, 60);
    const std::string kind = ArgText(call.req, "kind").value_or("sound");
    Store& store = call.service.store();
    auto lock = store.Lock();
    UserRow sender = RequireVoiceUser(store, RequireText(call.req, "from"));
    Transaction tx(store.Db());
    RequireMembership(store.Db(), mid, sender.id, true);
    static int clips = 0;
    const int number = ++clips;
    const std::string key = "/files/voice/admin-" + std::to_string(number) + "-" + kind + ".spx";
    // "missing": the message points at a clip that is not there.
    if (kind != "missing")
        PutFile(store.Db(), key, "audio/x-speex",
                ClipOfKind(kind, seconds, static_cast<std::uint32_t>(number)));
    MessageRow m;
    m.mid = mid;
    m.sender_id = sender.id;
    m.type = kVoiceMessage;
    m.file_type = kVoiceFile;
    m.file_key = key;
    m.duration = seconds;
    m.crtime = store.Now();
    DeliverMessage(store, m);
    tx.Commit();
    Json::Value out = OkEnvelope();
    out["id"] = static_cast<int>(m.id);
    return out;
}

// Whether `qxid` has heard the clip of message `did`.
Json::Value AudioState(Call& call) {
    std::int32_t did = RequireInt(call.req, "did", 1, INT32_MAX);
    Store& store = call.service.store();
    auto lock = store.Lock();
    UserRow user = RequireVoiceUser(store, RequireText(call.req, "qxid"));
    Json::Value out = OkEnvelope();
    out["played"] = AudioPlayed(store.Db(), user.id, did);
    return out;
}

}  // namespace

void RegisterVoiceAdminRoutes(Routes& routes) {
    routes.Control("/admin/voice", SendVoice);
    routes.Control("/admin/audio", AudioState);
}

}  // namespace lumeno::server
