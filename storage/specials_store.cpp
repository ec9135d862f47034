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

bool CDBSpecials::MarkAnswered(std::int32_t id, ItemAnswer answer) {
    auto found = items_.find(id);
    if (found == items_.end()) return false;
    PendingItem& item = *found->second;
    if (answer == ItemAnswer::Completed) {
        item.action.used = 1;
        item.ignore.shown = 0;
    } else {
        item.ignore.used = 1;
        item.action.shown = 0;
    }
    return true;
}

void CDBSpecials::Clear() {
    items_.clear();
    ids_.clear();
}
