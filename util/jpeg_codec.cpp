#include "util/jpeg_codec.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>

namespace {

struct ErrorManager {
    jpeg_error_mgr standard;
    std::jmp_buf jump;
};

void JumpBack(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void IgnoreMessage(j_common_ptr) {}

// As with PNG: only plain pointers live between setjmp and a jump back.
DibBitmap* Decode(jpeg_decompress_struct* jpeg, ErrorManager* errors, const std::uint8_t* bytes,
                  std::size_t length) {
    DibBitmap* volatile bitmap = nullptr;
    if (setjmp(errors->jump)) {
        delete bitmap;
        return nullptr;
    }
    jpeg_mem_src(jpeg, bytes, static_cast<unsigned long>(length));
    if (jpeg_read_header(jpeg, TRUE) != JPEG_HEADER_OK) return nullptr;
    // Colour and grey pictures come out as three components; anything else (CMYK) is refused
    // by the library here or by the check below, so rows are never written past their end.
    jpeg->out_color_space = JCS_RGB;
    jpeg_start_decompress(jpeg);
    if (jpeg->output_components != 3 || jpeg->output_width == 0 || jpeg->output_height == 0 ||
        static_cast<std::size_t>(jpeg->output_width) * jpeg->output_height > kMaxDecodedPixels) {
        return nullptr;
    }
    bitmap = new DibBitmap;
    bitmap->width = static_cast<int>(jpeg->output_width);
    bitmap->height = static_cast<int>(jpeg->output_height);
    bitmap->bitsPerPixel = 24;
    bitmap->stride = DibStride(bitmap->width, 3);
    bitmap->bits.assign(bitmap->stride * static_cast<std::size_t>(bitmap->height), 0);
    while (jpeg->output_scanline < jpeg->output_height) {
        JSAMPROW row = bitmap->Row(static_cast<int>(jpeg->output_scanline));
        if (jpeg_read_scanlines(jpeg, &row, 1) != 1) break;
        for (int x = 0; x < bitmap->width; ++x) {
            std::uint8_t red = row[3 * x];
            row[3 * x] = row[3 * x + 2];
            row[3 * x + 2] = red;
        }
    }
    jpeg_finish_decompress(jpeg);
    DibBitmap* done = bitmap;
    bitmap = nullptr;
    return done;
}

}  // namespace

DibBitmapPtr CJpeg::DecodeJpeg(const std::uint8_t* bytes, std::size_t length) {
    if (!bytes || length == 0) return nullptr;
    jpeg_decompress_struct jpeg{};
    ErrorManager errors{};
    jpeg.err = jpeg_std_error(&errors.standard);
    errors.standard.error_exit = &JumpBack;
    errors.standard.output_message = &IgnoreMessage;
    jpeg_create_decompress(&jpeg);
    DibBitmap* bitmap = Decode(&jpeg, &errors, bytes, length);
    jpeg_destroy_decompress(&jpeg);
    return DibBitmapPtr(bitmap);
}
