#pragma once
// The rows of the contact list, built from the stores: the "群聊" header and the group chats,
// then the contacts under the first letter of their pinyin key ("#" after "Z" for keys that do
// not start with a letter), and the search over them. Every entry keeps what a row draws and
// what a search compares, so that neither paints nor keystrokes go back to the stores.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class EntryKind { GroupHeader, LetterHeader, Group, Person };

struct ContactListEntry {
    EntryKind kind = EntryKind::Person;
    std::int32_t judge = 0;  // not 0: the person carries the "V" mark
    std::string title;       // headers: "群聊", a letter "A" to "Z", or "#"
    // People: the user id; groups: the negated conversation id; headers: 0.
    std::int32_t id = 0;
    std::string qxid;    // people
    std::string avatar;  // people: the avatar address
    std::string name;
    std::string career;  // people: the second line
    std::string groupAvatar;
    std::vector<std::string> memberIds;  // groups: whose pictures make the tile
    std::int32_t notify = 1;
    std::int32_t badge = 0;
    // As searched: the name and the career with Latin letters lower-cased, the whole pinyin and
    // the initials of the name.
    std::string searchName;
    std::string searchCareer;
    std::string pinyin;
    std::string initials;

    bool IsHeader() const {
        return kind == EntryKind::GroupHeader || kind == EntryKind::LetterHeader;
    }
    bool IsGroup() const { return kind == EntryKind::Group; }
    std::int32_t ConversationId() const { return -id; }
};

struct ContactRows {
    // Every entry of the last build, by row number (headers included).
    std::vector<ContactListEntry> entries;
    // The rows shown outside a search: group items only while the groups are expanded.
    std::vector<int> display;
    std::string groupCount;  // "(3)": the number of group chats; empty without groups
    int groups = 0;
};

// The title of the header a pinyin key files under: its first letter upper-cased, or "#".
char SectionOf(std::string_view pinyinKey);

// Builds the rows from the conversation store's groups and the user store's contact index.
ContactRows BuildContactRows(bool groupsCollapsed);

// Fills the searched forms of an entry's name (after a rename) and career.
void SetSearchTexts(ContactListEntry& entry);

// The rows whose name, career, whole pinyin or initials hold the typed text (Latin letters
// compared without regard to case): people in list order, then groups, also collapsed ones.
// Headers never match; an empty text matches nothing.
std::vector<int> SearchContactRows(const std::vector<ContactListEntry>& entries,
                                   std::string_view typed);
