// PNG and JPEG decoding into bitmaps: layouts, colour order, alpha, and broken input.
#include <gtest/gtest.h>
#include <png.h>

#include <zlib.h>

#include <algorithm>
#include <cstdio>

#include "picture_writers.h"
#include "tests/support/temp_dir.h"
#include "util/jpeg_codec.h"
#include "util/png_codec.h"
#include "util/small_components.h"

namespace {

using lumeno::test::PngSpec;
using lumeno::test::WriteJpeg;
using lumeno::test::WritePng;

class PictureCodecTest : public ::testing::Test {
  protected:
    void SetUp() override {
        RegisterComponentTable(kUtilComponentTable);
        ASSERT_EQ(GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr)), S_OK);
        ASSERT_EQ(png_.Get(26), S_OK);
        ASSERT_EQ(jpeg_.Get(27), S_OK);
    }
    DibBitmapPtr Png(const std::vector<std::uint8_t>& bytes) {
        return png_->DecodePng(bytes.data(), bytes.size());
    }
    DibBitmapPtr Jpeg(const std::vector<std::uint8_t>& bytes) {
        return jpeg_->DecodeJpeg(bytes.data(), bytes.size());
    }
    KesPtr<CLibPng> png_;
    KesPtr<CJpeg> jpeg_;
};

TEST_F(PictureCodecTest, RgbPngBecomesTopDownBgrWithPaddedRows) {
    PngSpec picture;
    picture.width = 3;
    picture.height = 2;
    picture.rows = {{255, 0, 0, 0, 255, 0, 0, 0, 255}, {10, 20, 30, 40, 50, 60, 70, 80, 90}};
    auto bitmap = Png(WritePng(picture));
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->bitsPerPixel, 24);
    EXPECT_EQ(bitmap->stride, 12u) << "9 bytes of pixels padded to 12";
    const std::uint8_t* top = bitmap->Row(0);
    EXPECT_EQ(std::vector<int>(top, top + 9), (std::vector<int>{0, 0, 255, 0, 255, 0, 255, 0, 0}));
    const std::uint8_t* bottom = bitmap->Row(1);
    EXPECT_EQ(std::vector<int>(bottom, bottom + 3), (std::vector<int>{30, 20, 10}));
}

TEST_F(PictureCodecTest, PalettePngWithTransparencyChunkIsPremultiplied32Bit) {
    PngSpec picture;
    picture.width = 2;
    picture.colorType = PNG_COLOR_TYPE_PALETTE;
    picture.palette = {200, 100, 50, 255, 255, 255};
    picture.trnsAlpha = {128, 0};
    picture.rows = {{0, 1}};
    auto bitmap = Png(WritePng(picture));
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->bitsPerPixel, 32);
    const std::uint8_t* pixel = bitmap->Row(0);
    EXPECT_EQ(pixel[0], 50 * 128 / 255);
    EXPECT_EQ(pixel[1], 100 * 128 / 255);
    EXPECT_EQ(pixel[2], 200 * 128 / 255);
    EXPECT_EQ(pixel[3], 128);
    EXPECT_EQ(std::vector<int>(pixel + 4, pixel + 8), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(PictureCodecTest, GreySixteenBitAndLowDepthPicturesExpandTo24Bit) {
    PngSpec grey16;
    grey16.colorType = PNG_COLOR_TYPE_GRAY;
    grey16.bitDepth = 16;
    grey16.width = 1;
    grey16.rows = {{0x80, 0xFF}};
    auto a = Png(WritePng(grey16));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->bitsPerPixel, 24);
    EXPECT_EQ(std::vector<int>(a->Row(0), a->Row(0) + 3), (std::vector<int>{0x80, 0x80, 0x80}));

    PngSpec grey1;
    grey1.colorType = PNG_COLOR_TYPE_GRAY;
    grey1.bitDepth = 1;
    grey1.width = 8;
    grey1.rows = {{0b10100000}};
    auto b = Png(WritePng(grey1));
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Row(0)[0], 255);
    EXPECT_EQ(b->Row(0)[3], 0);
    EXPECT_EQ(b->Row(0)[6], 255);
}

TEST_F(PictureCodecTest, InterlacedAlphaPictureIsPremultipliedExactlyOnce) {
    PngSpec picture;
    picture.width = 8;
    picture.height = 8;
    picture.colorType = PNG_COLOR_TYPE_RGBA;
    picture.interlaced = true;
    for (int y = 0; y < 8; ++y) {
        std::vector<std::uint8_t> row;
        for (int x = 0; x < 8; ++x)
            row.insert(row.end(), {200, 200, 200, 128});
        picture.rows.push_back(row);
    }
    auto bitmap = Png(WritePng(picture));
    ASSERT_TRUE(bitmap);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            ASSERT_EQ(bitmap->Row(y)[4 * x], 200 * 128 / 255) << x << "," << y;
            ASSERT_EQ(bitmap->Row(y)[4 * x + 3], 128);
        }
    }
}

