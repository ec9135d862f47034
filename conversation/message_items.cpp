#include "conversation/message_items.h"

#include <json/value.h>
#include <json/writer.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>

#include "conversation/emoticon_table.h"
#include "conversation/page_font.h"
#include "conversation/page_links.h"
#include "conversation/page_text.h"
#include "storage/msg_dlg_store.h"

namespace {

constexpr std::int32_t kOneToOneConversationType = 1;
constexpr char kAnonymousGroupAvatar[] = "images/sys/anony.png";
constexpr char kVerifiedSender[] = "images/icon_v1.png";
constexpr char kVerifiedCard[] = "images/icon_v2.png";

enum class ItemLook { kText, kAudio, kPicture, kJob, kCard, kResume };

ItemLook LookOf(std::int32_t type) {
    switch (static_cast<MessageKind>(type)) {
        case MessageKind::kAudio:
            return ItemLook::kAudio;
        case MessageKind::kPicture:
            return ItemLook::kPicture;
        case MessageKind::kJob:
        case MessageKind::kJobShared:
        case MessageKind::kJobApplied:
        case MessageKind::kJobInvited:
            return ItemLook::kJob;
        case MessageKind::kCard:
            return ItemLook::kCard;
        case MessageKind::kResume:
            return ItemLook::kResume;
        default:
            return ItemLook::kText;
    }
}

const char* TypeName(ItemLook look) {
    switch (look) {
        case ItemLook::kAudio:
            return "audio";
        case ItemLook::kPicture:
            return "img";
        case ItemLook::kJob:
            return "profession";
        case ItemLook::kCard:
            return "card";
        case ItemLook::kResume:
            return "resume";
        case ItemLook::kText:
            break;
    }
    return "text";
}

const char* RelationIcon(std::int32_t dist) {
    switch (dist) {
        case 0:
            return "images/icon_contact_me.png";
        case 1:
            return "images/icon_contact1.png";
        case 2:
            return "images/icon_contact2.png";
        default:
            return "images/icon_contact3.png";
    }
}

// Compact JSON with UTF-8 kept as it is.
std::string Write(const Json::Value& value) {
    static const std::unique_ptr<Json::StreamWriter> writer = [] {
        Json::StreamWriterBuilder builder;
        builder["indentation"] = "";
        builder["emitUTF8"] = true;
        return std::unique_ptr<Json::StreamWriter>(builder.newStreamWriter());
    }();
    std::ostringstream out;
    writer->write(value, &out);
    return out.str();
}

const UserRecord* FindUser(const ItemSources& sources, const std::string& qxid) {
    return sources.findUser ? sources.findUser(qxid) : nullptr;
}

std::string AnonymousAvatar(const std::string& name) {
    return IsSafePictureName(name) ? "images/anony/" + name + ".png" : std::string();
}

std::string NormalAvatar(const MessageRecord& message, const ItemSources& sources,
                         const UserRecord* sender) {
    std::string url;
    if (message.is_me) {
        if (sources.account) url = sources.account->avatar;
    } else if (sender) {
        url = sender->avatar;
    }
    if (sources.avatarFile && !url.empty()) {
        const std::string file = sources.avatarFile(message.qxid, url);
        if (!file.empty()) {
            if (std::string local = LocalFileAddress(file); !local.empty()) return local;
        }
    }
    return WebAddressOrEmpty(url);
}

std::string SenderAvatar(const MessageRecord& message, const ItemSources& sources,
                         const UserRecord* sender) {
    const ConversationRecord& conversation = *sources.conversation;
    if (message.type == static_cast<std::int32_t>(MessageKind::kSystemNotice)) return {};
    bool anonymous = false;
    if (conversation.type == kOneToOneConversationType) {
        anonymous = conversation.me_is_anony == message.is_me;
    } else if (conversation.type == kGroupConversationType) {
        if (message.anonym) return kAnonymousGroupAvatar;
    }
    if (!anonymous) return NormalAvatar(message, sources, sender);
    if (message.is_me) return sources.account ? AnonymousAvatar(sources.account->anon_avatar) : "";
    return sender ? AnonymousAvatar(sender->avatar) : "";
}

// The mentions a text may link: those the message names, then the members whose name follows an
// "@" in the text.
std::vector<MentionName> Mentions(const MessageRecord& message, const ItemSources& sources) {
    std::vector<std::string> ids = message.mentioned_ids;
    if (message.text.find('@') != std::string::npos) {
        for (const std::string& member : sources.conversation->member_ids) {
            const UserRecord* user = FindUser(sources, member);
            if (!user || user->name.empty()) continue;
            if (message.text.find("@" + user->name) == std::string::npos) continue;
            if (std::find(ids.begin(), ids.end(), member) == ids.end()) ids.push_back(member);
        }
    }
    std::vector<MentionName> mentions;
    for (const std::string& id : ids) {
        if (const UserRecord* user = FindUser(sources, id)) {
            mentions.push_back({id, ValidUtf8(user->name)});
        }
    }
    return mentions;
}

std::string Content(const MessageRecord& message, const ItemSources& sources, bool group) {
    switch (LookOf(message.type)) {
        case ItemLook::kPicture: {
            // A picture being sent from this desktop shows its own file until the service's
            // copy takes its place.
            std::string address = WebAddressOrEmpty(message.file.url);
            if (address.empty() && message.is_me && !message.file.local_path.empty())
                address = LocalFileAddress(message.file.local_path);
            return address;
        }
        case ItemLook::kCard:
            return CardClickLink(message.id);
        case ItemLook::kJob:
            return WebAddressOrEmpty(message.job.share_url);
        case ItemLook::kResume:
            return WebAddressOrEmpty(message.resume_user.share_url);
        case ItemLook::kAudio:
            return ValidUtf8(message.text);
        case ItemLook::kText:
            break;
    }
    std::string escaped = EscapeHtml(ValidUtf8(message.text));
    // Emoticon codes become their pictures before the links are added: the linker then sees
    // the pictures' markup only between address runs, never inside one.
    if (sources.emoticons && message.type != static_cast<std::int32_t>(MessageKind::kSystemNotice))
        escaped = sources.emoticons->PicturesInEscapedText(escaped);
    const bool mentions = group && message.type == static_cast<std::int32_t>(MessageKind::kText);
    return LinkEscapedText(escaped,
                           mentions ? Mentions(message, sources) : std::vector<MentionName>{});
}

void AddCardFields(const MessageRecord& message, Json::Value& item) {
    switch (LookOf(message.type)) {
        case ItemLook::kCard: {
            const UserRecord& card = message.reveal_user;
            item["cimg"] = WebAddressOrEmpty(card.avatar);
            item["cname"] = ValidUtf8(card.name);
            item["caddv"] = card.judge != 0 ? kVerifiedCard : "";
            item["ctitle"] = ValidUtf8(card.line1);
            item["cfrom"] = ValidUtf8(card.line2);
            item["relation"] = RelationIcon(card.dist);
            break;
        }
        case ItemLook::kJob: {
            const JobRecord& job = message.job;
            item["proname"] = ValidUtf8(job.position);
            item["promoney"] = FitJobLine(ValidUtf8(job.province), ValidUtf8(job.company),
                                          ValidUtf8(job.salary_info), kJobLineRoom);
            item["issuer"] = ValidUtf8(job.user_info);
            item["company"] = WebAddressOrEmpty(job.clogo);
            item["relation"] = RelationIcon(job.dist);
            break;
        }
        case ItemLook::kResume: {
            const ResumeRecord& resume = message.resume_user;
            item["rimg"] = WebAddressOrEmpty(resume.avatar);
            item["rname"] = ValidUtf8(resume.realname) + "的简历";
            item["rtitle"] = ValidUtf8(resume.line);
            item["relation"] = RelationIcon(resume.dist);
            break;
        }
        default:
            break;
    }
}

std::int64_t WholeMinute(std::int64_t seconds) {
    return seconds - (((seconds % 60) + 60) % 60);
}

}  // namespace

