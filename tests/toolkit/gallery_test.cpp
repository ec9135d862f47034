// The gallery rendered off screen at 1x, 1.25x, 1.5x and 2x, and with the keyboard's focus ring:
// the pictures the README shows. They are written to the build's gallery folder.

#include <gtest/gtest.h>

#include <QDir>

#include "tests/support/build_tree.h"
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
    QDir().mkpath(QString::fromUtf8(lumeno::test::build::GalleryDir()));
    const QImage one = RenderGalleryScreenshot(1);
    const QImage two = RenderGalleryScreenshot(2);
    ASSERT_FALSE(one.isNull());
    ASSERT_EQ(two.size(), one.size() * 2);
    EXPECT_TRUE(one.save(QString::fromUtf8(lumeno::test::build::GalleryDir()) +
                         QStringLiteral("/gallery.png")));
    EXPECT_TRUE(two.save(QString::fromUtf8(lumeno::test::build::GalleryDir()) +
                         QStringLiteral("/gallery@2x.png")));

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

// Fractional scales draw the same picture (not a blocky or bleeding one), and the keyboard's
// focus ring shows on the dialog's button in the skin's colour.
TEST(GalleryTest, RendersAtFractionalScalesAndWithTheFocusRing) {
    lumeno::test::PrepareToolkitProcess();
    QDir().mkpath(QString::fromUtf8(lumeno::test::build::GalleryDir()));
    const QImage one = RenderGalleryScreenshot(1);
    ASSERT_FALSE(one.isNull());
    for (const auto& [scale, name] :
         {std::pair{1.25, "gallery@1.25x.png"}, std::pair{1.5, "gallery@1.5x.png"}}) {
        const QImage shot = RenderGalleryScreenshot(scale);
        ASSERT_EQ(shot.size(), one.size() * scale);
        EXPECT_TRUE(shot.save(QString::fromUtf8(lumeno::test::build::GalleryDir()) +
                              QStringLiteral("/") + QLatin1String(name)));
        const QImage down =
            shot.scaled(one.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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
        EXPECT_LT(differences, 2000) << scale;
    }

    const QImage focused = RenderGalleryScreenshot(1, true);
    ASSERT_EQ(focused.size(), one.size());
    EXPECT_TRUE(focused.save(QString::fromUtf8(lumeno::test::build::GalleryDir()) +
                             QStringLiteral("/gallery-focus.png")));
    // The ring is the only change, and it is drawn in the skin's focus colour.
    int changed = 0;
    int ring = 0;
    for (int y = 0; y < one.height(); ++y) {
        for (int x = 0; x < one.width(); ++x) {
            if (one.pixel(x, y) == focused.pixel(x, y)) continue;
            ++changed;
            const QColor c = focused.pixelColor(x, y);
            ring += c.blue() > 150 && c.red() < 100;
        }
    }
    EXPECT_GT(changed, 100);
    EXPECT_LT(changed, 1500);
    EXPECT_GT(ring, changed / 3);
}

}  // namespace
