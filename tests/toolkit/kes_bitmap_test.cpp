// Skin bitmaps: frames, the three-part and nine-part forms, blending, high-density companions and
// pictures that cannot be read.

#include <gtest/gtest.h>

#include <QFile>
#include <QPainter>
#include <QtMath>
#include <cstdlib>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/skin/kes_bitmap.h"

namespace {

using lumeno::test::FlatFrames;
using lumeno::test::TempDir;

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kBlue(0, 0, 255);
const QColor kYellow(255, 255, 0);

class KesBitmapTest : public ::testing::Test {
  protected:
    void SetUp() override { lumeno::test::PrepareToolkitProcess(); }

    QString Save(const QImage& image, const QString& name) {
        const QString path = QString::fromStdString(dir_ / name.toStdString());
        EXPECT_TRUE(image.save(path, "PNG"));
        return path;
    }
    static QImage Canvas(int width, int height, QColor fill = Qt::transparent) {
        QImage canvas(width, height, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(fill);
        return canvas;
    }

    TempDir dir_;
};

// A frame whose columns all differ: column c of frame f is (20 f + c, 10 c, 200).
QImage ColumnStrip(int frames, int width, int height) {
    QImage image(frames * width, height, QImage::Format_ARGB32_Premultiplied);
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < width; ++c) {
            for (int y = 0; y < height; ++y) {
                image.setPixelColor(f * width + c, y, QColor(20 * f + c, 10 * c, 200));
            }
        }
    }
    return image;
}

TEST_F(KesBitmapTest, FramesAreEqualSlicesChosenByIndex) {
    CKesBitmap bitmap(Save(FlatFrames({kRed, kGreen, kBlue, kYellow}, 50, 10), "four.png"), 4);
    EXPECT_EQ(bitmap.FrameWidth(), 50);
    EXPECT_EQ(bitmap.FrameHeight(), 10);
    EXPECT_EQ(bitmap.Format(), CKesBitmap::kPng);

    QImage canvas = Canvas(50, 10);
    QPainter painter(&canvas);
    bitmap.Draw(painter, 0, 0, 2);  // the frame at x = 100
    bitmap.Draw(painter, 0, 0, 4);  // no such frame: nothing
    bitmap.Draw(painter, 0, 0, -1);
    painter.end();
    EXPECT_EQ(canvas.pixelColor(0, 0), kBlue);
    EXPECT_EQ(canvas.pixelColor(49, 9), kBlue);
}

TEST_F(KesBitmapTest, OpaquePictureIsCopiedWhileAlphaPictureIsBlended) {
    QImage opaque(8, 8, QImage::Format_RGB888);
    opaque.fill(QColor(10, 200, 30));
    CKesBitmap copied(Save(opaque, "opaque.png"), 1);
    copied.SetConstantAlpha(128);  // only blended pictures use it
    EXPECT_FALSE(copied.HasPerPixelAlpha());

    QImage halfBlue(8, 8, QImage::Format_ARGB32);
    halfBlue.fill(QColor(0, 0, 255, 128));
    CKesBitmap blended(Save(halfBlue, "half.png"), 1);
    EXPECT_TRUE(blended.HasPerPixelAlpha());

    QImage canvas = Canvas(16, 8, kRed);
    QPainter painter(&canvas);
    copied.Draw(painter, 0, 0);
    blended.Draw(painter, 8, 0);
    painter.end();
    EXPECT_EQ(canvas.pixelColor(3, 3), QColor(10, 200, 30));
    const QColor mixed = canvas.pixelColor(11, 3);
    EXPECT_NEAR(mixed.red(), 127, 2);
    EXPECT_NEAR(mixed.blue(), 128, 2);
}

TEST_F(KesBitmapTest, ConstantAlphaFadesAnOpaqueLookingAlphaPicture) {
    CKesBitmap bitmap(Save(FlatFrames({kBlue}, 4, 4), "blue.png"), 1);
    bitmap.SetConstantAlpha(64);
    QImage canvas = Canvas(4, 4, QColor(Qt::white));
    QPainter painter(&canvas);
    bitmap.Draw(painter, 0, 0);
    painter.end();
    EXPECT_NEAR(canvas.pixelColor(1, 1).red(), 255 - 64, 2);
    EXPECT_EQ(canvas.pixelColor(1, 1).blue(), 255);
}

