// Pictures: kinds by their first bytes, decoding and scaling, the cache's value format, tiles
// and JPEG copies.
#include "platform/picture.h"

#include <gtest/gtest.h>

#include "storage/dib_blob.h"
#include "tests/image_cache/test_pictures.h"

namespace {

using lumeno::test::SolidPicture;

// The colour of a pixel of a 32-bit bitmap as 0xRRGGBB.
std::uint32_t Pixel(const DibBitmap& bitmap, int x, int y) {
    const std::uint8_t* p = bitmap.Row(y) + 4 * x;
    return static_cast<std::uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
}

TEST(PictureTest, KindIsTakenFromTheFirstTwoBytes) {
    EXPECT_EQ(platform::PictureTypeOf(SolidPicture(2, 2, 0, "PNG")), platform::kPicturePng);
    EXPECT_EQ(platform::PictureTypeOf(SolidPicture(2, 2, 0, "JPG")), platform::kPictureJpeg);
    EXPECT_EQ(platform::PictureTypeOf(SolidPicture(2, 2, 0, "BMP")), platform::kPictureBmp);
    EXPECT_EQ(platform::PictureTypeOf("BM whatever follows"), platform::kPictureBmp);
    EXPECT_EQ(platform::PictureTypeOf("B"), platform::kPictureUnknown);
    EXPECT_EQ(platform::PictureTypeOf(""), platform::kPictureUnknown);
    EXPECT_EQ(platform::PictureTypeOf("GIF89a"), platform::kPictureUnknown);
}

TEST(PictureTest, DecodesAtItsOwnSizeOrStretchedToASquare) {
    for (const char* format : {"PNG", "JPG", "BMP"}) {
        const std::string bytes = SolidPicture(30, 20, 0x2040C0, format);
        DibBitmapPtr own = platform::DecodePicture(bytes, 0);
        ASSERT_TRUE(own) << format;
        EXPECT_EQ(own->width, 30);
        EXPECT_EQ(own->height, 20);
        EXPECT_EQ(own->bitsPerPixel, 32);
        DibBitmapPtr square = platform::DecodePicture(bytes, 42);
        ASSERT_TRUE(square) << format;
        EXPECT_EQ(square->width, 42);
        EXPECT_EQ(square->height, 42);
        EXPECT_NEAR(static_cast<int>(Pixel(*square, 21, 21) & 0xFF), 0xC0, 6) << format;
    }
    EXPECT_FALSE(platform::DecodePicture("<html>not found</html>", 42));
    EXPECT_FALSE(platform::DecodePicture("", 0));
}

TEST(PictureTest, CacheValueFormatRoundTripsAndRejectsShortValues) {
    DibBitmapPtr picture = platform::DecodePicture(SolidPicture(5, 3, 0x102030), 0);
    ASSERT_TRUE(picture);
    const std::string value = SerializeDib(*picture);
    ASSERT_EQ(value.size(), 40u + 3 * 20);
    EXPECT_EQ(value.substr(0, 4), std::string("\x28\0\0\0", 4));
    DibBitmapPtr back = DeserializeDib(value);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width, 5);
    EXPECT_EQ(back->height, 3);
    EXPECT_EQ(back->bits, picture->bits);

    EXPECT_FALSE(DeserializeDib(value.substr(0, value.size() - 1))) << "bits cut short";
    EXPECT_FALSE(DeserializeDib(value.substr(0, 39))) << "header cut short";
    std::string palette = value;
    palette[14] = 8;
    EXPECT_FALSE(DeserializeDib(palette)) << "palette bitmaps are never stored";
    std::string huge = value;
    huge[9] = 0x7F;  // a height of millions
    EXPECT_FALSE(DeserializeDib(huge));
}

TEST(PictureTest, TileKeepsItsBackgroundAroundThePieces) {
    DibBitmapPtr red = platform::DecodePicture(SolidPicture(8, 8, 0xFF0000), 0);
    DibBitmapPtr blue = platform::DecodePicture(SolidPicture(8, 8, 0x0000FF), 0);
    DibBitmapPtr tile = platform::ComposeTile(
        42, 0xF6F6F6, {{red.get(), 0, 11, 20, 31}, {blue.get(), 22, 11, 42, 31}});
    ASSERT_TRUE(tile);
    EXPECT_EQ(tile->width, 42);
    EXPECT_EQ(Pixel(*tile, 1, 1), 0xF6F6F6u);
    EXPECT_EQ(Pixel(*tile, 21, 20), 0xF6F6F6u) << "the gap between the pieces";
    EXPECT_EQ(Pixel(*tile, 10, 20), 0xFF0000u);
    EXPECT_EQ(Pixel(*tile, 32, 20), 0x0000FFu);
}

TEST(PictureTest, JpegCopyDecodesAgain) {
    DibBitmapPtr picture = platform::DecodePicture(SolidPicture(42, 42, 0x00FF00), 0);
    const std::string jpeg = platform::EncodeJpeg(*picture);
    EXPECT_EQ(platform::PictureTypeOf(jpeg), platform::kPictureJpeg);
    DibBitmapPtr back = platform::DecodePicture(jpeg, 0);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width, 42);
    EXPECT_NEAR(static_cast<int>(Pixel(*back, 20, 20) >> 8 & 0xFF), 0xFF, 8);
}

}  // namespace
