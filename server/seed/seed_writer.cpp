#include "server/seed/seed_writer.h"

#include <algorithm>

#include "server/media/artwork.h"
#include "server/media/speex_clip.h"
#include "server/store/conversation_repo.h"
#include "server/store/file_repo.h"
#include "server/store/friend_repo.h"

namespace lumeno::server {

SeedWriter::SeedWriter(Store& store) : store_(store), start_(store.Now()) {}

std::int64_t SeedWriter::Person(UserRow person, const std::string& password, int shared_avatar) {
    Database& db = store_.Db();
    std::int64_t id = InsertUser(db, person);
    if (!person.anonym) {
        std::string key = shared_avatar > 0
                              ? "/files/avatar/shared-" + std::to_string(shared_avatar) + ".png"
                              : "/files/avatar/" + std::to_string(id) + ".png";
        if (!HasFile(db, key))
            PutFile(db, key, "image/png",
                    AvatarPng(static_cast<std::uint32_t>(shared_avatar > 0 ? shared_avatar : id)));
        db.Run("UPDATE users SET avatar=? WHERE id=?", key, id);
    }
    if (!password.empty()) SetPassword(db, id, password);
    return id;
}

void SeedWriter::Friends(std::int64_t a, std::int64_t b, int level) {
    AddFriendship(store_.Db(), a, b, level, start_);
}

std::int64_t SeedWriter::Direct(std::int64_t a, std::int64_t b, int minutes_ago) {
    ConversationRow row;
    row.type = kDirectConversation;
    row.creator_id = a;
    row.crtime = At(minutes_ago);
    std::int64_t mid = CreateConversation(store_.Db(), row);
    Stamp stamp = store_.NextStamp();
    AddMember(store_.Db(), mid, a, 0, &stamp);
    AddMember(store_.Db(), mid, b, 0, &stamp);
    return mid;
}

std::int64_t SeedWriter::Group(std::int64_t creator, const std::string& name,
                               const std::vector<std::int64_t>& members, int minutes_ago,
                               bool restricted) {
    ConversationRow row;
    row.type = kGroupConversation;
    row.name = name;
    row.creator_id = creator;
    row.crtime = At(minutes_ago);
    row.max_cnt = kGroupSizeLimit;
    row.restricted = restricted ? 1 : 0;
    std::int64_t mid = CreateConversation(store_.Db(), row);
    Stamp stamp = store_.NextStamp();
    AddMember(store_.Db(), mid, creator, 0, &stamp);
    for (std::int64_t m : members)
        if (m != creator) AddMember(store_.Db(), mid, m, 0, &stamp);
    return mid;
}

std::int64_t SeedWriter::Anonymous(std::int64_t user, std::int64_t anonymous, int minutes_ago) {
    ConversationRow row;
    row.type = kAnonymousConversation;
    row.creator_id = anonymous;
    row.crtime = At(minutes_ago);
    std::int64_t mid = CreateConversation(store_.Db(), row);
    Stamp stamp = store_.NextStamp();
    AddMember(store_.Db(), mid, anonymous, 0, &stamp, 1);
    AddMember(store_.Db(), mid, user, 0, &stamp, 0);
    return mid;
}

void SeedWriter::Queue(MessageRow row, int minutes_ago) {
    row.crtime = At(minutes_ago);
    queue_.push_back(std::move(row));
}

void SeedWriter::Text(std::int64_t mid, std::int64_t sender, int minutes_ago,
                      const std::string& text, const std::string& atuids, int anonym) {
    MessageRow m;
    m.mid = mid;
    m.sender_id = sender;
    m.text = text;
    m.atuids = atuids;
    m.anonym = anonym;
    Queue(std::move(m), minutes_ago);
}

std::string SeedWriter::PictureFile(std::uint32_t seed) {
    std::string key = "/files/pic/seed-" + std::to_string(seed) + ".jpg";
    if (!HasFile(store_.Db(), key)) {
        bool portrait = seed % 3 == 2;
        PutFile(store_.Db(), key, "image/jpeg",
                LandscapeJpeg(seed, portrait ? 600 : 1024, portrait ? 800 : 640));
    }
    return key;
}

std::string SeedWriter::VoiceFile(int seconds) {
    std::string key = "/files/voice/seed-" + std::to_string(seconds) + ".spx";
    if (!HasFile(store_.Db(), key))
        PutFile(store_.Db(), key, "audio/x-speex",
                SpeexClip(static_cast<std::uint32_t>(seconds), seconds));
    return key;
}

void SeedWriter::Picture(std::int64_t mid, std::int64_t sender, int minutes_ago,
                         std::uint32_t seed) {
    MessageRow m;
    m.mid = mid;
    m.sender_id = sender;
    m.type = kPictureMessage;
    m.file_type = kPictureFile;
    m.file_key = PictureFile(seed);
    bool portrait = seed % 3 == 2;
    m.xsize = portrait ? 600 : 1024;
    m.ysize = portrait ? 800 : 640;
    Queue(std::move(m), minutes_ago);
}

void SeedWriter::Voice(std::int64_t mid, std::int64_t sender, int minutes_ago, int seconds) {
    MessageRow m;
    m.mid = mid;
    m.sender_id = sender;
    m.type = kVoiceMessage;
    m.file_type = kVoiceFile;
    m.file_key = VoiceFile(seconds);
    m.duration = seconds;
    Queue(std::move(m), minutes_ago);
}

void SeedWriter::Card(std::int64_t mid, std::int64_t sender, int minutes_ago,
                      std::int64_t card_user) {
    MessageRow m;
    m.mid = mid;
    m.sender_id = sender;
    m.type = kCardMessage;
    m.ref_user = card_user;
    Queue(std::move(m), minutes_ago);
}

void SeedWriter::JobMessage(std::int64_t mid, std::int64_t sender, int minutes_ago,
                            std::int64_t jid, int type) {
    MessageRow m;
    m.mid = mid;
    m.sender_id = sender;
    m.type = type;
    m.jid = jid;
    Queue(std::move(m), minutes_ago);
}

void SeedWriter::Resume(std::int64_t mid, std::int64_t sender, int minutes_ago,
                        std::int64_t owner) {
    MessageRow m;
    m.mid = mid;
    m.sender_id = sender;
    m.type = kResumeMessage;
    m.ref_user = owner;
    Queue(std::move(m), minutes_ago);
}

void SeedWriter::Notice(std::int64_t mid, std::int64_t actor, int minutes_ago,
                        const std::string& text) {
    MessageRow m;
    m.mid = mid;
    m.sender_id = actor;
    m.type = kNoticeMessage;
    m.text = text;
    Queue(std::move(m), minutes_ago);
}

void SeedWriter::Flush() {
    std::stable_sort(queue_.begin(), queue_.end(),
                     [](const MessageRow& a, const MessageRow& b) { return a.crtime < b.crtime; });
    for (MessageRow& m : queue_)
        InsertMessage(store_, m);
    queue_.clear();
}

void SeedWriter::LeaveUnread(std::int64_t mid, std::int64_t user, int unread) {
    Database& db = store_.Db();
    std::optional<std::int64_t> mark;
    if (unread <= 0) {
        mark = db.QueryInt("SELECT MAX(id) FROM messages WHERE mid=?", mid);
    } else {
        // The read mark sits just before the `unread`-th newest message of someone else.
        mark = db.QueryInt(
            "SELECT id - 1 FROM messages WHERE mid=? AND sender_id!=? AND type!=99 "
            "ORDER BY id DESC LIMIT 1 OFFSET ?",
            mid, user, unread - 1);
    }
    SetLastRead(db, mid, user, mark.value_or(0), start_);
}

void SeedWriter::Delete(std::int64_t mid, std::int64_t user) {
    std::int64_t last =
        store_.Db().QueryInt("SELECT MAX(id) FROM messages WHERE mid=?", mid).value_or(0);
    LeaveConversation(store_.Db(), mid, user, last, store_.NextStamp());
}

std::int64_t SeedWriter::Job(JobRow job) {
    std::int64_t number = store_.Db().QueryInt("SELECT COUNT(*) FROM jobs").value_or(0) + 1;
    job.logo_key = "/files/logo/" + std::to_string(number) + ".png";
    PutFile(store_.Db(), job.logo_key, "image/png", LogoPng(static_cast<std::uint32_t>(number)));
    if (job.crtime == 0) job.crtime = start_;
    return InsertJob(store_.Db(), job);
}

std::int64_t SeedWriter::Task(TaskRow task, int minutes_ago) {
    task.crtime = At(minutes_ago);
    std::int64_t id = InsertTask(store_.Db(), task);
    TouchTasks(store_.Db(), task.owner_id,
               std::max(task.crtime, TasksTime(store_.Db(), task.owner_id)));
    return id;
}

}  // namespace lumeno::server
