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

void CDBSpecials::Clear() {
    items_.clear();
    ids_.clear();
}
