#pragma once
// Chinese text to lower-case pinyin, for searching people by the Latin letters of their names:
// whole syllables ("张三" -> "zhangsan") or the initial of each syllable ("zs"). Characters are
// looked up in GB2312 with one reading each; Latin letters and digits pass through lower-cased;
// characters without a syllable (punctuation, symbols, characters outside GB2312) become "?".
// Pure functions; any thread.

#include <cstdint>
#include <string>
#include <string_view>

enum PinyinMode : int {
    kPinyinWhole = 1,     // whole syllables, concatenated
    kPinyinInitials = 2,  // the first letter of each syllable
};

// `text` is UTF-8. Any mode other than kPinyinInitials gives whole syllables.
std::string ToPinyin(std::string_view text, int mode);

// The text in GBK (code page 936) whatever the process locale; a character that GBK lacks, or a
// malformed UTF-8 sequence, becomes '?'.
std::string Utf8ToGbk(std::string_view text);

// Walks GBK bytes: `latin(byte)` for each byte below 0x80, `chinese(code)` for each double-byte
// character, with its GB2312 row-and-cell code (0 for a character outside GB2312). A byte of
// 0x80 or more that starts no character is dropped.
template <typename Latin, typename Chinese>
void ForEachGbkPiece(std::string_view gbk, Latin latin, Chinese chinese);

template <typename Latin, typename Chinese>
void ForEachGbkPiece(std::string_view gbk, Latin latin, Chinese chinese) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(gbk.data());
    const std::size_t size = gbk.size();
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t lead = bytes[i];
        if (lead < 0x80) {
            latin(static_cast<char>(lead));
            continue;
        }
        // A GBK character is a lead byte 0x81..0xFE and a trail byte 0x40..0xFE (not 0x7F). Both
        // bytes go together, so the trail of a character outside GB2312 never shows up as a
        // stray Latin letter.
        if (lead == 0x80 || lead == 0xFF || i + 1 == size) continue;
        const std::uint8_t trail = bytes[i + 1];
        if (trail < 0x40 || trail == 0x7F || trail == 0xFF) continue;
        ++i;
        chinese(lead > 0xA0 && trail > 0xA0 ? (lead - 0xA0) * 100 + (trail - 0xA0) : 0);
    }
}
