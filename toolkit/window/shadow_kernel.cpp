#include "toolkit/window/shadow_kernel.h"

#include <algorithm>
#include <cmath>

std::uint32_t ShadowPixel(QRgb colour, int alpha) {
    const auto a = static_cast<std::uint32_t>(std::clamp(alpha, 0, 255));
    const std::uint32_t red = static_cast<std::uint32_t>(qRed(colour)) * a / 255;
    const std::uint32_t green = static_cast<std::uint32_t>(qGreen(colour)) * a / 255;
    const std::uint32_t blue = static_cast<std::uint32_t>(qBlue(colour)) * a / 255;
    return (a << 24) | (red << 16) | (green << 8) | blue;
}

std::vector<std::uint32_t> ComputeShadowPixels(int width, int height,
                                               const std::vector<LineSpan>& windowSpans,
                                               const ShadowParams& params) {
    const int size = params.size;
    const int sharpness = std::max(0, params.sharpness);
    const int darkness = std::clamp(params.darkness, 0, 255);
    const int shadowWidth = width + 2 * size;
    const int shadowHeight = height + 2 * size;
    if (width <= 0 || height <= 0 || shadowWidth <= 0 || shadowHeight <= 0) return {};
    if (static_cast<int>(windowSpans.size()) < height) return {};
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(shadowWidth) * shadowHeight, 0);

    // The span table: one entry per shadow line, with an empty line before the first and after
    // the last. Entry i + 1 is shadow line i; window line y sits at shadow line y + size.
    const int lines = std::max(height, shadowHeight) + 2;
    const LineSpan empty{width, 0};
    std::vector<LineSpan> table(static_cast<std::size_t>(lines), empty);
    for (int y = 0; y < height; ++y) {
        const int entry = y + size + 1;
        if (entry < 1 || entry > lines - 2) continue;
        table[entry] = {windowSpans[y].start + size, windowSpans[y].end + size};
    }

    // Erosion: a shadow sharper than it is large starts inside the window's shape.
    std::vector<LineSpan> eroded(table.size(), empty);
    for (int pass = 0; pass < sharpness - size; ++pass) {
        for (int j = 1; j < lines - 1; ++j) {
            eroded[j].start =
                std::max({table[j - 1].start, table[j].start, table[j + 1].start}) + 1;
            eroded[j].end = std::min({table[j - 1].end, table[j].end, table[j + 1].end}) - 1;
        }
        std::swap(table, eroded);
    }
    auto line = [&](int shadowLine) -> const LineSpan& {
        const int entry = shadowLine + 1;
        return (entry < 0 || entry >= lines) ? empty : table[entry];
    };

    // The kernel: full darkness inside the centre radius, fading to the kernel's edge.
    const int kernelSize = std::max(sharpness, size);
    const int centreRadius = size > sharpness ? size - sharpness : 0;
    const int side = 2 * kernelSize + 1;
    std::vector<std::uint32_t> kernel(static_cast<std::size_t>(side) * side, 0);
    for (int i = 0; i < side; ++i) {
        for (int j = 0; j < side; ++j) {
            const double distance = std::sqrt(double(i - kernelSize) * (i - kernelSize) +
                                              double(j - kernelSize) * (j - kernelSize));
            std::uint32_t value = 0;
            if (distance < centreRadius) {
                value = ShadowPixel(params.colour, darkness);
            } else if (distance <= kernelSize) {
                const auto alpha =
                    static_cast<int>((1 - (distance - centreRadius) / (sharpness + 1)) * darkness);
                value = ShadowPixel(params.colour, alpha);
            }
            kernel[static_cast<std::size_t>(i) * side + j] = value;
        }
    }
    // Stamping keeps the larger value of kernel and picture, pixel by pixel.
    auto stamp = [&](int centreX, int centreY) {
        for (int k = 0; k < side; ++k) {
            const int y = centreY - kernelSize + k;
            if (y < 0 || y >= shadowHeight) continue;
            std::uint32_t* row = pixels.data() + static_cast<std::size_t>(y) * shadowWidth;
            const std::uint32_t* cells = kernel.data() + static_cast<std::size_t>(k) * side;
            for (int l = 0; l < side; ++l) {
                const int x = centreX - kernelSize + l;
                if (x < 0 || x >= shadowWidth) continue;
                if (row[x] < cells[l]) row[x] = cells[l];
            }
        }
    };

    // The blurred border: the kernel along the ends of each line, as far in as the
    // neighbouring lines reach out.
    for (int i = kernelSize; i < shadowHeight - kernelSize; ++i) {
        const LineSpan& span = line(i);
        if (span.start >= span.end) continue;
        const LineSpan& above = line(i - 1);
        const LineSpan& below = line(i + 1);
        int x = span.start;
        for (; x < std::min(std::max(above.start, below.start) + 1, span.end); ++x)
            stamp(x, i);
        for (x = std::max(x, std::min(above.end, below.end) - 1); x < span.end; ++x)
            stamp(x, i);
    }

    // The inside at full darkness, except under the window itself.
    const std::uint32_t centre = ShadowPixel(params.colour, darkness);
    auto fill = [&](std::uint32_t* row, int from, int to, std::uint32_t value) {
        for (int x = std::max(from, 0); x < std::min(to, shadowWidth); ++x)
            row[x] = value;
    };
    const int firstLine = std::min(kernelSize, std::max(size - params.offsetY, 0));
    const int endLine = std::max(shadowHeight - kernelSize,
                                 std::min(height + size - params.offsetY, height + 2 * size));
    for (int i = firstLine; i < endLine; ++i) {
        if (i < 0 || i >= shadowHeight) continue;
        std::uint32_t* row = pixels.data() + static_cast<std::size_t>(i) * shadowWidth;
        const LineSpan& span = line(i);
        const int windowLine = i - size + params.offsetY;
        if (windowLine < 0 || windowLine >= height) {
            fill(row, span.start, span.end, centre);
            continue;
        }
        const int shift = size - params.offsetX;
        const int windowStart = windowSpans[windowLine].start + shift;
        const int windowEnd = windowSpans[windowLine].end + shift;
        fill(row, span.start, std::min(windowStart, span.end), centre);
        fill(row, std::max(windowStart, 0), std::min(windowEnd, shadowWidth), 0);
        fill(row, std::max(windowEnd, span.start), span.end, centre);
    }
    return pixels;
}
