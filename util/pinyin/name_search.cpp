#include "util/pinyin/name_search.h"

#include "util/pinyin/pinyin.h"

namespace {

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

}  // namespace

NameSearchKeys MakeNameSearchKeys(std::string_view name) {
    return {LowerAscii(name), ToPinyin(name, kPinyinWhole), ToPinyin(name, kPinyinInitials)};
}

NameQuery::NameQuery(std::string_view typed) : typed_(LowerAscii(typed)) {}

bool NameQuery::Matches(const NameSearchKeys& keys) const {
    return keys.name.find(typed_) != std::string::npos ||
           keys.whole.find(typed_) != std::string::npos ||
           keys.initials.find(typed_) != std::string::npos;
}
