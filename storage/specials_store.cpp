#include "storage/specials_store.h"

CDBSpecials& CDBSpecials::Instance() {
    static CDBSpecials store;
    return store;
}

void CDBSpecials::Replace(std::vector<PendingItem> items) {
    Clear();
    for (PendingItem& item : items) {
        const std::int32_t id = item.id;
        auto& slot = items_[id];
        if (!slot) ids_.push_back(id);  // an id sent twice: the later element wins, once
        slot = std::make_unique<PendingItem>(std::move(item));
    }
}

const PendingItem* CDBSpecials::Find(std::int32_t id) const {
    auto found = items_.find(id);
    return found == items_.end() ? nullptr : found->second.get();
}

namespace {

bool Waiting(const PendingItem& item) {
    return item.action.used == 0 && item.ignore.used == 0;
}

// A request from a person to be a friend, or to be one at another level.
bool IsPersonRequest(const PendingItem& item) {
    return item.type == pending_type::kFriendRequest || item.type == pending_type::kLevelRequest;
}

void Mark(PendingItem& item, ItemAnswer answer) {
    if (answer == ItemAnswer::Completed) {
        item.action.used = 1;
        item.ignore.shown = 0;
    } else {
        item.ignore.used = 1;
        item.action.shown = 0;
    }
}

}  // namespace

std::vector<std::int32_t> CDBSpecials::MarkAnswered(std::int32_t id, ItemAnswer answer) {
    std::vector<std::int32_t> answered;
    auto found = items_.find(id);
    if (found == items_.end()) return answered;
    PendingItem& item = *found->second;
    if (Waiting(item)) answered.push_back(id);
    Mark(item, answer);
    if (answer != ItemAnswer::Completed || !IsPersonRequest(item) || item.icon_qxid.empty())
        return answered;
    for (std::int32_t other : ids_) {
        PendingItem& same = *items_[other];
        if (other == id || !Waiting(same) || !IsPersonRequest(same) ||
            same.icon_qxid != item.icon_qxid)
            continue;
        Mark(same, ItemAnswer::Completed);
        answered.push_back(other);
    }
    return answered;
}

void CDBSpecials::Clear() {
    items_.clear();
    ids_.clear();
}
