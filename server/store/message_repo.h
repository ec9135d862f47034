#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "server/store/conversation_repo.h"
#include "server/store/db.h"

namespace lumeno::server {

// Message types as the service numbers them.
inline constexpr int kTextMessage = 0;
inline constexpr int kVoiceMessage = 1;
inline constexpr int kPictureMessage = 2;
inline constexpr int kNoticeMessage = 99;
inline constexpr int kJobMessage = 100;  // also 102, 103 and 104
inline constexpr int kCardMessage = 101;
inline constexpr int kResumeMessage = 105;

inline constexpr int kPictureFile = 1;
inline constexpr int kVoiceFile = 2;

struct MessageRow {
    std::int64_t id = 0;
    std::int64_t mid = 0;
    std::int64_t sender_id = 0;
    int type = kTextMessage;
    std::string text;
    std::string msghash;
    std::int64_t crtime = 0;
    int anonym = 0;
    std::string atuids;  // qxids joined with ","
    int file_type = 0;
    std::string file_key;
    int xsize = 0;
    int ysize = 0;
    int duration = 0;
    std::int64_t ref_user = 0;  // the person on a business card or a résumé
    std::int64_t jid = 0;       // the job post of a job message
};

// Stores the message with the next id; its time never runs before an earlier message's.
std::int64_t InsertMessage(Store& store, MessageRow& row);
std::optional<MessageRow> FindMessage(Database& db, std::int64_t id);
std::optional<MessageRow> FindByHash(Database& db, std::int64_t mid, std::int64_t sender,
                                     const std::string& msghash);

// Reading messages through one member's view (joined_did, left_did).
std::optional<MessageRow> NewestVisible(Database& db, const MemberRow& member);
// Up to `limit` visible messages older than before_id (0: from the newest) and not newer than
// `upper`, newest first.
std::vector<MessageRow> VisibleBefore(Database& db, const MemberRow& member, std::int64_t before_id,
                                      std::int64_t upper, int limit);
bool Visible(const MemberRow& member, std::int64_t did);
int CountUnread(Database& db, const MemberRow& member);
bool HasReplyFromOthers(Database& db, std::int64_t mid, std::int64_t creator);

bool AudioPlayed(Database& db, std::int64_t user, std::int64_t did);
void MarkAudioPlayed(Database& db, std::int64_t user, std::int64_t did);

std::int64_t MaxMessageId(Database& db);
std::int64_t MaxMessageIdUpTo(Database& db, std::int64_t ts);

void ReadMessageRow(const Statement& s, int first, MessageRow& out);
extern const char* const kMessageColumns;

}  // namespace lumeno::server
