#pragma once
// The two font families of the client. The UI face draws the chrome (captions, tabs, badges); the
// text face draws what people wrote and most labels. Both are made once and kept. A skin may
// carry its own face in "fzltxh_gbk.ttf"; without it the system's CJK face is used.

#include <QFont>
#include <QString>

enum FontStyle : unsigned { kFontPlain = 0, kFontBold = 1, kFontUnderline = 2 };

// Adds the skin's own font file for this process when it exists. Called once at start-up before
// any window; the font accessors call it themselves when start-up did not.
void InitializeSkinFonts();

// The UI face at a character height in pixels.
const QFont& UiFont(int pixels, unsigned style = kFontPlain);
// The UI face with the given cell height (ascent plus descent) in pixels.
const QFont& UiCellFont(int cellPixels, unsigned style = kFontPlain);
// The text face at a character height in pixels.
const QFont& TextFont(int pixels, unsigned style = kFontPlain);

// The family each face asks for first (the skin's face or the system's CJK face).
QString UiFaceFamily();
QString TextFaceFamily();

// The face of the optional skin font file.
inline constexpr char16_t kSkinFontFamily[] = u"方正兰亭细黑_GBK";
inline constexpr char kSkinFontFile[] = "fzltxh_gbk.ttf";
