// The skin directory of the build against the skin image table: every named picture exists with
// its exact name, frame layout and cuts, has a 2x companion and distinct frames; the built-in
// pictures and the new-message sound are there.

#include <gtest/gtest.h>

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <set>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/skin/skin_images.h"

namespace {

class SkinTableTest : public ::testing::Test {
  protected:
    void SetUp() override { lumeno::test::PrepareToolkitProcess(); }
};

QImage FramePixels(const QImage& strip, int frames, int frame) {
    const int width = strip.width() / frames;
    return strip.copy(frame * width, 0, width, strip.height());
}

TEST_F(SkinTableTest, EveryPictureHasItsNameFramesCutsAndDoubleSize) {
    for (const SkinImageSpec& entry : SkinImageTable()) {
        SCOPED_TRACE(entry.name);
        const QString path = SkinFilePath(QString::fromLatin1(entry.name));
        ASSERT_TRUE(QFileInfo::exists(path));
        const QImage picture(path);
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.width() % entry.frames, 0);

        CKesBitmap& bitmap = SkinImage(entry.name);
        EXPECT_FALSE(bitmap.IsEmpty());
        EXPECT_EQ(bitmap.FrameCount(), entry.frames);
        EXPECT_EQ(bitmap.FrameWidth() * entry.frames, picture.width());
        EXPECT_EQ(bitmap.FrameHeight(), picture.height());
        const int width = bitmap.FrameWidth();
        const int height = bitmap.FrameHeight();
        switch (entry.kind) {
            case SkinKind::Horizontal3:
                ASSERT_NE(SkinHorizontal3(entry.name), nullptr);
                EXPECT_LE(entry.cuts[0], entry.cuts[1]);
                EXPECT_LE(entry.cuts[1], width);
                break;
            case SkinKind::Vertical3:
                ASSERT_NE(SkinVertical3(entry.name), nullptr);
                EXPECT_LE(entry.cuts[1], height);
                break;
            case SkinKind::NinePart:
                ASSERT_NE(SkinNinePart(entry.name), nullptr);
                EXPECT_LE(entry.cuts[1], width);
                EXPECT_LE(entry.cuts[3], height);
                break;
            case SkinKind::Plain:
                break;
        }

        QString doubled = path;
        doubled.insert(doubled.lastIndexOf(u'.'), QStringLiteral("@2x"));
        const QImage sharp(doubled);
        EXPECT_EQ(sharp.size(), picture.size() * 2);
    }
}

TEST_F(SkinTableTest, ButtonFramesAreDistinctLooks) {
    // Normal, hovered, pressed and disabled must read differently.
    for (const SkinImageSpec& entry : SkinImageTable()) {
        if (entry.frames < 3 || entry.frames == 9) continue;
        SCOPED_TRACE(entry.name);
        const QImage strip(SkinFilePath(QString::fromLatin1(entry.name)));
        for (int a = 0; a < entry.frames; ++a) {
            for (int b = a + 1; b < entry.frames; ++b) {
                EXPECT_NE(FramePixels(strip, entry.frames, a), FramePixels(strip, entry.frames, b))
                    << "frames " << a << " and " << b;
            }
        }
    }
}

TEST_F(SkinTableTest, CheckFramesDifferWhereTheyAreDrawn) {
    // Nine-frame images: frames 0-2 and 4-6 (states) and 8 (disabled) are all drawn.
    for (const char* name : {"radio.png", "checkbox_round.png"}) {
        SCOPED_TRACE(name);
        const QImage strip(SkinFilePath(QString::fromLatin1(name)));
        std::set<int> drawn = {0, 1, 2, 4, 5, 6, 8};
        for (int a : drawn) {
            for (int b : drawn) {
                if (a < b) {
                    EXPECT_NE(FramePixels(strip, 9, a), FramePixels(strip, 9, b));
                }
            }
        }
    }
}

