#pragma once
// How many lines one notch of the mouse wheel scrolls: the desktop's setting.

#include <QApplication>
#include <algorithm>

inline int WheelLinesPerNotch() {
    return std::max(1, QApplication::wheelScrollLines());
}
