#include "util/pinyin/chinese_to_pinyin.h"

#include "util/pinyin/gb2312_syllables.h"
#include "util/pinyin/pinyin.h"
#include "util/utf.h"

const std::u16string& CChineseToPinyin::Convert(std::u16string_view text, int mode) {
    const std::string gbk = Utf8ToGbk(Utf16ToUtf8(text));
    result_.clear();
    ForEachGbkPiece(
        gbk, [&](char latin) { result_ += static_cast<char16_t>(latin); },
        [&](int code) {
            const char* syllable = Gb2312Syllable(code);
            if (!syllable) syllable = "?";
            if (mode == kInitials) {
                result_ += static_cast<char16_t>(syllable[0]);
                return;
            }
            for (const char* c = syllable; *c; ++c)
                result_ += static_cast<char16_t>(*c);
            if (mode == kSyllablesWithCommas) result_ += u',';
        });
    for (char16_t& c : result_) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return result_;
}

const ComponentRecord kPinyinComponentTable[] = {
    ComponentTableHeader(),
    ComponentEntry<CChineseToPinyin>(u"CChineseToPinyin", false),
    ComponentTableEnd(),
};