std::string MakeItem(const MessageRecord& message, const ItemSources& sources,
                     std::optional<std::int32_t> shownId) {
    if (!sources.conversation) return {};
    const ConversationRecord& conversation = *sources.conversation;
    const ItemLook look = LookOf(message.type);
    const bool notice = message.type == static_cast<std::int32_t>(MessageKind::kSystemNotice);
    const bool group = conversation.type == kGroupConversationType && conversation.deleted != 1;
    const UserRecord* sender = FindUser(sources, message.qxid);

    std::string name;
    std::string title;
    if (group && !notice) {
        if (message.anonym) {
            name = kAnonymousName;
        } else if (message.is_me) {
            if (sources.account) name = ValidUtf8(sources.account->realname);
        } else if (sender) {
            name = ValidUtf8(sender->name);
            title = ValidUtf8(sender->career);
        } else if (!message.qxid.empty() && message.qxid != "0" && sources.fetchUser) {
            sources.fetchUser(message.qxid);
        }
    }
    const bool verified = !message.anonym && sender && sender->judge != 0;

    Json::Value item(Json::objectValue);
    item["id"] = std::to_string(shownId.value_or(message.id));
    item["type"] = TypeName(look);
    item["from"] = notice ? "sys" : message.is_me ? "me" : "other";
    item["uid"] = ValidUtf8(message.qxid);
    item["uname"] = name;
    item["utitle"] = name.empty() ? "" : title;
    item["uicon"] = SenderAvatar(message, sources, sender);
    item["uaddv"] = verified && !name.empty() ? kVerifiedSender : "";
    int width = kCardWidth;
    if (look == ItemLook::kText || look == ItemLook::kAudio || look == ItemLook::kPicture) {
        const int enough = kBubbleMaxWidth - kBubblePadding;
        width = std::min(kBubbleMaxWidth, PageTextWidth(message.text, enough) + kBubblePadding);
    }
    item["width"] = std::to_string(width);
    item["time"] = ValidUtf8(message.crtime);
    item["content"] = Content(message, sources, group);
    if (look == ItemLook::kAudio) {
        item["playtime"] = std::to_string(message.file.duration);
        // A clip from someone else that has not been played yet carries the page's unread dot.
        if (!message.is_me && message.unread) item["unread"] = "1";
    }
    AddCardFields(message, item);
    return Write(item);
}

