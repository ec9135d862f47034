#include "toolkit/lists/list_box.h"

#include <QApplication>
#include <algorithm>
#include <cstdlib>

#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/skin_colors.h"
#include "toolkit/window/wheel_lines.h"

namespace {

bool RowPasses(const UiContext& ctx, const UiRect& rect) {
    switch (ctx.mode) {
        case UiMode::Paint:
            return rect.Intersects(ctx.clip);
        case UiMode::Mouse:
            return ctx.event && rect.Contains(ctx.event->x, ctx.event->y);
        case UiMode::Timer:
        case UiMode::Describe:
            return rect.Intersects(ctx.client);
    }
    return false;
}

}  // namespace

CListBoxWindow::CListBoxWindow(IListBoxOwner* owner, bool fixedRowHeight)
    : owner_(owner), fixed_(fixedRowHeight) {}

HWND CListBoxWindow::Create(HWND parent, const UiRect& rect, int controlId) {
    HWND hwnd = VWindowImpl<CListBoxWindow>::Create(parent, rect, QString(),
                                                    kSkinnedChildTraits | WS_VSCROLL);
    if (hwnd) SetDlgCtrlID(controlId);
    return hwnd;
}

int CListBoxWindow::GetCount() const {
    return count_;
}

void CListBoxWindow::SetCount(int count) {
    SendMessage(LB_SETCOUNT, static_cast<WPARAM>(std::max(0, count)), 0);
}

int CListBoxWindow::InsertItem(int index) {
    return static_cast<int>(SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(index), 0));
}

