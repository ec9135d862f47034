#pragma once
// Decoding, scaling, composing and encoding pictures for the image cache. Pictures are plain
// 32-bit bitmaps (premultiplied alpha), so that callers need nothing of the toolkit underneath.
// Any thread.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dib_bitmap.h"

namespace platform {

// The kind of a picture file by its first two bytes.
enum PictureType : int {
    kPictureUnknown = 0,
    kPictureBmp = 2,
    kPictureJpeg = 3,
    kPicturePng = 4,
};
PictureType PictureTypeOf(std::string_view bytes);

// A 32-bit bitmap of the picture in `bytes` (PNG, JPEG, BMP or GIF), stretched with smoothing to
// size x size when size > 0, at its own size otherwise. Null when the bytes are no picture or
// the picture is larger than kMaxDecodedPixels.
DibBitmapPtr DecodePicture(std::string_view bytes, int size);

// One picture stretched into the rectangle [left, right) x [top, bottom) of a tile.
struct TilePiece {
    const DibBitmap* picture;
    int left, top, right, bottom;
};
// A size x size 32-bit bitmap filled with `background` (0xRRGGBB), the pieces drawn in order.
DibBitmapPtr ComposeTile(int size, std::uint32_t background, const std::vector<TilePiece>& pieces);

// The bitmap as JPEG bytes; empty on failure.
std::string EncodeJpeg(const DibBitmap& bitmap, int quality = 90);

}  // namespace platform
