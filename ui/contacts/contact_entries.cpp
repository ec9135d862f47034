#include "ui/contacts/contact_entries.h"

#include <map>

#include "api/contact_search.h"
#include "storage/msg_dlg_store.h"
#include "storage/user_store.h"
#include "util/pinyin/name_search.h"

namespace {

constexpr char kGroupTitle[] = "群聊";
// Keys that do not start with a letter file after "Z".
constexpr char kOtherBucket = 'a';
constexpr char kOtherTitle[] = "#";

std::string LowerLatin(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

char BucketOf(std::string_view key) {
    if (key.empty()) return kOtherBucket;
    const char first = key.front();
    if (first >= 'a' && first <= 'z') return static_cast<char>(first - 'a' + 'A');
    if (first >= 'A' && first <= 'Z') return first;
    return kOtherBucket;
}

bool Holds(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

char SectionOf(std::string_view pinyinKey) {
    const char bucket = BucketOf(pinyinKey);
    return bucket == kOtherBucket ? kOtherTitle[0] : bucket;
}

void SetSearchTexts(ContactListEntry& entry) {
    const NameSearchKeys keys = MakeNameSearchKeys(entry.name);
    entry.searchName = keys.name;
    entry.pinyin = keys.whole;
    entry.initials = keys.initials;
    entry.searchCareer = LowerLatin(entry.career);
}

ContactRows BuildContactRows(bool groupsCollapsed) {
    ContactRows rows;
    auto add = [&rows](ContactListEntry entry, bool shown) {
        if (shown) rows.display.push_back(static_cast<int>(rows.entries.size()));
        rows.entries.push_back(std::move(entry));
    };

    const auto& groups = CDBMsgDlg::Instance().Groups();
    for (const auto& [id, conversation] : groups) {
        if (!conversation) continue;
        if (rows.groups == 0) {
            ContactListEntry header;
            header.kind = EntryKind::GroupHeader;
            header.title = kGroupTitle;
            add(std::move(header), true);
        }
        ++rows.groups;
        ContactListEntry item;
        item.kind = EntryKind::Group;
        item.id = -id;
        item.name = conversation->name;
        item.groupAvatar = conversation->group_avatar_file;
        item.memberIds = conversation->member_ids;
        item.notify = conversation->notify;
        item.badge = conversation->badge;
        SetSearchTexts(item);
        add(std::move(item), !groupsCollapsed);
    }
    if (rows.groups > 0) rows.groupCount = "(" + std::to_string(rows.groups) + ")";

    // Buckets in ordinal order of their names: "A" to "Z", then the others.
    std::map<char, std::vector<const UserRecord*>> buckets;
    for (const auto& [key, users] : CDBUser::Instance().ContactIndex()) {
        auto& bucket = buckets[BucketOf(key)];
        bucket.insert(bucket.end(), users.begin(), users.end());
    }
    for (const auto& [bucket, users] : buckets) {
        ContactListEntry header;
        header.kind = EntryKind::LetterHeader;
        header.title = bucket == kOtherBucket ? std::string(kOtherTitle) : std::string(1, bucket);
        add(std::move(header), true);
        for (const UserRecord* user : users) {
            ContactListEntry item;
            item.kind = EntryKind::Person;
            item.id = user->id;
            item.qxid = user->qxid;
            item.judge = user->judge;
            item.avatar = user->avatar;
            item.name = user->name;
            item.career = user->career;
            const NameSearchKeys& keys = ContactNameKeys(*user);
            item.searchName = keys.name;
            item.pinyin = keys.whole;
            item.initials = keys.initials;
            item.searchCareer = LowerLatin(item.career);
            add(std::move(item), true);
        }
    }
    return rows;
}

std::vector<int> SearchContactRows(const std::vector<ContactListEntry>& entries,
                                   std::string_view typed) {
    std::vector<int> people;
    std::vector<int> groups;
    const std::string text = LowerLatin(typed);
    if (text.empty()) return people;
    for (std::size_t row = 0; row < entries.size(); ++row) {
        const ContactListEntry& entry = entries[row];
        if (entry.IsHeader()) continue;
        if (Holds(entry.searchName, text) || Holds(entry.pinyin, text) ||
            Holds(entry.initials, text) || Holds(entry.searchCareer, text)) {
            (entry.IsGroup() ? groups : people).push_back(static_cast<int>(row));
        }
    }
    people.insert(people.end(), groups.begin(), groups.end());
    return people;
}
