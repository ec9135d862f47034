#include "toolkit/scroll_geometry.h"

#include <algorithm>

int ThumbHeight(const ScrollInfo& info, int barHeight) {
    if (info.max <= info.min) return kMinThumbHeight;
    if (info.max < info.min + info.page) return 0;
    const double range = static_cast<double>(info.max) - info.min + 1;
    const auto height = static_cast<int>(barHeight / range * info.page);
    return std::max(height, kMinThumbHeight);
}

int ThumbTopForPosition(const ScrollInfo& info, int barHeight, int thumbHeight) {
    if (info.pos < info.min || info.pos > info.max || info.min == info.max) return -1;
    if (info.pos == info.min) return 0;
    if (info.pos == info.max) return std::max(0, barHeight - thumbHeight);
    const double range = static_cast<double>(info.max) - info.min;
    return static_cast<int>(barHeight / range * (info.pos - info.min));
}

int ClampThumbTop(int top, int barHeight, int thumbHeight) {
    const int travel = barHeight - thumbHeight;
    if (travel <= 0) return 0;
    return std::clamp(top, 0, travel);
}

int PositionForThumbTop(const ScrollInfo& info, int barHeight, int thumbHeight, int top) {
    const int travel = barHeight - thumbHeight;
    const double steps = static_cast<double>(info.max) - info.page - info.min + 1;
    if (travel <= 0 || steps <= 0) return info.min;
    const auto position = static_cast<long long>(top / (travel / steps));
    if (info.max < info.min) return info.min;
    return static_cast<int>(std::clamp<long long>(position, info.min, info.max));
}