TEST_F(SkinTableTest, BuiltInPicturesHaveTheirGeometry) {
    EXPECT_EQ(BuiltInImage(117).FrameWidth(), 16);
    EXPECT_EQ(BuiltInImage(117).FrameHeight(), 16);
    EXPECT_EQ(BuiltInImage(117).FrameCount(), 9);
    EXPECT_EQ(BuiltInImage(118).FrameWidth(), 7);
    EXPECT_EQ(BuiltInImage(118).FrameHeight(), 4);
    EXPECT_EQ(BuiltInImage(121).FrameWidth(), 43);
    EXPECT_EQ(BuiltInImage(121).FrameHeight(), 40);
    CKesBitmapHorizen3Part& face = BuiltInButtonFace();
    EXPECT_EQ(face.FrameWidth(), 5);
    EXPECT_EQ(face.FrameHeight(), 27);
    EXPECT_EQ(face.FrameCount(), 4);
    EXPECT_EQ(face.LeftCut(), 2);
    EXPECT_EQ(face.RightCut(), 3);
    EXPECT_EQ(face.Format(), CKesBitmap::kBmp);
    EXPECT_FALSE(face.HasPerPixelAlpha());  // a device-independent bitmap without alpha
    EXPECT_TRUE(BuiltInImage(117).HasPerPixelAlpha());
}

TEST_F(SkinTableTest, UnknownNameGivesAPictureThatDrawsNothing) {
    CKesBitmap& unknown = SkinImage("Sys_Btn_Close.png");  // names are case-sensitive
    EXPECT_TRUE(unknown.IsEmpty());
    EXPECT_EQ(SkinHorizontal3("no_such.png"), nullptr);
    QImage canvas(10, 10, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::green);
    QPainter painter(&canvas);
    unknown.DrawFrame(painter, 0, 0, 10, 10, 0);
    painter.end();
    EXPECT_EQ(canvas.pixelColor(5, 5), QColor(Qt::green));
}

TEST_F(SkinTableTest, NotifySoundIsShortSixteenBitMonoPcm) {
    QFile file(SkinFilePath(QStringLiteral("notify.wav")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GT(bytes.size(), 44);
    EXPECT_EQ(bytes.left(4), "RIFF");
    EXPECT_EQ(bytes.mid(8, 8), "WAVEfmt ");
    QDataStream stream(bytes);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.skipRawData(20);
    quint16 format = 0, channels = 0, blockAlign = 0, bits = 0;
    quint32 rate = 0, byteRate = 0, dataSize = 0;
    stream >> format >> channels >> rate >> byteRate >> blockAlign >> bits;
    char data[4];
    stream.readRawData(data, 4);
    stream >> dataSize;
    EXPECT_EQ(format, 1);
    EXPECT_EQ(channels, 1);
    EXPECT_EQ(bits, 16);
    EXPECT_EQ(QByteArray(data, 4), "data");
    ASSERT_EQ(dataSize, static_cast<quint32>(bytes.size() - 44));
    const double seconds = static_cast<double>(dataSize) / byteRate;
    EXPECT_GT(seconds, 0.2);
    EXPECT_LT(seconds, 1.5);
    int peak = 0;
    qint16 sample = 0;
    for (quint32 i = 0; i < dataSize / 2; ++i) {
        stream >> sample;
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
    }
    EXPECT_GT(peak, 8000);  // audible
    EXPECT_EQ(sample, 0);   // and it ends in silence, without a click
}

TEST_F(SkinTableTest, ConversationPageFoldersAndPicturesArePresent) {
    const QDir page(SkinFilePath(QStringLiteral("qxstc-ie6fix")));
    for (const char* folder : {"js", "css", "images", "images/sys", "images/anony"}) {
        EXPECT_TRUE(QFileInfo(page.filePath(QString::fromLatin1(folder))).isDir()) << folder;
    }
    for (const char* picture :
         {"images/icon_v1.png", "images/icon_v2.png", "images/icon_contact1.png",
          "images/icon_contact2.png", "images/icon_contact3.png", "images/icon_contact_me.png",
          "images/sys/anony.png", "images/anony/3.png", "images/anony/100.png"}) {
        EXPECT_FALSE(QImage(page.filePath(QString::fromLatin1(picture))).isNull()) << picture;
    }
}

}  // namespace
