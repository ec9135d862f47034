// The two font families: the skin's own face when its file is there, the system's CJK face
// otherwise. Each case runs in its own process, so each chooses its faces afresh.

#include <gtest/gtest.h>

#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/skin/skin_fonts.h"

namespace {

using lumeno::test::TempDir;

const QString kSystemFace = QStringLiteral("Noto Sans CJK SC");

class SkinFontsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lumeno::test::PrepareToolkitProcess();
        SetSkinDirectory(QString::fromStdString(skin_.Path()));
    }
    TempDir skin_;
};

TEST_F(SkinFontsTest, WithoutTheSkinFontBothFacesAreTheSystemsCjkFace) {
    EXPECT_EQ(UiFaceFamily(), kSystemFace);
    EXPECT_EQ(TextFaceFamily(), kSystemFace);
    const QFont& font = UiFont(12, kFontBold);
    EXPECT_EQ(font.pixelSize(), 12);
    EXPECT_TRUE(font.bold());
    EXPECT_TRUE(QFontInfo(font).family().startsWith(QStringLiteral("Noto Sans CJK")));
    // Chinese text is drawn with glyphs, not boxes.
    EXPECT_TRUE(QFontMetrics(TextFont(15)).inFont(QChar(0x804A)));  // 聊
    EXPECT_TRUE(TextFont(14, kFontUnderline).underline());
    EXPECT_EQ(&UiFont(12), &UiFont(12));  // made once and kept
}

TEST_F(SkinFontsTest, UnreadableSkinFontNamesItsFaceOnlyForTheUiFace) {
    QFile file(QString::fromStdString(skin_ / kSkinFontFile));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a font at all");
    file.close();
    EXPECT_EQ(UiFaceFamily(), QString::fromUtf16(kSkinFontFamily));
    EXPECT_EQ(TextFaceFamily(), kSystemFace);
    // The named face is not installed: the UI face still draws with the fallbacks.
    EXPECT_TRUE(QFontMetrics(UiFont(12)).inFont(QChar(0x804A)));
}

TEST_F(SkinFontsTest, CellHeightFontFitsItsCell) {
    const QFontMetrics metrics(UiCellFont(12));
    EXPECT_NEAR(metrics.ascent() + metrics.descent(), 12, 1);
}

}  // namespace
