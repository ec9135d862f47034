#pragma once
// The drop shadow's pixels: the window's shape is shrunk (when the shadow is sharper than it is
// large), a round kernel is stamped along both ends of every line of the shape, the inside is
// filled, and the window's own area is cleared. One span per line: the shape has no holes.

#include <QRgb>
#include <cstdint>
#include <vector>

struct ShadowParams {
    int darkness = 75;  // 0..255
    int sharpness = 5;  // 0..255
    int size = 5;       // pixels the shadow reaches beyond the window, may be negative
    int offsetX = 0;    // where the shadow sits relative to the window
    int offsetY = 2;
    QRgb colour = 0xFF000000;  // black
};

// The part of one line that belongs to the shape: [start, end); empty when start >= end.
struct LineSpan {
    int start = 0;
    int end = 0;
};

// Premultiplied ARGB for alpha `alpha` of the colour (alpha in the top byte).
std::uint32_t ShadowPixel(QRgb colour, int alpha);

// The shadow of a window of width x height whose line y covers windowSpans[y]: a picture of
// (width + 2 size) x (height + 2 size) pixels, top row first, that belongs at
// (offsetX - size, offsetY - size) from the window's top-left corner. Empty when that size is
// not positive.
std::vector<std::uint32_t> ComputeShadowPixels(int width, int height,
                                               const std::vector<LineSpan>& windowSpans,
                                               const ShadowParams& params);