TEST_F(KesBitmapTest, ThreePartKeepsTheEndsAndStretchesTheMiddle) {
    // Frames of 10 x 6; columns 3..5 of each frame are one colour so the stretch is exact.
    QImage strip = ColumnStrip(2, 10, 6);
    for (int f = 0; f < 2; ++f) {
        for (int c = 3; c < 6; ++c) {
            for (int y = 0; y < 6; ++y)
                strip.setPixelColor(f * 10 + c, y, QColor(90, 90, 20 * f));
        }
    }
    CKesBitmapHorizen3Part bitmap(Save(strip, "three.png"), 2, 3, 6);

    QImage canvas = Canvas(40, 6);
    QPainter painter(&canvas);
    bitmap.DrawFrameRow(painter, 5, 0, 30, 1);
    painter.end();
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(canvas.pixelColor(5 + c, 2), strip.pixelColor(10 + c, 2));
    for (int c = 6; c < 10; ++c) {
        EXPECT_EQ(canvas.pixelColor(5 + 30 - 10 + c, 2), strip.pixelColor(10 + c, 2)) << c;
    }
    for (int x = 8; x < 31; ++x)
        EXPECT_EQ(canvas.pixelColor(x, 2), QColor(90, 90, 20)) << x;
    EXPECT_EQ(canvas.pixelColor(4, 2).alpha(), 0);
    EXPECT_EQ(canvas.pixelColor(35, 2).alpha(), 0);
}

TEST_F(KesBitmapTest, ThreePartAtItsOwnWidthIsTheFrameAndNarrowerHasNoMiddle) {
    QImage strip = ColumnStrip(1, 10, 4);
    CKesBitmapHorizen3Part bitmap(Save(strip, "own.png"), 1, 3, 6);

    QImage own = Canvas(10, 4);
    QPainter painter(&own);
    bitmap.DrawFrameRow(painter, 0, 0, 10, 0);
    painter.end();
    for (int c = 0; c < 10; ++c)
        EXPECT_EQ(own.pixelColor(c, 1), strip.pixelColor(c, 1)) << c;

    // Exactly the two ends: the middle's width is 0, so only the ends are drawn, side by side.
    QImage ends = Canvas(7, 4);
    painter.begin(&ends);
    bitmap.DrawFrameRow(painter, 0, 0, 7, 0);
    painter.end();
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(ends.pixelColor(c, 1), strip.pixelColor(c, 1));
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(ends.pixelColor(3 + c, 1), strip.pixelColor(6 + c, 1));
}

TEST_F(KesBitmapTest, ThreePartStripTakesOnlyTheAskedRows) {
    QImage image = FlatFrames({kRed}, 6, 8);
    for (int y = 4; y < 8; ++y) {
        for (int x = 0; x < 6; ++x)
            image.setPixelColor(x, y, kGreen);
    }
    CKesBitmapHorizen3Part bitmap(Save(image, "rows.png"), 1, 2, 4);
    QImage canvas = Canvas(12, 8);
    QPainter painter(&canvas);
    bitmap.DrawFrameStrip(painter, 0, 0, 12, 4, 4, 0);
    painter.end();
    EXPECT_EQ(canvas.pixelColor(6, 0), kGreen);
    EXPECT_EQ(canvas.pixelColor(6, 3), kGreen);
    EXPECT_EQ(canvas.pixelColor(6, 4).alpha(), 0);
}

TEST_F(KesBitmapTest, VerticalThreePartStretchesTheMiddleRows) {
    QImage image = FlatFrames({kRed}, 4, 9);
    for (int x = 0; x < 4; ++x) {
        for (int y = 3; y < 6; ++y)
            image.setPixelColor(x, y, kGreen);
        for (int y = 6; y < 9; ++y)
            image.setPixelColor(x, y, kBlue);
    }
    CKesBitmapVertical3Part bitmap(Save(image, "tall.png"), 1, 3, 6);
    QImage canvas = Canvas(4, 30);
    QPainter painter(&canvas);
    bitmap.DrawFrame(painter, 0, 0, 4, 30, 0);
    painter.end();
    EXPECT_EQ(canvas.pixelColor(1, 2), kRed);
    EXPECT_EQ(canvas.pixelColor(1, 3), kGreen);
    EXPECT_EQ(canvas.pixelColor(1, 26), kGreen);
    EXPECT_EQ(canvas.pixelColor(1, 27), kBlue);
    EXPECT_EQ(canvas.pixelColor(1, 29), kBlue);
}

// A 9 x 9 frame whose 3 x 3 cells each have their own colour; cell (column, row).
QColor CellColour(int column, int row) {
    return QColor(40 + 60 * column, 40 + 60 * row, 120);
}

QImage NineCells() {
    QImage image(9, 9, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x)
            image.setPixelColor(x, y, CellColour(x / 3, y / 3));
    }
    return image;
}

