// The main window's drawing: the title area with the user's avatar and name, the system
// buttons, the search field, the two tabs and the unread badge.
#include "api/login.h"
#include "storage/image_cache.h"
#include "toolkit/elements/ui_caption.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/edit/edit_ex.h"
#include "ui/main/main_style.h"
#include "ui/main/main_wnd.h"

namespace ms = main_style;

void CMainWnd::DoUI(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, ms::kBackground);
    DrawTitle(ctx, root);
    DrawSearch(ctx, root);
    DrawTabs(ctx, root);
}

void CMainWnd::DrawTitle(UiContext& ctx, UiRegion& root) {
    const int w = ctx.client.right;
    CKesBitmap& top = SkinImage("main_top_bg.png");
    UiImage(root, UiRect(0, 0, w, top.FrameHeight()), top);

    const CaptionResult caption =
        UiCaption(root, UiRect(0, 0, w, top.FrameHeight()), QString(),
                  CaptionButtons::Close | CaptionButtons::Minimise | CaptionButtons::Menu);
    switch (caption.hit) {
        case CaptionHit::Close:
            ctx.Later([this] { PostMessage(WM_CLOSE); });
            break;
        case CaptionHit::Minimise:
            ctx.Later([this] { Minimise(); });
            break;
        case CaptionHit::Menu: {
            const QPoint at = ClientToScreen(QPoint(caption.button.left, caption.button.bottom));
            ctx.Later([this, at] { ShowMainMenu(at.x(), at.y()); });
            break;
        }
        default:
            break;
    }

    const LoginRecord& me = CDBLogin::Instance().Record();
    const UiRect avatar =
        UiRect::FromSize(ms::kAvatarLeft, ms::kAvatarTop, ms::kAvatarSize, ms::kAvatarSize);
    pictures_.Draw(root, avatar, me.avatar, kLargeAvatarKey, SkinImage("main_icon_default.png"));
    CKesBitmap& frame = SkinImage("main_icon_bg.png");
    UiImage(root,
            UiRect::FromSize(ms::kAvatarFrameLeft, ms::kAvatarFrameTop, frame.FrameWidth(),
                             frame.FrameHeight()),
            frame, 0, QStringLiteral("我的头像"));
    if (signedIn_ && UiHitArea(root, avatar)) {
        const std::string myId = MyUserId();
        ctx.Later([this, myId] { OpenProfileWindow(myId); });
    }
    const std::string& name = me.realname.empty() ? me.username : me.realname;
    UiLabel(root,
            UiRect(ms::kNameLeft, ms::kNameTop, w - ms::kNameRightMargin,
                   ms::kNameTop + ms::kNameHeight),
            QString::fromStdString(name), &TextFont(ms::kNamePixels), ms::kName);
}

void CMainWnd::DrawSearch(UiContext& ctx, UiRegion& root) {
    const int w = ctx.client.right;
    CKesBitmap& field = SkinImage("main_top_search_bg.png");
    UiImage(root,
            UiRect::FromSize(ms::kSearchFieldLeft, ms::kSearchFieldTop,
                             w - ms::kSearchFieldLeft - ms::kSearchFieldRightMargin,
                             field.FrameHeight()),
            field);
    if (!searchActive_) return;
    CKesBitmap& clear = SkinImage("dlgLeftClose_btn.png");
    const UiRect rect(w - ms::kClearRightMargin - clear.FrameWidth(), ms::kSearchBoxTop,
                      w - ms::kClearRightMargin, ms::kSearchBoxTop + clear.FrameHeight());
    if (UiButton(root, rect, QString(), QStringLiteral("清除搜索"), kUiTakesMouse, &clear)) {
        // Emptying the box ends the search through its change message.
        ctx.Later([this] {
            if (search_) search_->ClearAsUser();
        });
    }
}

UiRect CMainWnd::TabRect(MainPage page) const {
    const int w = ClientWidth();
    const int t = SkinImage("main_top_bg.png").FrameHeight();
    const int h = SkinImage("top_switch_btn.png").FrameHeight();
    // The strip splits one pixel left of the middle on an even width.
    const int m = w % 2 == 0 ? w / 2 - 1 : w / 2;
    return page == MainPage::Messages ? UiRect(0, t, m, t + h) : UiRect(m + 1, t, w, t + h);
}

void CMainWnd::DrawTabs(UiContext& ctx, UiRegion& root) {
    const int w = ctx.client.right;
    CKesBitmap& background = SkinImage("top_switch_btn.png");
    const UiRect messages = TabRect(MainPage::Messages);
    UiFill(root, UiRect(0, messages.top, w, messages.bottom), ms::kTabStrip);
    if (UiIconButton(root, messages, &background, &SkinImage("message_btn_icon.png"),
                     page_ == MainPage::Messages, QStringLiteral("会话"))) {
        ctx.Later([this] { SwitchPage(MainPage::Messages); });
    }
    if (UiIconButton(root, TabRect(MainPage::Contacts), &background,
                     &SkinImage("contact_btn_icon.png"), page_ == MainPage::Contacts,
                     QStringLiteral("联系人"))) {
        ctx.Later([this] { SwitchPage(MainPage::Contacts); });
    }
    DrawBadge(root, messages.right, messages.top);
}

void CMainWnd::DrawBadge(UiRegion& root, int middle, int top) {
    const QString text = BadgeText(unread_);
    if (text.isEmpty()) return;
    CKesBitmap& badge =
        SkinImage(unread_ > 9 ? "message_notify_icon2.png" : "message_notify_icon.png");
    const UiRect rect =
        UiRect::FromSize(middle / 2 + ms::kBadgeLeftOffset, top + ms::kBadgeTopOffset,
                         badge.FrameWidth(), badge.FrameHeight());
    UiImage(root, rect, badge, 0, QStringLiteral("%1条未读消息").arg(text));
    // The number is centred on the badge, whatever the face's widths.
    UiLabel(root, rect, text, &TextFont(ms::kBadgePixels), ms::kBadgeText,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}
