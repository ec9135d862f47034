#include "toolkit/window/resize_border.h"

#include "toolkit/window/win_defs.h"

BorderHit BorderHitAt(QPoint point, int width, int height, int band) {
    const bool left = point.x() < band;
    const bool right = point.x() >= width - band;
    const bool top = point.y() < band;
    const bool bottom = point.y() >= height - band;
    if (top && left) return BorderHit::TopLeft;
    if (top && right) return BorderHit::TopRight;
    if (bottom && left) return BorderHit::BottomLeft;
    if (bottom && right) return BorderHit::BottomRight;
    if (left) return BorderHit::Left;
    if (right) return BorderHit::Right;
    if (top) return BorderHit::Top;
    if (bottom) return BorderHit::Bottom;
    return BorderHit::Client;
}

LRESULT NcHitResult(BorderHit hit) {
    switch (hit) {
        case BorderHit::Left:
            return HTLEFT;
        case BorderHit::Right:
            return HTRIGHT;
        case BorderHit::Top:
            return HTTOP;
        case BorderHit::Bottom:
            return HTBOTTOM;
        case BorderHit::TopLeft:
            return HTTOPLEFT;
        case BorderHit::TopRight:
            return HTTOPRIGHT;
        case BorderHit::BottomLeft:
            return HTBOTTOMLEFT;
        case BorderHit::BottomRight:
            return HTBOTTOMRIGHT;
        case BorderHit::Client:
            break;
    }
    return HTCLIENT;
}
