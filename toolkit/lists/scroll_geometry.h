#pragma once
// The skinned scroll bar's arithmetic: how tall the thumb is, where it sits for a position and
// which position a thumb top stands for. Every division is guarded: a bar no taller than its
// thumb, or a range that fits in one page, divides by nothing.

struct ScrollInfo {
    int min = 0;
    int max = 0;
    int page = 0;
    int pos = 0;

    constexpr bool operator==(const ScrollInfo&) const = default;
    // More to show than one page holds.
    constexpr bool NeedsScrolling() const { return page > 0 && max >= page + min; }
};

constexpr int kMinThumbHeight = 30;

// 30 when max <= min; 0 when everything fits; otherwise the page's share of the bar's height,
// at least 30.
int ThumbHeight(const ScrollInfo& info, int barHeight);
// The thumb top for `pos`: -1 (no change) for a position outside [min, max] or an empty range;
// otherwise (travel) * (pos - min) / (max - page - min + 1), rounded up and held within the
// travel, where the travel is the bar's height less the thumb's. It is the exact inverse of
// PositionForThumbTop: the position of the thumb top of a position is that position whenever
// the thumb has no more pixels to travel than the list has rows to show.
int ThumbTopForPosition(const ScrollInfo& info, int barHeight, int thumbHeight);
// The thumb top held within the bar (0 when the thumb is taller than the bar).
int ClampThumbTop(int top, int barHeight, int thumbHeight);
// The position a thumb top stands for, held within [min, max]; min when the thumb cannot move.
// One pixel of thumb travel moves the position by at most the rows one pixel stands for.
int PositionForThumbTop(const ScrollInfo& info, int barHeight, int thumbHeight, int top);
