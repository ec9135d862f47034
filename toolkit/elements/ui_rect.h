#pragma once
// A rectangle in window coordinates: left and top inside, right and bottom just outside, as every
// layout figure of the windows is written.

#include <QRect>
#include <algorithm>

struct UiRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr UiRect() = default;
    constexpr UiRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
    static constexpr UiRect FromSize(int x, int y, int width, int height) {
        return {x, y, x + width, y + height};
    }
    static UiRect FromQRect(const QRect& rect) {
        return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
    }

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
    constexpr bool Contains(int x, int y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
    constexpr bool Intersects(const UiRect& other) const {
        return !IsEmpty() && !other.IsEmpty() && left < other.right && other.left < right &&
               top < other.bottom && other.top < bottom;
    }
    // The common part; the all-zero rectangle when there is none.
    constexpr UiRect Intersected(const UiRect& other) const {
        UiRect common{std::max(left, other.left), std::max(top, other.top),
                      std::min(right, other.right), std::min(bottom, other.bottom)};
        return common.IsEmpty() ? UiRect{} : common;
    }
    // The smallest rectangle holding both; an empty side is ignored.
    constexpr UiRect United(const UiRect& other) const {
        if (IsEmpty()) return other;
        if (other.IsEmpty()) return *this;
        return {std::min(left, other.left), std::min(top, other.top), std::max(right, other.right),
                std::max(bottom, other.bottom)};
    }
    constexpr UiRect Offset(int dx, int dy) const {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
    constexpr UiRect Inflated(int dx, int dy) const {
        return {left - dx, top - dy, right + dx, bottom + dy};
    }
    QRect ToQRect() const { return QRect(left, top, Width(), Height()); }

    constexpr bool operator==(const UiRect&) const = default;
};
