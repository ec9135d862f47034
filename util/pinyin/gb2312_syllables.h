#pragma once
// The pinyin syllable of each Chinese character of GB2312, looked up by its row-and-cell code:
// (lead byte - 0xA0) * 100 + (trail byte - 0xA0), from 1601 to 8794. One reading per character.

#include <cstdint>

// Upper-case ASCII ("V" stands for u-umlaut), or null for a code without a syllable (symbols,
// unused rows and cells, anything out of range).
const char* Gb2312Syllable(int code);

// The row-and-cell code of a double-byte GB2312 character, or 0 when a byte is not above 0xA0.
inline int Gb2312Code(std::uint8_t lead, std::uint8_t trail) {
    if (lead <= 0xA0 || trail <= 0xA0) return 0;
    return (lead - 0xA0) * 100 + (trail - 0xA0);
}
