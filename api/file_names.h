#pragma once
// What may become part of a file name when it comes from the service (user ids, avatar numbers).

#include <string_view>

// Letters, digits, '-' and '_', 1 to 64 of them.
inline bool IsSafeFileNamePart(std::string_view id) {
    if (id.empty() || id.size() > 64) return false;
    for (char c : id) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (!safe) return false;
    }
    return true;
}
