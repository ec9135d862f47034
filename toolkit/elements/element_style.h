#pragma once
// The look of the drawn elements that does not come from their pictures: caption faces and
// colours, how far a caption drops when pressed, and which frame of a picture shows which state.

#include <QColor>

#include "toolkit/elements/ui_context.h"
#include "toolkit/skin/skin_colors.h"

namespace element_style {

// Frames of the four-frame button pictures.
enum class ButtonFrame : int { Normal = 0, Hovered = 1, Pressed = 2, Disabled = 3 };
// The frame of a state in the pictures with a frame per state (normal, hovered, pressed, and
// inactive where the picture has it).
constexpr int StateFrame(UiState state) {
    return static_cast<int>(state);
}
// Frames of the nine-frame check pictures: the state's frame, plus the checked offset, or the
// disabled frame.
inline constexpr int kCheckedFrameOffset = 4;
inline constexpr int kCheckDisabledFrame = 8;
// Frames of two-frame icon buttons.
enum class IconFrame : int { Quiet = 0, Lit = 1 };

inline constexpr int kButtonCaptionPixels = 12;
inline constexpr int kButtonCaptionDrop = 2;
inline constexpr int kButtonPressedCaptionDrop = 4;
inline const QColor kButtonCaption{Qt::black};
inline const QColor& kButtonDisabledCaption = palette::kDisabledText;
inline constexpr int kSkinButtonPressedDrop = 2;
inline constexpr int kLabelPixels = 12;
inline constexpr int kCheckCaptionPixels = 15;
inline const QColor kCheckCaption{Qt::white};
inline constexpr int kUiTextPixels = 12;
inline constexpr int kLinkExtraWidth = 3;

}  // namespace element_style
