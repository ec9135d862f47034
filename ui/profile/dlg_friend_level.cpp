#include "ui/profile/dlg_friend_level.h"

#include <algorithm>

#include "toolkit/elements/text_draw.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/skin_fonts.h"
#include "ui/profile/profile_style.h"
#include "ui/prompts/prompt_style.h"

namespace ps = profile_style;

namespace {

struct LevelRow {
    int level;
    const char* caption;
    const char* note;
};

// From the closest level down, as the rows stand.
constexpr LevelRow kRows[] = {
    {3, "熟识好友(LV3)", "-可求引荐、求扩散"},
    {2, "相识好友(LV2)", "-可查看手机号 "},
    {1, "初识好友(LV1)", "-可发消息、拓展人脉"},
};

}  // namespace

void CDlgFriendLevel::Choose(int level) {
    level_ = std::clamp(level, kLowest, kHighest);
    Invalidate(false);
}

void CDlgFriendLevel::DrawDialog(UiContext& ctx, UiRegion& root) {
    const int width = ctx.client.right;
    const int height = ctx.client.bottom;
    prompt_frame::DrawBody(root, ctx.client, palette::kSurface, prompt_style::kFooterHeight);
    UiText(root, &TextFont(ps::kLevelHintPixels), QStringLiteral("好友级别以双方选择中较低的为准"),
           ps::kLevelHint, ps::kLevelHintLeft, ps::kLevelHintTop);

    const QFont& font = TextFont(ps::kLevelRadioPixels);
    int top = ps::kLevelRadioTop;
    for (const LevelRow& row : kRows) {
        const QString caption = QString::fromUtf8(row.caption);
        const UiRect radio = prompt_frame::ChoiceRect(ps::kLevelRadioLeft, top, caption, font);
        if (UiRadio(root, radio, caption, &font, level_ == row.level, false, ps::kLevelCaption,
                    prompt_style::kChoiceCaptionOffset)) {
            const int level = row.level;
            ctx.Later([this, level] { Choose(level); });
        }
        // The note selects the level too.
        const QString note = QString::fromUtf8(row.note);
        const UiRect noteRect =
            UiRect::FromSize(radio.right, top, TextWidth(font, note), radio.Height());
        UiLabel(root, noteRect, note, &font, ps::kLevelNote, DT_VCENTER);
        if (UiHitArea(root, noteRect)) {
            const int level = row.level;
            ctx.Later([this, level] { Choose(level); });
        }
        top += ps::kLevelRadioStep;
    }

    const int buttonWidth = prompt_frame::ButtonWidth();
    const int buttonTop = height - ps::kLevelButtonBottom - prompt_frame::ButtonHeight();
    const int left = (width - 2 * buttonWidth - ps::kLevelButtonGap) / 2;
    if (prompt_frame::WhiteButton(root, left, buttonTop, QStringLiteral("取消"))) {
        ctx.Later([this] { EndDialog(IDCANCEL); });
    }
    if (prompt_frame::BlueButton(root, left + buttonWidth + ps::kLevelButtonGap, buttonTop,
                                 QStringLiteral("确定"))) {
        ctx.Later([this] { EndDialog(IDOK); });
    }
}
