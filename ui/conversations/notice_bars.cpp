#include "ui/conversations/notice_bars.h"

#include <algorithm>

#include "toolkit/elements/text_draw.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/conversations/conversation_style.h"
#include "ui/ui_messages.h"

namespace cs = conversation_style;

CPageUnReadMsg::~CPageUnReadMsg() {
    if (IsWindow()) DestroyWindow();
}

HWND CPageUnReadMsg::Create(HWND parent, const UiRect& rect) {
    return VWindowImpl::Create(parent, rect, QString(), kSkinnedChildTraits & ~WS_VISIBLE);
}

void CPageUnReadMsg::Show(NoticeKind kind, const QString& title, const QString& body, int count) {
    switch (kind) {
        case NoticeKind::Preview:
            if (title.isEmpty() || body.isEmpty()) return;
            title_ = title + QStringLiteral(": ");
            body_ = body;
            break;
        case NoticeKind::UnreadCount:
            if (count <= 0) return;
            summary_ = QStringLiteral("您有%1条未读消息，点击查看").arg(count);
            break;
        case NoticeKind::Mention:
            if (title.isEmpty() || body.isEmpty()) return;
            title_ = QStringLiteral("[有人@我]%1: ").arg(title);
            body_ = body;
            break;
        default:
            return;
    }
    kind_ = kind;
    ShowWindow(SW_SHOW);
    Invalidate(false);
}

void CPageUnReadMsg::Hide(bool tellOwner) {
    if (IsWindowVisible()) {
        ShowWindow(SW_HIDE);
        title_.clear();
        body_.clear();
        summary_.clear();
    }
    if (tellOwner) {
        VWindow(GetParent()).PostMessage(UM_NOTICE_CLICKED, static_cast<WPARAM>(kind_), context_);
    }
}

bool CPageUnReadMsg::OnWindowMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    if (message != WM_TIMER || wParam != kHideTimer) return false;
    KillTimer(kHideTimer);
    VWindow(GetParent()).PostMessage(UM_NOTICE_HIDE, 0, 0);
    return true;
}

QString CPageUnReadMsg::Spoken() const {
    return kind_ == NoticeKind::UnreadCount ? summary_ : title_ + body_;
}

void CPageUnReadMsg::DoUI(UiContext& ctx) {
    UiRegion root(ctx);
    const UiRect& bar = ctx.client;
    UiFill(root, bar, cs::kBarBackground);
    const QFont& face = TextFont(cs::kBarPixels);

    // The close button of the count and the mention.
    int textRight = bar.right;
    if (kind_ != NoticeKind::Preview) {
        CKesBitmap& close = SkinImage("dlgLeftClose_btn.png");
        const int width = close.FrameWidth();
        const int height = close.FrameHeight();
        const int right = bar.right - cs::kBarCloseFromRight;
        const int top = (bar.Height() - height) / 2;
        const UiRect button(right - width, top, right, top + height);
        textRight = button.left;
        if (UiButton(root, button, QString(), QStringLiteral("关闭"), kUiTakesMouse, &close)) {
            ctx.Later([this] { Hide(false); });
            return;
        }
    }

    // The rest of the bar is one click: show me.
    const UiRect area(bar.left, bar.top, textRight, bar.bottom);
    {
        UiElement click(root, area, kUiTakesMouse | kUiHandCursor);
        click.Describe(UiRole::Button, Spoken());
        if (click.Hit() == UiHit::Clicked) {
            ctx.Later([this] { Hide(true); });
            return;
        }
    }

    if (kind_ == NoticeKind::UnreadCount) {
        UiLabel(root, area, summary_, &face, cs::kBarTitle, DT_CENTER | DT_VCENTER);
        return;
    }
    const int left = bar.left + cs::kBarTextLeft;
    const int titleRight = std::min(textRight, left + TextWidth(face, title_));
    if (titleRight <= left) return;
    UiLabel(root, UiRect(left, bar.top, titleRight, bar.bottom), title_, &face, cs::kBarTitle,
            DT_VCENTER);
    if (titleRight < textRight) {
        UiLabel(root, UiRect(titleRight, bar.top, textRight, bar.bottom), body_, &face,
                cs::kBarBody, DT_VCENTER);
    }
}

CPageYellowBar::~CPageYellowBar() {
    if (IsWindow()) DestroyWindow();
}

HWND CPageYellowBar::Create(HWND parent, const UiRect& rect) {
    return VWindowImpl::Create(parent, rect, QString(), kSkinnedChildTraits & ~WS_VISIBLE);
}

bool CPageYellowBar::OnWindowMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    if (message != WM_TIMER || wParam != kHideTimer) return false;
    KillTimer(kHideTimer);
    VWindow(GetParent()).PostMessage(UM_NOTICE_HIDE, 0, 0);
    return true;
}

void CPageYellowBar::DoUI(UiContext& ctx) {
    UiRegion root(ctx);
    const UiRect& bar = ctx.client;
    UiFill(root, bar, cs::kYellowBarBackground);
    UiText(root, &TextFont(cs::kBarPixels), QString::fromUtf8(kText), cs::kYellowBarText,
           cs::kYellowBarTextLeft, cs::kYellowBarTextTop);
    CKesBitmap& close = SkinImage("dlgLeftClose_btn.png");
    const int right = bar.right - cs::kBarCloseFromRight;
    const int top = (bar.Height() - close.FrameHeight()) / 2;
    const UiRect button(right - close.FrameWidth(), top, right, top + close.FrameHeight());
    if (UiButton(root, button, QString(), QStringLiteral("关闭"), kUiTakesMouse, &close)) {
        ctx.Later([this] {
            KillTimer(kHideTimer);
            VWindow(GetParent()).PostMessage(UM_NOTICE_HIDE, 0, 0);
        });
    }
}