TEST_F(KesBitmapTest, NinePartStretchesEdgesAndCentreBetweenNaturalCorners) {
    CKesBitmap9Part bitmap(Save(NineCells(), "nine.png"), 1, 3, 6, 3, 6);
    QImage canvas = Canvas(30, 20);
    QPainter painter(&canvas);
    bitmap.DrawFrame(painter, 0, 0, 30, 20, 0);
    painter.end();
    // Corners at their own size.
    EXPECT_EQ(canvas.pixelColor(2, 2), CellColour(0, 0));
    EXPECT_EQ(canvas.pixelColor(27, 2), CellColour(2, 0));
    EXPECT_EQ(canvas.pixelColor(2, 17), CellColour(0, 2));
    EXPECT_EQ(canvas.pixelColor(27, 17), CellColour(2, 2));
    // Edges and centre fill what lies between.
    EXPECT_EQ(canvas.pixelColor(15, 1), CellColour(1, 0));
    EXPECT_EQ(canvas.pixelColor(1, 10), CellColour(0, 1));
    EXPECT_EQ(canvas.pixelColor(28, 10), CellColour(2, 1));
    EXPECT_EQ(canvas.pixelColor(15, 18), CellColour(1, 2));
    EXPECT_EQ(canvas.pixelColor(4, 4), CellColour(1, 1));
    EXPECT_EQ(canvas.pixelColor(25, 15), CellColour(1, 1));
}

TEST_F(KesBitmapTest, NinePartSkipsAndFillsTheMaskedRegions) {
    CKesBitmap9Part bitmap(Save(NineCells(), "masked.png"), 1, 3, 6, 3, 6, false,
                           CKesBitmap9Part::kTop, CKesBitmap9Part::kCentre, kYellow);
    QImage canvas = Canvas(30, 20);
    QPainter painter(&canvas);
    bitmap.DrawFrame(painter, 0, 0, 30, 20, 0);
    painter.end();
    EXPECT_EQ(canvas.pixelColor(15, 1).alpha(), 0);  // skipped
    EXPECT_EQ(canvas.pixelColor(15, 10), kYellow);   // filled
    EXPECT_EQ(canvas.pixelColor(1, 1), CellColour(0, 0));
}

TEST_F(KesBitmapTest, NinePartTilingRepeatsFromTheTopLeftAndCutsTheLastCopy) {
    // The centre cell becomes a pattern whose top-left pixel differs from the rest.
    QImage image = NineCells();
    image.setPixelColor(3, 3, kRed);
    CKesBitmap9Part bitmap(Save(image, "tiles.png"), 1, 3, 6, 3, 6, true);
    QImage canvas = Canvas(17, 17);  // a centre of 11 x 11: three whole copies and a cut one
    QPainter painter(&canvas);
    bitmap.DrawFrame(painter, 0, 0, 17, 17, 0);
    painter.end();
    for (int y = 3; y < 14; ++y) {
        for (int x = 3; x < 14; ++x) {
            const bool copyCorner = (x - 3) % 3 == 0 && (y - 3) % 3 == 0;
            EXPECT_EQ(canvas.pixelColor(x, y), copyCorner ? kRed : CellColour(1, 1))
                << x << "," << y;
        }
    }
    EXPECT_EQ(canvas.pixelColor(14, 14), CellColour(2, 2));
}

