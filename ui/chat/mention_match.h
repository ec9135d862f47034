#pragma once
// Which members of a group a typed "@" fragment offers, and how a chosen name completes the text.
// Pure functions of their arguments; the stores are reached through the finder.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/records.h"

// The user with this qxid, or null when the account does not know them.
using MemberFinder = std::function<const UserRecord*(const std::string& qxid)>;

// The members (qxids, in the order of `memberIds`) offered for `fragment`: those whose name holds
// the fragment, or whose name's whole pinyin or initials hold it, Latin letters compared without
// regard to case. An empty fragment offers every member. Members the finder does not know, and
// the account itself (`self`), are never offered.
std::vector<std::string> MatchMentionMembers(std::string_view fragment,
                                             const std::vector<std::string>& memberIds,
                                             const MemberFinder& find, std::string_view self);

// The text after its last "@" (empty when there is none, or nothing follows it).
std::string MentionFragment(std::string_view text);

// `text` with what follows its last "@" replaced by `name` and a space. A text without "@" is
// returned as it is.
std::string CompleteMention(std::string_view text, std::string_view name);
