#include "toolkit/elements/ui_caption.h"

#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/skin/skin_colors.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "toolkit/window/win_defs.h"

namespace {

constexpr int kTitleLeft = 12;
constexpr int kTitlePixels = 12;

bool Has(CaptionButtons set, CaptionButtons one) {
    return (static_cast<unsigned>(set) & static_cast<unsigned>(one)) != 0;
}

}  // namespace

CaptionResult UiCaption(UiRegion& region, const UiRect& bar, const QString& title,
                        CaptionButtons buttons, bool maximised, const QFont* font,
                        const QColor& colour) {
    struct Button {
        CaptionButtons which;
        CaptionHit hit;
        const char* picture;
        const char* name;
    };
    const Button order[] = {
        {CaptionButtons::Close, CaptionHit::Close, "sys_btn_close.png", "关闭"},
        {CaptionButtons::Maximise, CaptionHit::Maximise, "sys_btn_max.png",
         maximised ? "还原" : "最大化"},
        {CaptionButtons::Minimise, CaptionHit::Minimise, "sys_btn_min.png", "最小化"},
        {CaptionButtons::Menu, CaptionHit::Menu, "sys_btn_drop.png", "主菜单"},
    };
    CaptionResult result;
    int right = bar.right;
    for (const Button& button : order) {
        if (!Has(buttons, button.which)) continue;
        CKesBitmap& picture = SkinImage(button.picture);
        const UiRect rect(right - picture.FrameWidth(), bar.top, right,
                          bar.top + picture.FrameHeight());
        if (UiButton(region, rect, QString(), QString::fromUtf8(button.name), kUiTakesMouse,
                     &picture)) {
            result = {button.hit, rect};
        }
        right = rect.left;
    }
    if (!title.isEmpty()) {
        UiLabel(region, UiRect(bar.left + kTitleLeft, bar.top, right, bar.bottom), title,
                font ? font : &TextFont(kTitlePixels),
                colour.isValid() ? colour : palette::kTextOnBrand, DT_VCENTER | DT_SINGLELINE);
    }
    return result;
}
