// The gallery rendered off screen at 1x and 2x: the pictures the README shows. They are written
// to the build's gallery folder.

#include <gtest/gtest.h>

#include <QDir>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/gallery/gallery_window.h"

namespace {

// How many pixels of a picture are not the backdrop's colour: a blank render has almost none.
int Varied(const QImage& image, QRect area) {
    int varied = 0;
    const QRgb first = image.pixel(area.topLeft());
    for (int y = area.top(); y <= area.bottom(); y += 3) {
        for (int x = area.left(); x <= area.right(); x += 3)
            varied += image.pixel(x, y) != first;
    }
    return varied;
}

TEST(GalleryTest, RendersAtOneAndTwoTimesTheSize) {
    lumeno::test::PrepareToolkitProcess();
    QDir().mkpath(QStringLiteral(LUMENO_GALLERY_OUT));
    const QImage one = RenderGalleryScreenshot(1);
    const QImage two = RenderGalleryScreenshot(2);
    ASSERT_FALSE(one.isNull());
    ASSERT_EQ(two.size(), one.size() * 2);
    EXPECT_TRUE(one.save(QStringLiteral(LUMENO_GALLERY_OUT "/gallery.png")));
    EXPECT_TRUE(two.save(QStringLiteral(LUMENO_GALLERY_OUT "/gallery@2x.png")));

    // The window's content is there, and the 2x picture has its own detail (not an upscale):
    // neighbouring pixels along an edge of text differ in the 2x picture.
    EXPECT_GT(Varied(one, QRect(40, 40, 1000, 600)), 20000);
    const QImage down = two.scaled(one.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    int differences = 0;
    for (int y = 100; y < 700; y += 5) {
        for (int x = 60; x < 1080; x += 5) {
            const QColor a = one.pixelColor(x, y);
            const QColor b = down.pixelColor(x, y);
            differences += std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                               std::abs(a.blue() - b.blue()) >
                           60;
        }
    }
    EXPECT_LT(differences, 2000);  // the same picture, only sharper

    // The backdrop shows the window's shadow: darker just below the window than far away.
    const QColor farAway = one.pixelColor(4, one.height() - 4);
    const QColor belowWindow = one.pixelColor(400, 28 + 3 + 700 + 3);
    EXPECT_LT(belowWindow.lightness(), farAway.lightness() - 10);
}

}  // namespace
