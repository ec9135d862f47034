#include "toolkit/skin/skin_fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <map>
#include <memory>
#include <tuple>

#include "toolkit/skin/skin_directory.h"

namespace {

// Faces tried after the first one, so that Chinese and Latin text never shows boxes.
const QStringList& FallbackFamilies() {
    static const QStringList families = {
        QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
        QStringLiteral("Noto Sans"), QStringLiteral("DejaVu Sans")};
    return families;
}

struct FaceChoice {
    bool initialized = false;
    QString uiFamily;
    QString textFamily;
};

FaceChoice& Faces() {
    static FaceChoice faces;
    return faces;
}

enum class Face { Ui, Text, UiCell };
using FontKey = std::tuple<Face, int, unsigned>;

// Kept until the process ends: fonts must not be destroyed after the application object.
std::map<FontKey, std::unique_ptr<QFont>>& FontCache() {
    static auto* cache = new std::map<FontKey, std::unique_ptr<QFont>>;
    return *cache;
}

QFont MakeFont(const QString& family, unsigned style) {
    QFont font;
    QStringList families = FallbackFamilies();
    families.removeAll(family);
    families.prepend(family);
    font.setFamilies(families);
    font.setBold(style & kFontBold);
    font.setUnderline(style & kFontUnderline);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

const QFont& CachedFont(Face face, int pixels, unsigned style) {
    InitializeSkinFonts();
    auto& slot = FontCache()[{face, pixels, style}];
    if (!slot) {
        const QString& family = face == Face::Text ? Faces().textFamily : Faces().uiFamily;
        QFont font = MakeFont(family, style);
        if (face == Face::UiCell) {
            // Find the character height whose ascent plus descent is the asked cell height.
            QFont probe = font;
            probe.setPixelSize(100);
            const QFontMetricsF metrics(probe);
            const qreal cellPerPixel = (metrics.ascent() + metrics.descent()) / 100.0;
            font.setPixelSize(std::max(1, static_cast<int>(pixels / cellPerPixel + 0.5)));
        } else {
            font.setPixelSize(std::max(1, pixels));
        }
        slot = std::make_unique<QFont>(font);
    }
    return *slot;
}

}  // namespace

void InitializeSkinFonts() {
    FaceChoice& faces = Faces();
    if (faces.initialized) return;
    faces.initialized = true;
    const QString systemFace = FallbackFamilies().front();
    const QString fontFile = SkinFilePath(QString::fromLatin1(kSkinFontFile));
    const bool present = QFile::exists(fontFile);
    const bool added = present && QFontDatabase::addApplicationFont(fontFile) >= 0;
    // The UI face names the skin's face whenever the file is there; the text face only when the
    // file was actually added. A face that is not installed falls through to the fallbacks.
    faces.uiFamily = present ? QString::fromUtf16(kSkinFontFamily) : systemFace;
    faces.textFamily = added ? QString::fromUtf16(kSkinFontFamily) : systemFace;
}

const QFont& UiFont(int pixels, unsigned style) {
    return CachedFont(Face::Ui, pixels, style);
}

const QFont& UiCellFont(int cellPixels, unsigned style) {
    return CachedFont(Face::UiCell, cellPixels, style);
}

const QFont& TextFont(int pixels, unsigned style) {
    return CachedFont(Face::Text, pixels, style);
}

QString UiFaceFamily() {
    InitializeSkinFonts();
    return Faces().uiFamily;
}

QString TextFaceFamily() {
    InitializeSkinFonts();
    return Faces().textFamily;
}
