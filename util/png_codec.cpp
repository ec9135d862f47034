#include "util/png_codec.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace {

// The byte range being read. libpng calls back into it; a read past its end is a library error.
struct ByteSource {
    const std::uint8_t* bytes;
    std::size_t length;
    std::size_t offset;
};

void ReadFromBytes(png_structp png, png_bytep out, png_size_t count) {
    auto* source = static_cast<ByteSource*>(png_get_io_ptr(png));
    if (count > source->length - source->offset) png_error(png, "read error");
    std::memcpy(out, source->bytes + source->offset, count);
    source->offset += count;
}

void IgnoreMessage(png_structp, png_const_charp) {}

// Library errors jump back to the caller's setjmp; nothing else is done here.
void JumpBack(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void Premultiply(DibBitmap& bitmap) {
    for (int y = 0; y < bitmap.height; ++y) {
        std::uint8_t* pixel = bitmap.Row(y);
        for (int x = 0; x < bitmap.width; ++x, pixel += 4) {
            const unsigned alpha = pixel[3];
            pixel[0] = static_cast<std::uint8_t>(pixel[0] * alpha / 255);
            pixel[1] = static_cast<std::uint8_t>(pixel[1] * alpha / 255);
            pixel[2] = static_cast<std::uint8_t>(pixel[2] * alpha / 255);
        }
    }
}

// Everything between setjmp and the end lives in this frame and in C code, and holds only plain
// pointers, so a jump back skips no destructor.
DibBitmap* Decode(png_structp png, png_infop info, ByteSource* source) {
    DibBitmap* volatile bitmap = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        delete bitmap;
        return nullptr;
    }
    png_set_read_fn(png, source, &ReadFromBytes);
    png_set_sig_bytes(png, 0);
    png_set_user_limits(png, 32768, 32768);
    png_read_info(png, info);

    png_set_strip_16(png);
    png_set_expand(png);  // palettes, grey below 8 bits and transparency chunks
    png_set_gray_to_rgb(png);
    double fileGamma = 0;
    if (png_get_gAMA(png, info, &fileGamma)) png_set_gamma(png, 2.2, fileGamma);
    // Grey is turned into colour above, so every decoded picture has its colour bit set.
    png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int channels = png_get_channels(png, info);
    if ((channels != 3 && channels != 4) || width == 0 || height == 0 ||
        static_cast<std::size_t>(width) * height > kMaxDecodedPixels) {
        return nullptr;
    }
    bitmap = new DibBitmap;
    bitmap->width = static_cast<int>(width);
    bitmap->height = static_cast<int>(height);
    bitmap->bitsPerPixel = 8 * channels;
    bitmap->stride = DibStride(bitmap->width, channels);
    bitmap->bits.assign(bitmap->stride * height, 0);
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, bitmap->Row(static_cast<int>(y)), nullptr);
        }
    }
    // Once, after the last pass: interlaced passes refill rows that earlier passes wrote.
    if (channels == 4) Premultiply(*bitmap);
    DibBitmap* done = bitmap;
    bitmap = nullptr;
    return done;
}

bool Encode(png_structp png, png_infop info, std::FILE* file, const DibBitmap& bitmap,
            std::uint8_t* row) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(bitmap.width),
                 static_cast<png_uint_32>(bitmap.height), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < bitmap.height; ++y) {
        const std::uint8_t* source = bitmap.Row(y);
        for (int x = 0; x < bitmap.width; ++x) {
            row[4 * x + 0] = source[4 * x + 2];
            row[4 * x + 1] = source[4 * x + 1];
            row[4 * x + 2] = source[4 * x + 0];
            row[4 * x + 3] = source[4 * x + 3];
        }
        png_write_row(png, row);
    }
    png_write_end(png, info);
    return true;
}

}  // namespace

DibBitmapPtr CLibPng::DecodePng(const std::uint8_t* bytes, std::size_t length) {
    if (!bytes || length < 8 || png_sig_cmp(bytes, 0, 8) != 0) return nullptr;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, &JumpBack, &IgnoreMessage);
    if (!png) return nullptr;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return nullptr;
    }
    ByteSource source{bytes, length, 0};
    DibBitmap* bitmap = Decode(png, info, &source);
    png_destroy_read_struct(&png, &info, nullptr);
    return DibBitmapPtr(bitmap);
}

int CLibPng::SavePng(const DibBitmap& bitmap, const std::string& path) {
    if (bitmap.bitsPerPixel != 32 || bitmap.width <= 0 || bitmap.height <= 0 ||
        bitmap.stride != 4u * static_cast<std::size_t>(bitmap.width) ||
        bitmap.bits.size() < bitmap.stride * static_cast<std::size_t>(bitmap.height)) {
        return 0;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, &JumpBack, &IgnoreMessage);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<std::uint8_t> row(bitmap.stride);
    bool written = png && info && Encode(png, info, file, bitmap, row.data());
    png_destroy_write_struct(&png, &info);
    written = (std::fclose(file) == 0) && written;
    return written ? 1 : 0;
}
