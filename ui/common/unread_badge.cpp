#include "ui/common/unread_badge.h"

#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/skin_colors.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "toolkit/window/win_defs.h"

namespace {

constexpr int kBadgeTextPixels = 12;

}  // namespace

CKesBitmap& UnreadBadgePicture(int badge) {
    return SkinImage(badge >= kBadgeWideFrom ? "message_notify_icon2.png"
                                             : "message_notify_icon.png");
}

QString UnreadBadgeText(int badge) {
    return badge >= kBadgeManyFrom ? QStringLiteral("99+") : QString::number(badge);
}

UiRect DrawUnreadBadge(UiRegion& root, int left, int top, int badge) {
    CKesBitmap& picture = UnreadBadgePicture(badge);
    const UiRect face = UiRect::FromSize(left, top, picture.FrameWidth(), picture.FrameHeight());
    UiImage(root, face, picture);
    UiLabel(root, face, UnreadBadgeText(badge), &TextFont(kBadgeTextPixels), palette::kTextOnBrand,
            DT_CENTER | DT_VCENTER);
    return face;
}
