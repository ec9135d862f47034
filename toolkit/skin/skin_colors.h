#pragma once
// The shared pens and brushes of the windows, and the palette the skin's pictures are drawn in
// (so that drawn text and fills match the pictures around them).

#include <QColor>
#include <QPen>

enum class SharedPen {
    MistBlue,    // RGB(178,200,208)
    Navy,        // RGB(75,105,149)
    Silver,      // RGB(211,211,211)
    LightGrey,   // RGB(229,229,229)
    Parchment,   // RGB(234,233,225)
    SlateMist,   // RGB(211,217,218)
    White,       // RGB(255,255,255)
    Red,         // RGB(240,0,0)
    Grey224,     // RGB(224,224,224)
    DottedGrey,  // RGB(223,223,223), dotted
};

enum class SharedBrush {
    White,
    Black,
    IceBlue,    // RGB(240,246,249)
    FrostBlue,  // RGB(243,248,250)
    CloudGrey,  // RGB(229,231,235)
    MintWhite,  // RGB(240,250,251)
    SkyBlue,    // RGB(162,210,244)
    SteelMist,  // RGB(217,225,232)
    Lavender,   // RGB(238,240,249)
    Smoke,      // RGB(244,244,244)
    PaleSteel,  // RGB(236,240,245)
};

// 1-pixel pens.
QPen SharedPenOf(SharedPen which);
QColor SharedBrushColour(SharedBrush which);

// The skin's palette.
namespace palette {
inline const QColor kBrand{22, 131, 216};  // title bars, primary buttons, selection
inline const QColor kBrandHover{43, 147, 227};
inline const QColor kBrandPressed{15, 111, 190};
inline const QColor kBrandInset{0, 112, 186};   // the search field on the title bar
inline const QColor kBrandTint{234, 243, 252};  // selected and hovered rows
inline const QColor kPage{245, 245, 245};
inline const QColor kRow{246, 246, 246};
inline const QColor kRowHover{239, 239, 239};
inline const QColor kSurface{255, 255, 255};
inline const QColor kDialogBody{251, 251, 251};  // the body of dialogs and their windows
inline const QColor kDialogBand{226, 226, 226};  // bands and outlines on a dialog body
inline const QColor kBorder{211, 216, 223};
// The outline of a dialog: it stands out from a white window under it even where the desktop
// draws no shadows.
inline const QColor kDialogEdge{148, 158, 171};
inline const QColor kDivider{228, 228, 228};
inline const QColor kTextStrong{43, 47, 54};
inline const QColor kText{66, 66, 66};
inline const QColor kTextSecondary{159, 159, 159};
inline const QColor kTextOnBrand{250, 250, 250};
inline const QColor kIcon{140, 147, 157};
inline const QColor kAlert{240, 72, 62};
inline const QColor kAmber{242, 165, 22};
inline const QColor kTeal{25, 179, 148};
inline const QColor kDisabledText{102, 102, 102};
inline constexpr int kCornerRadius = 4;
// The keyboard focus ring drawn over the focused element: inside its rectangle, so that
// repainting the element repaints the ring.
inline const QColor kFocusRing{15, 111, 190};
inline const QColor kFocusRingHalo{255, 255, 255, 230};  // inside the ring, so it shows on blue
inline constexpr int kFocusRingWidth = 2;
inline constexpr int kFocusRingInset = 1;
inline constexpr int kFocusRingRadius = 3;
}  // namespace palette