TEST_F(KesBitmapTest, MissingOrBrokenPictureDrawsNothing) {
    QFile broken(QString::fromStdString(dir_ / "broken.png"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("\x89PNG\r\n\x1a\n this is not a picture");
    broken.close();
    CKesBitmap missing(QStringLiteral("no_such_picture.png"), 4);
    CKesBitmap corrupt(broken.fileName(), 1);
    CKesBitmap9Part missingNine(QStringLiteral("no_such_nine.png"), 1, 2, 4, 2, 4);

    QImage canvas = Canvas(20, 20, kGreen);
    QPainter painter(&canvas);
    missing.Draw(painter, 0, 0, 1);
    corrupt.DrawFrame(painter, 0, 0, 20, 20, 0);
    missingNine.DrawFrame(painter, 0, 0, 20, 20, 0);
    painter.end();
    EXPECT_TRUE(missing.IsEmpty());
    EXPECT_TRUE(corrupt.IsEmpty());
    EXPECT_EQ(missing.FrameWidth(), 0);
    EXPECT_EQ(corrupt.FrameHeight(), 0);
    EXPECT_EQ(canvas.pixelColor(10, 10), kGreen);
}

TEST_F(KesBitmapTest, HighDensityScreensUseTheExactDoubleCompanion) {
    const QString path = Save(FlatFrames({kRed}, 10, 10), "pic.png");
    Save(FlatFrames({kBlue}, 20, 20), "pic@2x.png");
    const QString oddPath = Save(FlatFrames({kRed}, 10, 10), "odd.png");
    Save(FlatFrames({kGreen}, 15, 15), "odd@2x.png");  // not an exact double: ignored
    CKesBitmap bitmap(path, 1);
    CKesBitmap odd(oddPath, 1);

    QImage sharp(20, 20, QImage::Format_ARGB32_Premultiplied);
    sharp.setDevicePixelRatio(2);
    sharp.fill(Qt::transparent);
    QPainter painter(&sharp);
    bitmap.Draw(painter, 0, 0);
    painter.end();
    EXPECT_EQ(sharp.pixelColor(5, 5), kBlue);
    EXPECT_EQ(bitmap.FrameWidth(), 10);  // frames stay in logical pixels

    QImage plain = Canvas(10, 10);
    painter.begin(&plain);
    bitmap.Draw(painter, 0, 0);
    painter.end();
    EXPECT_EQ(plain.pixelColor(5, 5), kRed);

    sharp.fill(Qt::transparent);
    painter.begin(&sharp);
    odd.Draw(painter, 0, 0);
    painter.end();
    EXPECT_EQ(sharp.pixelColor(5, 5), kRed);
}

// At 125 % and 150 %: a button face never shows a pixel of the next frame, and a nine-part
// frame's border is as thick beside its corners as along its edges, on the right as on the left.
TEST_F(KesBitmapTest, FractionalScalesKeepFramesApartAndBordersEven) {
    CKesBitmapHorizen3Part face(Save(FlatFrames({Qt::white, kBlue}, 10, 8), "face.png"), 2, 4, 6);
    const QColor dark(30, 40, 60);
    QImage ring(12, 12, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) {
            const bool border = x < 3 || y < 3 || x >= 9 || y >= 9;
            ring.setPixelColor(x, y, border ? dark : QColor(Qt::white));
        }
    }
    CKesBitmap9Part nine(Save(ring, "ring.png"), 1, 4, 8, 4, 8);
    auto isDark = [](const QImage& image, int x, int y) {
        return image.pixelColor(x, y).lightness() < 128;
    };
    for (const qreal scale : {1.25, 1.5}) {
        for (int shift = 0; shift < 4; ++shift) {
            const int x = 61 + shift;
            const int y = 11 + shift;
            const int width = 71 + 3 * shift;
            const int height = 53 + shift;
            QImage canvas(qCeil(200 * scale), qCeil(100 * scale),
                          QImage::Format_ARGB32_Premultiplied);
            canvas.setDevicePixelRatio(scale);
            canvas.fill(Qt::white);
            QPainter painter(&canvas);
            face.DrawFrame(painter, 1 + shift, 3, 37 + shift, 8, 0);
            nine.DrawFrame(painter, x, y, width, height, 0);
            painter.end();

            for (int py = 0; py < qCeil(14 * scale); ++py) {
                for (int px = 0; px < qCeil(45 * scale); ++px) {
                    const QColor c = canvas.pixelColor(px, py);
                    ASSERT_LT(c.blue() - c.red(), 8) << scale << " " << px << "," << py;
                }
            }

            // Device rows: the last one of the top corners, and one in the middle of the edges.
            const int left = qRound(x * scale);
            const int right = qRound((x + width) * scale) - 1;
            const int cornerRow = qRound((y + 4) * scale) - 1;
            const int edgeRow = qRound((y + height / 2) * scale);
            auto fromLeft = [&](int row) {
                int count = 0;
                while (isDark(canvas, left + count, row))
                    ++count;
                return count;
            };
            auto fromRight = [&](int row) {
                int count = 0;
                while (isDark(canvas, right - count, row))
                    ++count;
                return count;
            };
            const int leftEdge = fromLeft(edgeRow);
            const int rightEdge = fromRight(edgeRow);
            EXPECT_GE(leftEdge, qFloor(3 * scale)) << scale << " " << shift;
            EXPECT_EQ(fromLeft(cornerRow), leftEdge) << scale << " " << shift;
            EXPECT_EQ(fromRight(cornerRow), rightEdge) << scale << " " << shift;
            EXPECT_LE(std::abs(leftEdge - rightEdge), 1) << scale << " " << shift;
            // Top and bottom alike, down the middle column.
            const int column = qRound((x + width / 2) * scale);
            int top = 0;
            while (isDark(canvas, column, qRound(y * scale) + top))
                ++top;
            int bottom = 0;
            while (isDark(canvas, column, qRound((y + height) * scale) - 1 - bottom))
                ++bottom;
            EXPECT_LE(std::abs(top - bottom), 1) << scale << " " << shift;
        }
    }
}

TEST_F(KesBitmapTest, ThumbnailLoadsIntoASquare) {
    CKesBitmap bitmap(Save(FlatFrames({kRed}, 100, 50), "wide.png"), 1);
    bitmap.SetThumbnailSize(32);
    EXPECT_EQ(bitmap.FrameWidth(), 32);
    EXPECT_EQ(bitmap.FrameHeight(), 32);
    EXPECT_TRUE(bitmap.HasPerPixelAlpha());
}

}  // namespace