void CListBoxWindow::DeleteItem(int index) {
    SendMessage(LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void CListBoxWindow::ResetContent() {
    SendMessage(LB_RESETCONTENT, 0, 0);
}

int CListBoxWindow::GetTopIndex() const {
    return top_;
}

void CListBoxWindow::SetTopIndex(int index) {
    SendMessage(LB_SETTOPINDEX, static_cast<WPARAM>(std::max(0, index)), 0);
}

void CListBoxWindow::SetRowHeight(int height) {
    rowHeight_ = std::max(0, height);
    if (fixed_) Invalidate(false);
}

int CListBoxWindow::RowHeightAt(int index) const {
    if (fixed_) return rowHeight_;
    return index >= 0 && index < static_cast<int>(heights_.size()) ? heights_[index] : 0;
}

int CListBoxWindow::RowsPerPage() const {
    if (rowHeight_ <= 0) return std::max(1, count_);
    return std::max(1, ClientHeight() / rowHeight_);
}

int CListBoxWindow::MaxTopIndex() const {
    if (count_ <= 0) return 0;
    if (fixed_) return std::max(0, count_ - RowsPerPage());
    // The rows that fit whole at the end of the list, counted from the end.
    int fitting = 0;
    int height = 0;
    for (int index = count_ - 1; index >= 0; --index) {
        height += heights_[index];
        if (height > ClientHeight()) break;
        ++fitting;
    }
    return std::max(0, count_ - std::max(1, fitting));
}

UiRect CListBoxWindow::GetItemRect(int index) const {
    const int width = ClientWidth();
    if (fixed_) {
        const int top = (index - top_) * rowHeight_;
        return UiRect(0, top, width, top + rowHeight_);
    }
    int top = 0;
    if (index >= top_) {
        for (int row = top_; row < index && row < count_; ++row)
            top += heights_[row];
    } else {
        for (int row = std::max(index, 0); row < top_; ++row)
            top -= heights_[row];
    }
    return UiRect(0, top, width, top + RowHeightAt(index));
}

LRESULT CListBoxWindow::ItemFromPoint(int x, int y) const {
    const bool outsideClient = x < 0 || x >= ClientWidth() || y < 0 || y >= ClientHeight();
    if (count_ == 0) return MAKELPARAM(0xFFFF, 1);
    if (y < 0) return MAKELPARAM(top_, 1);
    int index = top_;
    if (fixed_) {
        if (rowHeight_ > 0) index = top_ + y / rowHeight_;
    } else {
        int bottom = 0;
        for (index = top_; index < count_; ++index) {
            bottom += heights_[index];
            if (y < bottom) break;
        }
    }
    const bool beyond = index >= count_;
    index = std::min(index, count_ - 1);
    return MAKELPARAM(index, (outsideClient || beyond) ? 1 : 0);
}

int CListBoxWindow::RowAt(int x, int y) const {
    const LRESULT hit = ItemFromPoint(x, y);
    const int index = LOWORD(static_cast<std::uintptr_t>(hit));
    if (index == 0xFFFF || y < 0) return -1;
    // Below the last row there is no row, only the list's background.
    if (y >= GetItemRect(index).bottom) return -1;
    return index;
}

void CListBoxWindow::InvalidateRow(int index) {
    if (index >= 0 && index < count_) InvalidateRect(GetItemRect(index), false);
}

void CListBoxWindow::ScrollTo(int index) {
    const int top = std::clamp(index, 0, MaxTopIndex());
    if (top == top_) return;
    top_ = top;
    Invalidate(false);
    RowsMoved();
}

void CListBoxWindow::RowsMoved() {
    // Other rows now lie under the pointer: a held press no longer means its row, and the hover
    // follows the row now under the pointer.
    CancelPress();
    if (trackingLeave_) {
        hoverRow_ = RowAt(pointer_.x(), pointer_.y());
        RefreshHover();
    }
}

bool CListBoxWindow::OnVScroll(int code, int position) {
    const int page = fixed_ ? RowsPerPage() : std::max(1, count_ - MaxTopIndex());
    switch (code) {
        case SB_LINEUP:
            ScrollTo(top_ - 1);
            break;
        case SB_LINEDOWN:
            ScrollTo(top_ + 1);
            break;
        case SB_PAGEUP:
            ScrollTo(top_ - page);
            break;
        case SB_PAGEDOWN:
            ScrollTo(top_ + page);
            break;
        case SB_TOP:
            ScrollTo(0);
            break;
        case SB_BOTTOM:
            ScrollTo(MaxTopIndex());
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            ScrollTo(position);
            break;
        default:
            return true;
    }
    UpdateWindow();
    return true;
}

void CListBoxWindow::TrackHover(int x, int y) {
    // The pointer's leaving is reported by the window system as soon as it happens.
    trackingLeave_ = true;
    pointer_ = QPoint(x, y);
    const int row = RowAt(x, y);
    if (row == hoverRow_) return;
    InvalidateRow(hoverRow_);
    hoverRow_ = row;
    InvalidateRow(hoverRow_);
}

void CListBoxWindow::OnLeave() {
    trackingLeave_ = false;
    InvalidateRow(hoverRow_);
    hoverRow_ = -1;
}

void CVirtualListBoxNofixLineHeight::OnLeave() {
    if (Owner()) Owner()->OnMouseLeave();
    CListBoxWindow::OnLeave();
}

bool CListBoxWindow::GetVScrollInfo(ScrollInfo& info) const {
    info.min = 0;
    info.max = std::max(0, count_ - 1);
    info.page = fixed_ ? RowsPerPage() : std::max(1, count_ - MaxTopIndex());
    info.pos = top_;
    return true;
}

bool CListBoxWindow::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (owner_) {
        bool handled = false;
        const LRESULT answer = owner_->OnListMessage(message, wParam, lParam, handled);
        if (handled) {
            result = answer;
            return true;
        }
    }
    const int index = static_cast<int>(static_cast<std::intptr_t>(wParam));
    switch (message) {
        case LB_SETCOUNT:
            count_ = std::max(0, index);
            if (!fixed_) heights_.assign(static_cast<std::size_t>(count_), rowHeight_);
            top_ = std::min(top_, MaxTopIndex());
            if (hoverRow_ >= count_) hoverRow_ = -1;
            Invalidate(false);
            RowsMoved();
            result = 0;
            return true;
        case LB_ADDSTRING:
        case LB_INSERTSTRING: {
            const int at =
                (message == LB_ADDSTRING || index < 0 || index > count_) ? count_ : index;
            if (!fixed_) heights_.insert(heights_.begin() + at, rowHeight_);
            ++count_;
            Invalidate(false);
            RowsMoved();
            result = at;
            return true;
        }
        case LB_DELETESTRING:
            if (index < 0 || index >= count_) {
                result = LB_ERR;
                return true;
            }
            if (!fixed_) heights_.erase(heights_.begin() + index);
            --count_;
            top_ = std::min(top_, MaxTopIndex());
            if (hoverRow_ >= count_) hoverRow_ = -1;
            Invalidate(false);
            RowsMoved();
            result = count_;
            return true;
        case LB_RESETCONTENT:
            count_ = 0;
            heights_.clear();
            top_ = 0;
            hoverRow_ = -1;
            Invalidate(false);
            RowsMoved();
            result = 0;
            return true;
        case LB_GETCOUNT:
            result = count_;
            return true;
        case LB_GETTOPINDEX:
            result = top_;
            return true;
        case LB_SETTOPINDEX:
            if (index < 0 || (count_ > 0 && index >= count_)) {
                result = LB_ERR;
            } else {
                ScrollTo(index);
                result = 0;
            }
            return true;
        case LB_GETITEMRECT:
            if (index < 0 || index >= count_ || !lParam) {
                result = LB_ERR;
            } else {
                *reinterpret_cast<UiRect*>(lParam) = GetItemRect(index);
                result = 0;
            }
            return true;
        case LB_ITEMFROMPOINT:
            result = ItemFromPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return true;
        case LB_SETITEMHEIGHT:
            if (fixed_) {
                SetRowHeight(LOWORD(static_cast<std::uintptr_t>(lParam)));
            } else if (index >= 0 && index < count_) {
                heights_[index] = LOWORD(static_cast<std::uintptr_t>(lParam));
                Invalidate(false);
            }
            result = 0;
            return true;
        case LB_GETITEMHEIGHT:
            result = RowHeightAt(fixed_ ? 0 : index);
            return true;
        case LB_SETCURSEL:
            result = 0;
            return true;
        case WM_VSCROLL: {
            // 16 bits of the request cannot hold every row of a long list: a position above
            // zero in lParam is the full position.
            const int position = lParam > 0 ? static_cast<int>(lParam) : HIWORD(wParam);
            return OnVScroll(LOWORD(wParam), position);
        }
        case WM_MOUSEMOVE:
            TrackHover(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return false;
        case WM_MOUSELEAVE:
            OnLeave();
            return false;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            SetFocus();
            return false;
        case WM_MOUSEWHEEL: {
            if (!fixed_) RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            wheelRemainder_ += GET_WHEEL_DELTA_WPARAM(wParam);
            while (std::abs(wheelRemainder_) >= WHEEL_DELTA) {
                const bool up = wheelRemainder_ > 0;
                for (int line = 0; line < WheelLinesPerNotch(); ++line)
                    OnVScroll(up ? SB_LINEUP : SB_LINEDOWN, 0);
                wheelRemainder_ += up ? -WHEEL_DELTA : WHEEL_DELTA;
            }
            return true;
        }
        case WM_KEYDOWN:
            switch (wParam) {
                case VK_UP:
                    return OnVScroll(SB_LINEUP, 0);
                case VK_DOWN:
                    return OnVScroll(SB_LINEDOWN, 0);
                case VK_PRIOR:
                    return OnVScroll(SB_PAGEUP, 0);
                case VK_NEXT:
                    return OnVScroll(SB_PAGEDOWN, 0);
                case VK_HOME:
                    return OnVScroll(SB_TOP, 0);
                case VK_END:
                    return OnVScroll(SB_BOTTOM, 0);
                default:
                    return false;
            }
        default:
            return false;
    }
}

void CListBoxWindow::DescribeRows(UiContext& ctx) {
    const int width = ClientWidth();
    const int height = ClientHeight();
    int y = 0;
    for (int i = top_; i < count_ && y < height; ++i) {
        const int rowHeight = RowHeightAt(i);
        if (rowHeight <= 0) break;
        const UiRect rect(0, y, width, std::min(height, y + rowHeight));
        y += rowHeight;
        ctx.nodes->push_back(UiNode{UiRole::ListItem, owner_->RowName(i), rect, UiNodeState::None});
    }
}

void IListBoxOwner::DrawBackground(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, palette::kSurface);
}

void CListBoxWindow::DoUI(UiContext& ctx) {
    if (!owner_) return;
    if (ctx.mode == UiMode::Describe) {
        // Rows are read as items named by their owner, not as the pieces they are drawn from,
        // unless the owner names the elements of its rows itself.
        if (!owner_->DescribesRowElements()) {
            if (ctx.nodes) DescribeRows(ctx);
            return;
        }
    }
    const auto alive = AliveToken();
    if (count_ == 0) {
        owner_->DrawEmpty(ctx);
        return;
    }
    owner_->DrawBackground(ctx);
    if (!*alive) return;
    const int width = ClientWidth();
    const int height = ClientHeight();
    if (fixed_) {
        if (rowHeight_ <= 0) return;
        const int visits = height / rowHeight_ + 1;
        for (int i = top_, step = 0; i < count_ && step < visits; ++i, ++step) {
            if (ctx.Finished()) break;
            const UiRect rect(0, step * rowHeight_, width, (step + 1) * rowHeight_);
            if (RowPasses(ctx, rect)) owner_->DrawRow(ctx, i, rect);
            if (!*alive) return;
        }
        return;
    }
    int y = 0;
    for (int i = top_; i < count_ && i < static_cast<int>(heights_.size()) && y < height; ++i) {
        if (ctx.Finished()) break;
        const UiRect rect(0, y, width, y + heights_[i]);
        y = rect.bottom;
        if (RowPasses(ctx, rect)) owner_->DrawRow(ctx, i, rect);
        if (!*alive) return;
    }
}
