#include "api/record_rules.h"

#include <strings.h>

#include <string_view>

std::vector<std::string> SplitMemberIds(std::string& uids, std::int32_t type,
                                        const std::string& myQxid) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = uids.find(',', start);
        parts.push_back(
            uids.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (type == 3) return parts;
    for (const std::string& part : parts) {
        if (strcasecmp(part.c_str(), myQxid.c_str()) != 0) {
            uids = part;
            return {part};
        }
    }
    return {};
}

void SummaryTextForType(std::string& text, std::int32_t type) {
    if (!text.empty() || type < 100 || type > 105) return;
    if (type == 101) {
        text = "[人脉名片]";
    } else if (type == 105) {
        text = "[简历]";
    } else {
        text = "[职位]";
    }
}

void ReplaceEmoji(std::string& text) {
    struct Replacement {
        std::string_view emoji;
        std::string_view code;
    };
    static constexpr Replacement kReplacements[] = {
        {"\xF0\x9F\x98\x84", "[smiles_01_01]"},  // U+1F604
        {"\xF0\x9F\x98\x8A", "[smiles_01_02]"},  // U+1F60A
        {"\xF0\x9F\x98\x83", "[smiles_01_03]"},  // U+1F603
    };
    if (text.find('\xF0') == std::string::npos) return;
    std::string out;
    out.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& replacement : kReplacements) {
            if (std::string_view(text).substr(i, 4) == replacement.emoji) {
                out += replacement.code;
                i += 4;
                replaced = true;
                break;
            }
        }
        if (!replaced) out += text[i++];
    }
    text = std::move(out);
}