TEST_F(PictureCodecTest, FileGammaIsCorrectedToScreenGamma) {
    PngSpec linear;
    linear.colorType = PNG_COLOR_TYPE_GRAY;
    linear.gamma = 1.0;
    linear.rows = {{128}};
    auto corrected = Png(WritePng(linear));
    ASSERT_TRUE(corrected);
    EXPECT_NEAR(corrected->Row(0)[0], 186, 2) << "linear 0.5 shown on a 2.2 screen";

    PngSpec plain = linear;
    plain.gamma = 0;
    auto untouched = Png(WritePng(plain));
    ASSERT_TRUE(untouched);
    EXPECT_EQ(untouched->Row(0)[0], 128);
}

TEST_F(PictureCodecTest, BrokenPngsGiveNull) {
    PngSpec picture;
    picture.width = 16;
    picture.height = 16;
    picture.rows.assign(16, std::vector<std::uint8_t>(48, 7));
    auto bytes = WritePng(picture);
    for (std::size_t cut : {std::size_t{0}, std::size_t{7}, std::size_t{8}, std::size_t{40},
                            bytes.size() / 2, bytes.size() - 13}) {
        std::vector<std::uint8_t> partial(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        EXPECT_FALSE(Png(partial)) << "cut at " << cut;
    }
    EXPECT_FALSE(png_->DecodePng(nullptr, 100));
    std::vector<std::uint8_t> garbage(1000, 0x5A);
    EXPECT_FALSE(Png(garbage));
    // A valid header announcing a huge picture with almost no data behind it.
    PngSpec tiny;
    tiny.rows = {{1, 2, 3}};
    std::vector<std::uint8_t> header = WritePng(tiny);
    const std::uint8_t dimensions[8] = {0, 0, 0x75, 0x30, 0, 0, 0x75, 0x30};  // 30000 x 30000
    std::copy(dimensions, dimensions + 8, header.begin() + 16);
    uLong crc = crc32(0, header.data() + 12, 17);  // chunk type and data of IHDR
    for (int i = 0; i < 4; ++i)
        header[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    EXPECT_FALSE(Png(header));
}

TEST_F(PictureCodecTest, SavePngRoundTripsA32BitBitmap) {
    lumeno::test::TempDir dir;
    DibBitmap bitmap;
    bitmap.width = 2;
    bitmap.height = 1;
    bitmap.bitsPerPixel = 32;
    bitmap.stride = 8;
    bitmap.bits = {10, 20, 30, 255, 0, 0, 0, 0};
    ASSERT_EQ(png_->SavePng(bitmap, dir / "out.png"), 1);
    std::FILE* file = std::fopen((dir / "out.png").c_str(), "rb");
    ASSERT_TRUE(file);
    std::vector<std::uint8_t> bytes(4096);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
    auto back = Png(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->bits, bitmap.bits);

    bitmap.bitsPerPixel = 24;
    EXPECT_EQ(png_->SavePng(bitmap, dir / "bad.png"), 0) << "only 32-bit bitmaps";
    EXPECT_EQ(png_->SavePng(DibBitmap{}, dir / "empty.png"), 0);
}

TEST_F(PictureCodecTest, JpegDecodesColourAndGreyToBgrAndRefusesCmyk) {
    auto red = Jpeg(WriteJpeg(5, 3, 3, {255, 0, 0}));
    ASSERT_TRUE(red);
    EXPECT_EQ(red->bitsPerPixel, 24);
    EXPECT_EQ(red->width, 5);
    EXPECT_EQ(red->height, 3);
    EXPECT_EQ(red->stride, 16u);
    EXPECT_LT(red->Row(2)[0], 10);   // blue
    EXPECT_GT(red->Row(2)[2], 245);  // red

    auto grey = Jpeg(WriteJpeg(4, 4, 1, {90}));
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->bitsPerPixel, 24);
    EXPECT_NEAR(grey->Row(3)[9], 90, 2);

    EXPECT_FALSE(Jpeg(WriteJpeg(4, 4, 4, {0, 0, 0, 0})));
}

TEST_F(PictureCodecTest, BrokenJpegsGiveNull) {
    std::vector<std::uint8_t> garbage(500, 0x33);
    EXPECT_FALSE(Jpeg(garbage));
    EXPECT_FALSE(jpeg_->DecodeJpeg(nullptr, 10));
    auto bytes = WriteJpeg(16, 16, 3, {1, 2, 3});
    std::vector<std::uint8_t> headerOnly(bytes.begin(), bytes.begin() + 20);
    EXPECT_FALSE(Jpeg(headerOnly));
}

}  // namespace
