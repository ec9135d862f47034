#include "ui/pending/specials_rows.h"

#include "storage/specials_store.h"

std::vector<SpecialRow> BuildSpecialRows(
    const std::vector<std::int32_t>& ids,
    const std::function<const PendingItem*(std::int32_t)>& find) {
    std::vector<SpecialRow> rows;
    std::string current;
    for (std::int32_t id : ids) {
        const PendingItem* item = find(id);
        if (!item) continue;
        if (item->date != current) {
            rows.push_back({SpecialRowKind::Header, 0, item->date});
            current = item->date;
        }
        rows.push_back({SpecialRowKind::Item, id, {}});
    }
    return rows;
}