std::string MakeTimeLabel(const MessageRecord& message) {
    const std::time_t stamp = message.crtimestamp;
    std::tm local{};
    localtime_r(&stamp, &local);
    char label[64];
    std::snprintf(label, sizeof label, "%02d-%02d %02d:%02d", local.tm_mon + 1, local.tm_mday,
                  local.tm_hour, local.tm_min);
    Json::Value item(Json::objectValue);
    item["id"] = "0";
    item["type"] = "time";
    item["from"] = "sys";
    item["uid"] = "";
    item["uname"] = "";
    item["utitle"] = "";
    item["uicon"] = "";
    item["uaddv"] = "";
    item["width"] = std::to_string(kTimeLabelWidth);
    item["time"] = label;
    item["content"] = label;
    return Write(item);
}

namespace {

bool LabelBetweenMinutes(std::int64_t older, std::int64_t newer) {
    const std::int64_t gap = newer - older;
    if (gap <= 0) return false;
    // Only the minutes beyond the whole hours of the gap count.
    const std::int64_t minutes = gap / 60 - 60 * (gap / 3600);
    return minutes > 4;
}

}  // namespace

bool TimeLabelBetween(const MessageRecord& older, const MessageRecord& newer) {
    return LabelBetweenMinutes(WholeMinute(older.crtimestamp), WholeMinute(newer.crtimestamp));
}

bool TimeLabelDue(const MessageRecord& message, TimeLabelMarks& marks, LabelDirection direction) {
    const std::int64_t t = WholeMinute(message.crtimestamp);
    if (marks.top == 0 && marks.bottom == 0) {
        marks.top = t;
        marks.bottom = t;
        return true;
    }
    if (direction == LabelDirection::kDown) {
        const bool due = LabelBetweenMinutes(marks.bottom, t);
        marks.bottom = std::max(marks.bottom, t);
        return due;
    }
    const bool due = LabelBetweenMinutes(t, marks.top);
    marks.top = std::min(marks.top, t);
    return due;
}

