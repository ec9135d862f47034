#include "ui/groups/picker_candidates.h"

#include <algorithm>

#include "storage/msg_dlg_store.h"

namespace {

bool SameId(const std::string& a, const std::string& b) {
    return !a.empty() && a == b;
}

}  // namespace

void PickerCandidates::Build(std::int32_t conversationId) {
    entries_.clear();
    all_.clear();
    results_.clear();
    selected_.clear();
    searchText_.clear();
    searching_ = false;
    stripOffset_ = 0;
    std::vector<std::string> members;
    if (conversationId > 0) {
        if (const ConversationRecord* conversation =
                CDBMsgDlg::Instance().FindConversation(conversationId)) {
            members = conversation->member_ids;
        }
    }
    ContactRows rows = BuildContactRows(true);
    for (ContactListEntry& entry : rows.entries) {
        if (entry.kind != EntryKind::Person) continue;
        const bool member = std::any_of(members.begin(), members.end(), [&](const std::string& m) {
            return SameId(m, entry.qxid);
        });
        if (member) continue;
        all_.push_back(static_cast<int>(entries_.size()));
        entries_.push_back(std::move(entry));
    }
}

const ContactListEntry* PickerCandidates::ShownAt(int row) const {
    const std::vector<int>& shown = Shown();
    if (row < 0 || row >= static_cast<int>(shown.size())) return nullptr;
    return &entries_[static_cast<std::size_t>(shown[static_cast<std::size_t>(row)])];
}

void PickerCandidates::Search(std::string_view typed) {
    if (typed.empty()) {
        searching_ = false;
        searchText_.clear();
        results_.clear();
        return;
    }
    searchText_ = std::string(typed);
    results_ = SearchContactRows(entries_, typed);
    searching_ = true;
}

const ContactListEntry* PickerCandidates::Find(const std::string& qxid) const {
    for (const ContactListEntry& entry : entries_) {
        if (SameId(entry.qxid, qxid)) return &entry;
    }
    return nullptr;
}

bool PickerCandidates::IsSelected(const std::string& qxid) const {
    return std::find(selected_.begin(), selected_.end(), qxid) != selected_.end();
}

bool PickerCandidates::Toggle(const std::string& qxid) {
    if (!Find(qxid)) return false;
    const auto at = std::find(selected_.begin(), selected_.end(), qxid);
    if (at == selected_.end()) {
        selected_.push_back(qxid);
    } else {
        selected_.erase(at);
    }
    if (static_cast<int>(selected_.size()) <= kStripShown) {
        stripOffset_ = 0;
    } else {
        stripOffset_ = std::min(stripOffset_, static_cast<int>(selected_.size()) - kStripShown);
    }
    return true;
}

void PickerCandidates::ScrollBack() {
    if (CanScrollBack()) --stripOffset_;
}

void PickerCandidates::ScrollOn() {
    if (CanScrollOn()) ++stripOffset_;
}
