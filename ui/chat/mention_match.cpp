#include "ui/chat/mention_match.h"

#include "util/pinyin/name_search.h"

std::vector<std::string> MatchMentionMembers(std::string_view fragment,
                                             const std::vector<std::string>& memberIds,
                                             const MemberFinder& find, std::string_view self) {
    std::vector<std::string> offered;
    if (!find) return offered;
    const NameQuery query(fragment);
    for (const std::string& qxid : memberIds) {
        if (qxid.empty() || qxid == self) continue;
        const UserRecord* user = find(qxid);
        if (!user) continue;
        if (query.Matches(user->name)) offered.push_back(qxid);
    }
    return offered;
}

std::string MentionFragment(std::string_view text) {
    const std::size_t at = text.rfind('@');
    if (at == std::string_view::npos) return {};
    return std::string(text.substr(at + 1));
}

std::string CompleteMention(std::string_view text, std::string_view name) {
    const std::size_t at = text.rfind('@');
    if (at == std::string_view::npos) return std::string(text);
    std::string completed(text.substr(0, at + 1));
    completed += name;
    completed += ' ';
    return completed;
}
