#pragma once
// The resize borders of a borderless window: which edge or corner of the client area a point
// lies on, and the answer to WM_NCHITTEST for it.

#include <QPoint>

#include "platform/win_types.h"

enum class BorderHit {
    Client,
    Left,
    Right,
    Top,
    Bottom,
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight
};

// The border `point` (client coordinates) lies on, for a client area of `width` x `height` with
// bands `band` pixels wide along each edge; near two edges it is their corner.
BorderHit BorderHitAt(QPoint point, int width, int height, int band);

// The WM_NCHITTEST answer for a border.
LRESULT NcHitResult(BorderHit hit);
