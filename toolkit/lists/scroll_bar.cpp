#include "toolkit/lists/scroll_bar.h"

#include <QPainter>
#include <cstdlib>

#include "toolkit/skin/skin_images.h"
#include "toolkit/window/wheel_lines.h"

// ---- detour ----

CDetourWndHelper::~CDetourWndHelper() {
    DetachDetour();
}

bool CDetourWndHelper::AttachDetour(HWND target) {
    DetachDetour();
    VWindowImplRoot* root = VWindow(target).Root();
    if (!root) return false;
    root->AddHook(this);
    target_ = target;
    return true;
}

void CDetourWndHelper::DetachDetour() {
    if (!target_) return;
    if (VWindowImplRoot* root = VWindow(target_).Root()) root->RemoveHook(this);
    target_ = nullptr;
}

// ---- the bar ----

HWND CQVScrollBar::Create(HWND parent) {
    return VWindowImpl<CQVScrollBar>::Create(parent, UiRect(0, 0, BarWidth(), 0), QString(),
                                             WS_CHILD | WS_CLIPSIBLINGS);
}

int CQVScrollBar::BarWidth() {
    if (thumb_ && !thumb_->IsEmpty()) return thumb_->FrameWidth();
    if (track_ && !track_->IsEmpty()) return track_->FrameWidth();
    return 10;
}

bool CQVScrollBar::Attach(HWND target) {
    if (!AttachDetour(target)) return false;
    Synchronise();
    Invalidate(false);
    return true;
}

int CQVScrollBar::CurrentThumbHeight() const {
    return ThumbHeight(info_, ClientHeight());
}

void CQVScrollBar::Synchronise() {
    VWindowImplRoot* target = VWindow(DetourTarget()).Root();
    ScrollInfo info;
    if (!target || !target->GetVScrollInfo(info)) return;
    const bool needed = info.NeedsScrolling();
    const bool wasShown = shown_;
    shown_ = needed;
    ShowWindow(needed ? SW_SHOWNA : SW_HIDE);
    if (wasShown && !needed) {
        // Everything fits again: back to the top.
        SendPosition(0);
        if (!target->GetVScrollInfo(info)) return;
    }
    if (info == info_) return;
    info_ = info;
    MoveThumbToPosition(info_.pos);
}

void CQVScrollBar::MoveThumbToPosition(int position) {
    ScrollInfo at = info_;
    at.pos = position;
    const int height = ClientHeight();
    const int thumbHeight = ThumbHeight(at, height);
    // A thumb that already stands for the position stays where the pointer left it.
    if (PositionForThumbTop(at, height, thumbHeight,
                            ClampThumbTop(thumbTop_, height, thumbHeight)) == position) {
        return;
    }
    const int top = ThumbTopForPosition(at, height, thumbHeight);
    if (top < 0 || top == thumbTop_) return;
    thumbTop_ = top;
    Invalidate(false);
}

void CQVScrollBar::SendPosition(int position) {
    // The position travels in the high word as always, and whole in lParam for lists longer
    // than 16 bits can count.
    platform::SendMessage(DetourTarget(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, position),
                          static_cast<LPARAM>(position));
}

void CQVScrollBar::DoUI(UiContext& ctx) {
    if (ctx.mode != UiMode::Paint || !ctx.dc) return;
    QPainter& dc = *ctx.dc;
    const int width = ClientWidth();
    const int height = ClientHeight();
    if (track_ && !track_->IsEmpty()) {
        const int trackWidth = track_->FrameWidth();
        track_->DrawFrame(dc, (width - trackWidth) / 2, 0, trackWidth, height, 0);
    }
    const int thumbHeight = CurrentThumbHeight();
    if (thumb_ && thumbHeight > 0) {
        // The thumb is quiet until the pointer is on the bar.
        const qreal opacity = dc.opacity();
        if (!hovered_ && !dragging_) dc.setOpacity(opacity * 0.72);
        thumb_->DrawFrame(dc, 0, ClampThumbTop(thumbTop_, height, thumbHeight), width, thumbHeight,
                          0);
        dc.setOpacity(opacity);
    }
}

bool CQVScrollBar::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) {
    const int y = GET_Y_LPARAM(lParam);
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            OnPress(y);
            return true;
        case WM_MOUSEMOVE:
            if (!hovered_) {
                hovered_ = true;
                Invalidate(false);
            }
            if (dragging_ && (wParam & MK_LBUTTON)) OnDrag(y);
            return true;
        case WM_MOUSELEAVE:
            if (hovered_) {
                hovered_ = false;
                Invalidate(false);
            }
            return true;
        case WM_LBUTTONUP:
            OnRelease(y);
            return true;
        case WM_MOUSEWHEEL:
            OnBarWheel(GET_WHEEL_DELTA_WPARAM(wParam));
            return true;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            return true;
        default:
            return false;
    }
}

void CQVScrollBar::OnPress(int y) {
    SetCapture();
    pressed_ = true;
    pressTime_ = MessageTime();
    anchorY_ = y;
    const int thumbHeight = CurrentThumbHeight();
    const int top = ClampThumbTop(thumbTop_, ClientHeight(), thumbHeight);
    pressOnThumb_ = y >= top && y <= top + thumbHeight;
    dragging_ = pressOnThumb_;
    if (dragging_) thumbTop_ = top;
}

