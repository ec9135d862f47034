#include "toolkit/lists/dui_list_box.h"

#include <algorithm>

#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/skin_colors.h"
#include "toolkit/skin/skin_images.h"

CVDuiListBox::CVDuiListBox(IDuiListBoxOwner* owner) : owner_(owner ? owner : this) {}

void CVDuiListBox::AddItem(const QString& text, int height) {
    items_.push_back(Item{text, std::max(0, height)});
}

void CVDuiListBox::ClearItems() {
    items_.clear();
    rects_.clear();
}

int CVDuiListBox::TotalHeight() const {
    int total = 0;
    for (const Item& item : items_)
        total += item.height;
    return total;
}

void CVDuiListBox::Layout(bool updateScroll) {
    rects_.clear();
    rects_.reserve(items_.size());
    int y = 0;
    for (const Item& item : items_) {
        rects_.emplace_back(0, y, ClientWidth(), y + item.height);
        y += item.height;
    }
    if (updateScroll) {
        UpdateScrollInfo(false, 0);
        Invalidate(false);
    }
}

void CVDuiListBox::UpdateScrollInfo(bool setPosition, int position) {
    const int total = TotalHeight();
    scroll_.min = 0;
    scroll_.max = total <= ClientHeight() ? 0 : total;
    scroll_.page = ClientHeight();
    // The position stays where the range allows, the last page ending at the range's end.
    const int last = std::max(0, scroll_.max - scroll_.page + 1);
    scroll_.pos = std::clamp(setPosition ? position : scroll_.pos, 0, last);
    if (bar_.IsWindow()) bar_.Synchronise();
}

void CVDuiListBox::SetScrollPosition(int position) {
    UpdateScrollInfo(true, position);
    Invalidate(false);
}

bool CVDuiListBox::GetVScrollInfo(ScrollInfo& info) const {
    info = scroll_;
    return true;
}

void CVDuiListBox::OnVScroll(int code) {
    const int height = ClientHeight();
    int position = scroll_.pos;
    switch (code) {
        case SB_LINEUP:
            position -= std::max(0, height / 10);
            break;
        case SB_LINEDOWN:
            position += std::max(0, height / 10);
            break;
        case SB_PAGEUP:
            position -= std::max(0, height);
            break;
        case SB_PAGEDOWN:
            position += std::max(0, height);
            break;
        case SB_TOP:
            position = 0;
            break;
        case SB_BOTTOM:
            position = TotalHeight();
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            break;  // the bar already placed the position
        default:
            return;
    }
    UpdateScrollInfo(true, position);
    Invalidate(false);
    UpdateWindow();
}

bool CVDuiListBox::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (owner_ != this) {
        bool handled = false;
        const LRESULT answer = owner_->OnListMessage(message, wParam, lParam, handled);
        if (handled) {
            result = answer;
            return true;
        }
    }
    switch (message) {
        case WM_CREATE:
            bar_.CreateSkinned(m_hWnd, m_hWnd);
            Invalidate(false);
            bar_.Synchronise();
            return false;
        case WM_SIZE:
            Layout(true);
            return true;
        case WM_VSCROLL:
            if (LOWORD(wParam) == SB_THUMBTRACK || LOWORD(wParam) == SB_THUMBPOSITION) {
                const int position = lParam > 0 ? static_cast<int>(lParam) : HIWORD(wParam);
                UpdateScrollInfo(true, position);
                Invalidate(false);
                UpdateWindow();
            } else {
                OnVScroll(LOWORD(wParam));
            }
            return true;
        case WM_MOUSEWHEEL:
            // The bar's hook turns the wheel into lines; nothing scrolls here.
            result = 1;
            return true;
        case WM_MOUSELEAVE:
            owner_->OnMouseLeave();
            return false;
        default:
            return false;
    }
}

void IDuiListBoxOwner::DrawBackground(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, palette::kSurface);
}

void CVDuiListBox::DoUI(UiContext& ctx) {
    const auto alive = AliveToken();
    if (items_.empty()) {
        owner_->DrawEmpty(ctx);
        return;
    }
    owner_->DrawBackground(ctx);
    if (!*alive || rects_.size() != items_.size()) return;
    // The first item holding the line just below the scroll position.
    const int line = scroll_.pos + 1;
    auto first = std::upper_bound(rects_.begin(), rects_.end(), line,
                                  [](int y, const UiRect& rect) { return y < rect.bottom; });
    if (first == rects_.end() || line < first->top) return;
    const int height = ClientHeight();
    for (auto it = first; it != rects_.end(); ++it) {
        if (ctx.Finished()) break;
        const auto index = static_cast<std::size_t>(it - rects_.begin());
        const UiRect rect = it->Offset(0, -scroll_.pos);
        if (rect.top >= height) break;
        bool passes = false;
        switch (ctx.mode) {
            case UiMode::Paint:
                passes = rect.Intersects(ctx.clip);
                break;
            case UiMode::Mouse:
                passes = ctx.event && rect.Contains(ctx.event->x, ctx.event->y);
                break;
            case UiMode::Timer:
            case UiMode::Describe:
                passes = true;
                break;
        }
        if (passes) owner_->DrawItem(ctx, static_cast<int>(index), items_[index].text, rect);
        if (!*alive || rects_.size() != items_.size()) return;
    }
}
