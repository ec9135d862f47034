#include "util/pinyin/gb2312_syllables.h"

#include <array>
#include <cstddef>

namespace {

struct Gb2312Range {
    std::uint16_t first;
    std::uint16_t last;
    std::uint16_t syllable;
};

#include "gb2312_pinyin_table.inc"

constexpr int kFirstRow = 16;
constexpr int kLastRow = 87;
constexpr int kLevel2FirstRow = 56;
constexpr int kCellsPerRow = 94;
constexpr std::uint16_t kNone = 0xFFFF;

// Every cell of rows 16 to 87, level 1 spread out from its ranges.
using CellTable = std::array<std::uint16_t, (kLastRow - kFirstRow + 1) * kCellsPerRow>;

std::size_t CellIndex(int code) {
    return static_cast<std::size_t>((code / 100 - kFirstRow) * kCellsPerRow + code % 100 - 1);
}

CellTable BuildCells() {
    CellTable cells;
    cells.fill(kNone);
    for (const Gb2312Range& range : kLevel1Ranges) {
        for (int code = range.first; code <= range.last; ++code) {
            const int cell = code % 100;
            if (cell >= 1 && cell <= kCellsPerRow) cells[CellIndex(code)] = range.syllable;
        }
    }
    const std::size_t level2 = CellIndex(kLevel2FirstRow * 100 + 1);
    for (std::size_t i = 0; i < std::size(kLevel2Cells); ++i)
        cells[level2 + i] = kLevel2Cells[i];
    return cells;
}

}  // namespace

const char* Gb2312Syllable(int code) {
    static const CellTable cells = BuildCells();
    const int row = code / 100;
    const int cell = code % 100;
    if (row < kFirstRow || row > kLastRow || cell < 1 || cell > kCellsPerRow) return nullptr;
    const std::uint16_t syllable = cells[CellIndex(code)];
    return syllable == kNone ? nullptr : kSyllables[syllable];
}