HistoryBatch BuildHistory(const std::vector<std::int32_t>& newestFirst, const ItemSources& sources,
                          const HistorySource& history, TimeLabelMarks& marks) {
    HistoryBatch batch;
    // Pieces newest first; a label stands between two items whose gap calls for one, and carries
    // the time of the newer one.
    std::vector<std::string> pieces;
    const MessageRecord* newer = nullptr;
    const MessageRecord* newest = nullptr;
    for (std::int32_t id : newestFirst) {
        const MessageRecord* message = history.findMessage ? history.findMessage(id) : nullptr;
        if (!message) continue;
        std::string item = MakeItem(*message, sources);
        if (item.empty()) continue;
        if (newer && TimeLabelBetween(*message, *newer)) pieces.push_back(MakeTimeLabel(*newer));
        pieces.push_back(std::move(item));
        if (!newest) newest = message;
        newer = message;
        batch.oldestShown = id;
    }
    if (newer) {
        // The oldest of the batch against the message the conversation holds just before it.
        const MessageRecord* older = history.olderMessage ? history.olderMessage(*newer) : nullptr;
        if (!older || TimeLabelBetween(*older, *newer)) pieces.push_back(MakeTimeLabel(*newer));
        const std::int64_t oldestMinute = WholeMinute(newer->crtimestamp);
        const std::int64_t newestMinute = WholeMinute(newest->crtimestamp);
        const bool empty = marks.top == 0 && marks.bottom == 0;
        marks.top = empty ? oldestMinute : std::min(marks.top, oldestMinute);
        marks.bottom = empty ? newestMinute : std::max(marks.bottom, newestMinute);
    }
    std::size_t size = 0;
    for (const std::string& piece : pieces)
        size += piece.size() + 1;
    batch.data.reserve(size);
    for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) {
        if (!batch.data.empty()) batch.data += ',';
        batch.data += *piece;
    }
    return batch;
}

bool HistoryHasMore(const MessageIndexEntry* index, std::int32_t oldestShown) {
    if (!index) return true;
    if (index->ids.empty() || index->ids.back() == oldestShown) return index->moreOnServer != 0;
    return true;
}

std::string BelowData(const MessageRecord& message, const ItemSources& sources,
                      TimeLabelMarks& marks, std::optional<std::int32_t> shownId) {
    std::string item = MakeItem(message, sources, shownId);
    if (item.empty()) return {};
    if (!TimeLabelDue(message, marks, LabelDirection::kDown)) return item;
    return MakeTimeLabel(message) + "," + item;
}

void StampJustSent(MessageRecord& message, std::time_t now) {
    message.crtimestamp = static_cast<std::int32_t>(now);
    std::tm local{};
    localtime_r(&now, &local);
    char text[96];
    std::snprintf(text, sizeof text, "%d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    message.crtime = text;
    message.is_me = 1;
}

std::string HistoryEnvelope(bool hasMore, HistoryPosition position, const std::string& data) {
    const char* where = position == HistoryPosition::kBottom ? "bottom"
                        : position == HistoryPosition::kUp   ? "up"
                                                             : "top";
    return std::string("{\"errno\":\"0\",\"errmsg\":\"ok\",\"hasmore\":\"") +
           (hasMore ? "1" : "0") + "\",\"pos\":\"" + where + "\",\"data\":[" + data + "]}";
}

std::string ArrivedEnvelope(bool scrolledUp, const std::string& data) {
    return std::string("{\"errno\":\"0\",\"errmsg\":\"ok\",\"pos\":\"") +
           (scrolledUp ? "" : "bottom") + "\",\"data\":[" + data + "]}";
}

std::string SentEnvelope(const std::string& data) {
    return "{\"errno\":\"0\",\"errmsg\":\"ok\",\"pos\":\"bottom\",\"data\":[" + data + "]}";
}

std::string ReplacementItem(const MessageRecord& message, const ItemSources& sources,
                            std::int32_t localNumber) {
    const std::string item = MakeItem(message, sources);
    if (item.size() < 2 || item.front() != '{') return item;
    return "{\"replaces\":\"" + std::to_string(localNumber) + "\"," + item.substr(1);
}

std::string PageCall(const std::string& envelope) {
    return "onQxMsg(" + envelope + ")";
}
