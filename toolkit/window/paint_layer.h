#pragma once
// Painting a window whose paint has holes in it: child windows that paint themselves are cut out
// of the parent's clip, and under such a clip the painter leaves its fast paths and goes row by
// row. The window is painted instead into a layer without holes, which is then copied into the
// paint one clean rectangle at a time.

#include <QRegion>
#include <functional>

class QPainter;

// Paints `paint` (given a painter in the window's coordinates) into `dc` through the layer, within
// `region`. Returns false, having painted nothing, when the layer does not serve the paint: a
// region of one rectangle, a device that is not a picture in one of the two usual formats, or a
// painter that does not place the window on whole device pixels. The caller then paints directly.
bool PaintThroughLayer(QPainter& dc, const QRegion& region,
                       const std::function<void(QPainter&)>& paint);