void CQVScrollBar::OnDrag(int y) {
    const int height = ClientHeight();
    const int thumbHeight = CurrentThumbHeight();
    const int old = thumbTop_;
    const int top = ClampThumbTop(old + (y - anchorY_), height, thumbHeight);
    anchorY_ = y;
    if (top == old) return;
    thumbTop_ = top;
    SendPosition(PositionForThumbTop(info_, height, thumbHeight, top));
    // Only the strip the thumb left and entered is drawn again.
    InvalidateRect(UiRect(0, std::min(old, top), ClientWidth(), std::max(old, top) + thumbHeight),
                   false);
    UpdateWindow();
}

void CQVScrollBar::OnRelease(int y) {
    dragging_ = false;
    ReleaseCapture();
    if (!pressed_) return;
    pressed_ = false;
    if (!pressOnThumb_ && MessageTime() - pressTime_ <= kPageClickMs) {
        const int thumbHeight = CurrentThumbHeight();
        const int top = ClampThumbTop(thumbTop_, ClientHeight(), thumbHeight);
        int position = info_.pos;
        if (y < top) {
            position = std::max(info_.min, position - info_.page);
        } else if (y > top + thumbHeight) {
            position = std::min(info_.max, position + info_.page);
        } else {
            return;
        }
        MoveThumbToPosition(position);
        SendPosition(position);
        Invalidate(false);
    }
    Synchronise();
}

void CQVScrollBar::OnBarWheel(int delta) {
    const int position =
        std::clamp(info_.pos - (delta / WHEEL_DELTA) * info_.page, info_.min, info_.max);
    MoveThumbToPosition(position);
    SendPosition(position);
    Invalidate(false);
    Synchronise();
}

LRESULT CQVScrollBar::BeforeMessage(HWND, UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

void CQVScrollBar::AfterMessage(HWND, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_SETREDRAW:
            if (wParam) {
                if (redrawSuppressed_) redrawPending_ = true;
                redrawSuppressed_ = false;
            } else {
                redrawSuppressed_ = true;
            }
            return;
        case WM_PAINT:
            if (redrawPending_) {
                redrawPending_ = false;
                Act();
            }
            return;
        case WM_SIZE:
        case LB_ADDSTRING:
        case LB_INSERTSTRING:
        case LB_DELETESTRING:
        case LB_RESETCONTENT:
        case LB_SETCURSEL:
        case LB_SETTOPINDEX:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_MOUSEWHEEL:
        case WM_MOUSEHWHEEL:
            Act();
            return;
        case WM_KEYDOWN:
            if (wParam >= VK_PRIOR && wParam <= VK_DOWN) Act();
            return;
        default:
            return;
    }
}

void CQVScrollBar::Act() {
    if (redrawSuppressed_) return;
    Synchronise();
    RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

// ---- the list's bar ----

bool CVirtualScrollBar::Attach(HWND target) {
    if (!CQVScrollBar::Attach(target)) return false;
    Place();
    return true;
}

bool CQVScrollBar::CreateSkinned(HWND parent, HWND target) {
    SetThumbImage(&SkinImage("sb_top.png"));
    SetTrackImage(&SkinImage("sb_back.png"));
    if (!Create(parent)) return false;
    return Attach(target);
}

void CVirtualScrollBar::Place() {
    const VWindow target(DetourTarget());
    UiRect rect;
    if (GetParent() == target.m_hWnd) {
        rect = target.GetClientRect();
    } else if (!target.GetRectInParent(rect)) {
        return;
    }
    const int width = BarWidth();
    const int top = rect.top + offsetY_ + 12;
    const int height = std::max(0, rect.Height() - offsetY_ - 12);
    SetWindowPos(HWND_TOP, rect.right + offsetX_ - width, top, width, height, SWP_NOACTIVATE);
    // The thumb's place depends on the bar's height.
    ScrollInfo info = Info();
    MoveThumbToPosition(info.pos);
}

LRESULT CVirtualScrollBar::BeforeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         bool& handled) {
    if (message != WM_MOUSEWHEEL) {
        return CQVScrollBar::BeforeMessage(hwnd, message, wParam, lParam, handled);
    }
    // Whole notches turn into lines; what is left waits for the next turn.
    wheel_ += GET_WHEEL_DELTA_WPARAM(wParam);
    const int lines = std::abs(wheel_) / WHEEL_DELTA * WheelLinesPerNotch();
    const int code = wheel_ <= 0 ? SB_LINEDOWN : SB_LINEUP;
    for (int line = 0; line < lines; ++line) {
        platform::SendMessage(DetourTarget(), WM_VSCROLL, MAKEWPARAM(code, Info().pos), 0);
    }
    wheel_ %= WHEEL_DELTA;
    handled = true;
    Act();
    return 0;
}

void CVirtualScrollBar::AfterMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CQVScrollBar::AfterMessage(hwnd, message, wParam, lParam);
    if (message == WM_SIZE) Place();
    // A count set while the list rebuilds with redrawing off waits for the list's next paint.
    if (message == LB_SETCOUNT && !RedrawSuppressed()) {
        Synchronise();
        Invalidate(false);
    }
}
