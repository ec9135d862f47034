#include "toolkit/lists/scroll_geometry.h"

#include <algorithm>

namespace {

// The positions the thumb travels over: one for each row the top of the list can be at.
long long Steps(const ScrollInfo& info) {
    return static_cast<long long>(info.max) - info.page - info.min + 1;
}

}  // namespace

int ThumbHeight(const ScrollInfo& info, int barHeight) {
    if (info.max <= info.min) return kMinThumbHeight;
    if (info.max < info.min + info.page) return 0;
    const double range = static_cast<double>(info.max) - info.min + 1;
    const auto height = static_cast<int>(barHeight / range * info.page);
    return std::max(height, kMinThumbHeight);
}

int ThumbTopForPosition(const ScrollInfo& info, int barHeight, int thumbHeight) {
    if (info.pos < info.min || info.pos > info.max || info.min == info.max) return -1;
    const long long travel = barHeight - thumbHeight;
    const long long steps = Steps(info);
    if (travel <= 0 || steps <= 0 || info.pos == info.min) return 0;
    // The smallest thumb top whose position (below) is this one: rounding up here and down there
    // makes the two exact inverses, so a thumb put back where it was stands for the same row.
    const long long offset = static_cast<long long>(info.pos) - info.min;
    const long long top = (travel * offset + steps - 1) / steps;
    return static_cast<int>(std::min(top, travel));
}

int ClampThumbTop(int top, int barHeight, int thumbHeight) {
    const int travel = barHeight - thumbHeight;
    if (travel <= 0) return 0;
    return std::clamp(top, 0, travel);
}

int PositionForThumbTop(const ScrollInfo& info, int barHeight, int thumbHeight, int top) {
    const long long travel = barHeight - thumbHeight;
    const long long steps = Steps(info);
    if (travel <= 0 || steps <= 0 || info.max < info.min) return info.min;
    // Floor division, also for a thumb dragged above the bar.
    const long long scaled = static_cast<long long>(top) * steps;
    long long offset = scaled / travel;
    if (scaled % travel != 0 && scaled < 0) --offset;
    return static_cast<int>(std::clamp<long long>(info.min + offset, info.min, info.max));
}
