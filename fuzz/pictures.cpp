// Downloaded pictures (avatars, photos in messages) decoded as the image cache does, and the
// same bytes through the skin's own PNG and JPEG decoders.
#include <QCoreApplication>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "platform/picture.h"
#include "util/jpeg_codec.h"
#include "util/png_codec.h"

namespace {

void ExpectWhole(const DibBitmap& bitmap) {
    FUZZ_EXPECT(bitmap.width > 0 && bitmap.height > 0);
    FUZZ_EXPECT(bitmap.bitsPerPixel == 24 || bitmap.bitsPerPixel == 32);
    FUZZ_EXPECT(bitmap.stride >= static_cast<std::size_t>(bitmap.width) * bitmap.bitsPerPixel / 8);
    FUZZ_EXPECT(bitmap.bits.size() >= bitmap.stride * static_cast<std::size_t>(bitmap.height));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The JPEG reader is a plug-in, found through the application's library paths.
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (DibBitmapPtr own = platform::DecodePicture(bytes, 0)) {
        ExpectWhole(*own);
        FUZZ_EXPECT(static_cast<std::size_t>(own->width) * static_cast<std::size_t>(own->height) <=
                    kMaxDecodedPixels);
        DibBitmapPtr small = platform::DecodePicture(bytes, 40);
        FUZZ_EXPECT(small && small->width == 40 && small->height == 40);
        ExpectWhole(*small);
    }
    static CLibPng* const png = new CLibPng;
    static CJpeg* const jpeg = new CJpeg;
    if (platform::PictureTypeOf(bytes) == platform::kPicturePng) {
        if (DibBitmapPtr bitmap = png->DecodePng(data, size)) ExpectWhole(*bitmap);
    } else if (platform::PictureTypeOf(bytes) == platform::kPictureJpeg) {
        if (DibBitmapPtr bitmap = jpeg->DecodeJpeg(data, size)) ExpectWhole(*bitmap);
    }
    return 0;
}
