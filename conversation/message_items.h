#pragma once
// Messages turned into the items the conversation page shows, and batches of items wrapped in the
// envelopes the page's onQxMsg takes. An item is a flat JSON object of strings. Only the content
// of a text item is markup (escaped, with its links); every other field is plain text that the
// page sets as text, or an address that passed the allow-list of page_links.h.

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "storage/records.h"

class EmoticonTable;
struct MessageIndexEntry;

// Message types with a look of their own; every other type is shown as text.
enum class MessageKind : std::int32_t {
    kText = 0,
    kAudio = 1,
    kPicture = 2,
    kSystemNotice = 99,
    kJob = 100,
    kCard = 101,
    kJobShared = 102,
    kJobApplied = 103,
    kJobInvited = 104,
    kResume = 105,
};

// Where an item's names and pictures come from. The finders may be empty.
struct ItemSources {
    const ConversationRecord* conversation = nullptr;  // of the chat window; no items without
    const LoginRecord* account = nullptr;              // the signed-in account
    std::function<const UserRecord*(const std::string& qxid)> findUser;
    // The avatar copy the client keeps on disk for that user and address, or empty.
    std::function<std::string(const std::string& qxid, const std::string& url)> avatarFile;
    // Asked for a sender that is not known yet, so that a later item can name it.
    std::function<void(const std::string& qxid)> fetchUser;
    // Emoticon codes in texts become pictures; without a table they stay text.
    const EmoticonTable* emoticons = nullptr;
};

inline constexpr char kAnonymousName[] = "匿名";
inline constexpr int kCardWidth = 320;
inline constexpr int kTimeLabelWidth = 180;
inline constexpr int kBubblePadding = 40;
inline constexpr int kBubbleMaxWidth = 300;
inline constexpr int kJobLineRoom = 160;

// The item of a message; empty when the chat window has no conversation. `shownId` replaces the
// message id (a message just sent is shown under its send number).
std::string MakeItem(const MessageRecord& message, const ItemSources& sources,
                     std::optional<std::int32_t> shownId = std::nullopt);

// The time label before a message: "MM-dd hh:mm" of its creation time in local time.
std::string MakeTimeLabel(const MessageRecord& message);

// A time label stands between two messages when the minutes between them, beyond their whole
// hours, are more than 4 (a gap of 5 or 65 minutes, not of 3 or 62). It depends only on the two
// messages, so every opening of a conversation, every page and every arrival labels alike.
bool TimeLabelBetween(const MessageRecord& older, const MessageRecord& newer);

// The creation times of the oldest and the newest message a chat window shows, in whole minutes;
// both 0 while it shows none.
struct TimeLabelMarks {
    std::int64_t top = 0;
    std::int64_t bottom = 0;
};
enum class LabelDirection { kDown, kUp };

// Whether a label goes before a message added below the newest shown (kDown, its label in front
// of it) or above the oldest shown (kUp, the label in front of the oldest shown), by the rule of
// TimeLabelBetween; the first message of an empty window gets one. The side's mark moves to the
// message.
bool TimeLabelDue(const MessageRecord& message, TimeLabelMarks& marks, LabelDirection direction);

enum class HistoryPosition { kBottom, kUp, kTop };

// Messages of a history batch and the message the conversation holds just before a given one.
struct HistorySource {
    std::function<const MessageRecord*(std::int32_t id)> findMessage;
    std::function<const MessageRecord*(const MessageRecord& message)> olderMessage;
};

struct HistoryBatch {
    std::string data;              // the items, oldest first, joined with ","
    std::int32_t oldestShown = 0;  // the last id of the batch; 0 when none was shown
};

// The items of a batch of ids (newest first; unknown ids are left out) with the time labels
// between them, and a label in front when the oldest one starts a new stretch of time.
HistoryBatch BuildHistory(const std::vector<std::int32_t>& newestFirst, const ItemSources& sources,
                          const HistorySource& history, TimeLabelMarks& marks);

// Whether older messages can still be asked for once `oldestShown` is shown.
bool HistoryHasMore(const MessageIndexEntry* index, std::int32_t oldestShown);

// A newly arrived or just-sent message below the others, its time label first when due.
std::string BelowData(const MessageRecord& message, const ItemSources& sources,
                      TimeLabelMarks& marks, std::optional<std::int32_t> shownId = std::nullopt);

// The service's copy of a message this client sent, taking the place of the item shown under its
// local number.
std::string ReplacementItem(const MessageRecord& message, const ItemSources& sources,
                            std::int32_t localNumber);

// A message being sent takes the current time as its creation time.
void StampJustSent(MessageRecord& message, std::time_t now);

std::string HistoryEnvelope(bool hasMore, HistoryPosition position, const std::string& data);
// Arrived items scroll the page to them unless the reader has scrolled up.
std::string ArrivedEnvelope(bool scrolledUp, const std::string& data);
std::string SentEnvelope(const std::string& data);
// The script call that hands an envelope to the page.
std::string PageCall(const std::string& envelope);
