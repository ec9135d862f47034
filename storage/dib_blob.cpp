#include "storage/dib_blob.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr std::size_t kHeaderSize = 40;
constexpr int kMaxSide = 16384;

void PutU32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}
void PutU16(std::string& out, std::uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}
std::uint32_t U32At(std::string_view in, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(in[at + i]);
    return value;
}
std::uint16_t U16At(std::string_view in, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(in[at]) |
                                      static_cast<unsigned char>(in[at + 1]) << 8);
}

}  // namespace

std::string SerializeDib(const DibBitmap& bitmap) {
    const std::size_t image = bitmap.stride * static_cast<std::size_t>(bitmap.height);
    std::string out;
    out.reserve(kHeaderSize + image);
    PutU32(out, kHeaderSize);
    PutU32(out, static_cast<std::uint32_t>(bitmap.width));
    PutU32(out, static_cast<std::uint32_t>(bitmap.height));
    PutU16(out, 1);  // planes
    PutU16(out, static_cast<std::uint16_t>(bitmap.bitsPerPixel));
    PutU32(out, 0);  // no compression
    PutU32(out, static_cast<std::uint32_t>(image));
    for (int i = 0; i < 4; ++i)
        PutU32(out, 0);  // resolution and colour counts
    out.append(reinterpret_cast<const char*>(bitmap.bits.data()), image);
    return out;
}

DibBitmapPtr DeserializeDib(std::string_view value) {
    if (value.size() < kHeaderSize || U32At(value, 0) != kHeaderSize) return nullptr;
    const auto width = static_cast<std::int32_t>(U32At(value, 4));
    const auto height = static_cast<std::int32_t>(U32At(value, 8));
    const int bits = U16At(value, 14);
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return nullptr;
    if (U32At(value, 16) != 0) return nullptr;
    // Palette bitmaps (1, 4 or 8 bits) carry a colour table the cache never writes.
    if (bits != 24 && bits != 32) return nullptr;
    auto bitmap = std::make_unique<DibBitmap>();
    bitmap->width = width;
    bitmap->height = height;
    bitmap->bitsPerPixel = bits;
    bitmap->stride = DibStride(width, bits / 8);
    const std::size_t image = bitmap->stride * static_cast<std::size_t>(height);
    if (value.size() - kHeaderSize < image) return nullptr;
    bitmap->bits.assign(value.begin() + kHeaderSize, value.begin() + kHeaderSize + image);
    return bitmap;
}
