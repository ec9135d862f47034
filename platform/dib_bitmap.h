#pragma once
// A decoded picture: top-down rows padded to a multiple of 4 bytes, 24 bits (blue, green, red) or
// 32 bits (blue, green, red, alpha with premultiplied colours) per pixel. On little-endian
// machines a 32-bit bitmap has the memory layout of Qt's premultiplied ARGB32 images.

#include <cstdint>
#include <memory>
#include <vector>

struct DibBitmap {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::size_t stride = 0;  // bytes per row
    std::vector<std::uint8_t> bits;

    std::uint8_t* Row(int y) { return bits.data() + stride * static_cast<std::size_t>(y); }
    const std::uint8_t* Row(int y) const {
        return bits.data() + stride * static_cast<std::size_t>(y);
    }
};

using DibBitmapPtr = std::unique_ptr<DibBitmap>;

// Rows of `bytesPerPixel * width` bytes rounded up to a multiple of 4.
inline std::size_t DibStride(int width, int bytesPerPixel) {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bytesPerPixel) + 3) &
           ~std::size_t{3};
}

// Pictures larger than this many pixels are refused rather than decoded.
constexpr std::size_t kMaxDecodedPixels = 64u * 1024 * 1024;
