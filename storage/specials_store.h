#pragma once
// Pending items of the signed-in account (friend requests, recommendations, job offers...), as
// the last list answer gave them. Kept in memory only; each refresh replaces the whole list.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct ItemButton {
    std::int32_t used = 0;  // the answer was given: the done text stands instead of the button
    std::int32_t shown = 0;
    std::string text;
    std::string url;
    std::string done_text;  // shown after the button was used
};

struct PendingItem {
    std::int32_t layout = 0;
    std::int32_t icon_user = 0;
    std::int32_t icon_jid = 0;
    std::int32_t judge = 0;
    std::int32_t dist = 0;
    std::int32_t id = 0;
    std::int32_t show_attach = 0;
    std::int32_t type = 0;
    std::int32_t done = 0;
    std::string uptime;
    std::string date;  // uptime up to its first space
    std::string title;
    std::string text;
    std::string rtext;  // may carry link markup
    std::string icon_qxid;
    std::string attach;
    std::string icon;
    std::string job_url;
    std::string resume_url;
    std::string link_value;  // the "v=" of the link markup
    std::vector<std::string> qxids;
    std::vector<std::string> link_pieces;  // four pieces, or none
    ItemButton action;
    ItemButton ignore;
    std::int32_t confirm_post = 0;
    std::string confirm_text;
    ItemButton confirm_action;
    ItemButton confirm_ignore;
};

// Types of pending items the client shows.
namespace pending_type {
constexpr std::int32_t kLevelRequest = 1;  // a contact asks for another friend level
constexpr std::int32_t kRecommendation = 3;
constexpr std::int32_t kFriendRequest = 4;
constexpr std::int32_t kJobOffer = 5;
constexpr std::int32_t kGroupInvitation = 6;
constexpr std::int32_t kNotice = 10000;
}  // namespace pending_type

// The answer an item received.
enum class ItemAnswer { Completed, Ignored };

class CDBSpecials {
  public:
    static CDBSpecials& Instance();

    // Replaces every item; the ids keep the order of `items`.
    void Replace(std::vector<PendingItem> items);
    const PendingItem* Find(std::int32_t id) const;
    const std::vector<std::int32_t>& Ids() const { return ids_; }
    // After the service accepted an answer: the answered button is marked used and the other
    // one hidden, so the item shows the done text until the next refresh. Accepting a friend or
    // level request answers that person's other open requests with it, as the service does.
    // Returns the items that were waiting and are answered now; none when the store does not
    // hold the item or it was answered already.
    std::vector<std::int32_t> MarkAnswered(std::int32_t id, ItemAnswer answer);
    void Clear();

  private:
    std::map<std::int32_t, std::unique_ptr<PendingItem>> items_;
    std::vector<std::int32_t> ids_;
};
