#include "api/conversation_changes.h"

#include <iterator>
#include <unordered_map>

namespace {

// A count of the moments that matter: changes, and the ends of merges.
std::uint64_t g_clock = 0;
std::uint64_t g_lastMergeEnd = 0;
// The moment of each conversation's latest change not yet covered by an answer.
std::unordered_map<std::int32_t, std::uint64_t> g_changes;

}  // namespace

void NoteConversationChange(std::int32_t id) {
    g_changes[id] = ++g_clock;
}

void ForgetConversationChanges() {
    g_changes.clear();
}

SyncAnswerMerge::SyncAnswerMerge() : previousEnd_(g_lastMergeEnd) {
    // This answer was asked for after the previous merge ended: it covers the changes before.
    for (auto it = g_changes.begin(); it != g_changes.end();)
        it = it->second <= previousEnd_ ? g_changes.erase(it) : std::next(it);
}

SyncAnswerMerge::~SyncAnswerMerge() {
    g_lastMergeEnd = ++g_clock;
}

bool SyncAnswerMerge::MayPredateChange(std::int32_t id) const {
    auto found = g_changes.find(id);
    return found != g_changes.end() && found->second > previousEnd_;
}
