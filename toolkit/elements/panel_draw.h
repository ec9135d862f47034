#pragma once
// A rounded panel (a card, a bubble, a field): a fill with a 1-pixel border and round corners.
// Its corners are drawn once into a small picture and reused; the straight parts are plain
// fills, so a large panel costs little more than a fill of its size.

#include <QColor>
#include <QRect>

class QPainter;

void DrawRoundedPanel(QPainter& dc, const QRect& rect, const QColor& fill, const QColor& border,
                      int radius);

// A 1-pixel outline just inside `rect`, round at the corners, drawn over what is there.
void DrawRoundedEdge(QPainter& dc, const QRect& rect, const QColor& edge, int radius);
