#pragma once
// The rows of the pending-items list: the store's items in the order of the service's answer,
// under a date header wherever the date changes from the item before. Rows hold ids, never
// items: every drawing looks the item up again, since the store is refilled under the window.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct PendingItem;

enum class SpecialRowKind { Header, Item };

struct SpecialRow {
    SpecialRowKind kind = SpecialRowKind::Item;
    std::int32_t itemId = 0;
    std::string date;  // headers only
};

// The rows for `ids`, skipping ids `find` does not know. Equal dates are merged only when they
// follow each other; an undated item before any dated one has no header.
std::vector<SpecialRow> BuildSpecialRows(
    const std::vector<std::int32_t>& ids,
    const std::function<const PendingItem*(std::int32_t)>& find);
