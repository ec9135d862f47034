#include "toolkit/window/element_host.h"

#include <QPainter>
#include <algorithm>

#include "toolkit/elements/ui_elements.h"

// ---- tooltip adapter ----

void CKesToolTipAdpater::AddTool(IKesUIElement* element, int id, const UiRect& rect) {
    if (!element) return;
    tools_[element].push_back(Tool{id, rect});
}

void CKesToolTipAdpater::RemoveTools(IKesUIElement* element) {
    tools_.erase(element);
}

const std::vector<CKesToolTipAdpater::Tool>* CKesToolTipAdpater::ToolsOf(
    IKesUIElement* element) const {
    auto found = tools_.find(element);
    return found == tools_.end() ? nullptr : &found->second;
}

bool CKesToolTipAdpater::ToolAt(int x, int y, UiRect& rect, QString& text) const {
    for (const auto& [element, tools] : tools_) {
        for (const Tool& tool : tools) {
            if (tool.rect.Contains(x, y)) {
                rect = tool.rect;
                text = element->ToolText(tool.id);
                return true;
            }
        }
    }
    return false;
}

// ---- host ----

void CKesWndManager::AddElement(IKesUIElement* element) {
    if (element && std::find(elements_.begin(), elements_.end(), element) == elements_.end()) {
        elements_.push_back(element);
    }
}

void CKesWndManager::RemoveElement(IKesUIElement* element) {
    if (!element) return;
    if (element == capture_) {
        VWindow::ReleaseCapture();
        capture_ = nullptr;
        element->OnCaptureLost();
    }
    if (element == hover_) {
        hover_ = nullptr;
        element->OnElementMouseLeave();
    }
    CKesToolTipAdpater::RemoveTools(element);
    elements_.erase(std::remove(elements_.begin(), elements_.end(), element), elements_.end());
}

void CKesWndManager::SetElementCapture(IKesUIElement* element) {
    if (capture_ && capture_ != element) capture_->OnCaptureLost();
    capture_ = element;
    if (VWindow::GetCapture() != host_.m_hWnd) host_.SetCapture();
}

void CKesWndManager::ReleaseElementCapture(IKesUIElement* element) {
    if (!element || element != capture_) return;
    capture_ = nullptr;
    VWindow::ReleaseCapture();
}

void CKesWndManager::SetHoverElement(IKesUIElement* element) {
    if (hover_ == element) return;
    if (hover_) hover_->OnElementMouseLeave();
    hover_ = element;
}

LRESULT CKesWndManager::SendHostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return host_.SendMessage(message, wParam, lParam);
}

LRESULT CKesWndManager::SendCommand(LPARAM second, int code, int id) {
    return host_.SendMessage(WM_COMMAND, MAKEWPARAM(id, code), second);
}

bool CKesWndManager::PostHostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return host_.PostMessage(message, wParam, lParam);
}

void CKesWndManager::MoveElement(IKesUIElement* element, const UiRect& rect) {
    if (!element || element->rect == rect) return;
    const UiRect old = element->rect;
    if (element->IsVisible()) host_.InvalidateRect(old, false);
    element->rect = rect;
    if (old.left != rect.left || old.top != rect.top) element->OnElementMove(rect.left, rect.top);
    if (old.Width() != rect.Width() || old.Height() != rect.Height()) {
        element->OnElementSize(rect.Width(), rect.Height());
    }
    if (element->IsVisible()) {
        host_.InvalidateRect(rect, false);
        if (updateAtOnce_) host_.UpdateWindow();
    }
}

void CKesWndManager::SetElementRect(IKesUIElement* element, int x, int y, int width, int height) {
    MoveElement(element, UiRect::FromSize(x, y, width, height));
}

void CKesWndManager::SetElementSize(IKesUIElement* element, int width, int height) {
    if (!element) return;
    MoveElement(element, UiRect::FromSize(element->rect.left, element->rect.top, width, height));
}

void CKesWndManager::SetElementPosition(IKesUIElement* element, int x, int y) {
    if (!element) return;
    MoveElement(element, UiRect::FromSize(x, y, element->rect.Width(), element->rect.Height()));
}

void CKesWndManager::RedrawElement(IKesUIElement* element, const UiRect* part, bool) {
    if (!element || !paintingEnabled_) return;
    UiRect target = element->rect;
    if (part) {
        target = part->Offset(element->rect.left, element->rect.top).Intersected(element->rect);
        if (target.IsEmpty()) return;
    } else if (!element->IsVisible()) {
        return;
    }
    // The host paints its elements (and its background) in its own paint, which follows at once
    // unless updates are held.
    host_.InvalidateRect(target, false);
    if (updateAtOnce_) host_.UpdateWindow();
}

void CKesWndManager::AddTool(IKesUIElement* element, int id, const UiRect& rect) {
    CKesToolTipAdpater::AddTool(element, id, rect);
}

void CKesWndManager::RemoveTools(IKesUIElement* element) {
    CKesToolTipAdpater::RemoveTools(element);
}

void CKesWndManager::Resume() {
    updateAtOnce_ = true;
    if (paintingEnabled_) host_.UpdateWindow();
}

void CKesWndManager::FillBackground(QPainter& dc, const UiRect* rect) {
    if (!background_.isValid()) return;
    const QRect area = rect ? rect->ToQRect() : dc.clipBoundingRect().toAlignedRect();
    if (!area.isEmpty()) dc.fillRect(area, background_);
}

void CKesWndManager::PaintElements(QPainter& dc, const UiRect& clip) {
    for (IKesUIElement* element : elements_) {
        if (!element->IsVisible() || !element->rect.Intersects(clip)) continue;
        dc.translate(element->rect.left, element->rect.top);
        element->DrawElement(dc);
        dc.translate(-element->rect.left, -element->rect.top);
    }
}

void CKesWndManager::OfferTools(UiRegion& region) {
    if (region.ctx.mode != UiMode::Mouse || !region.ctx.event) return;
    UiRect rect;
    QString text;
    if (ToolAt(region.ctx.event->x - region.x, region.ctx.event->y - region.y, rect, text)) {
        UiHitTest(region, rect, 0, text);
    }
}

void CKesWndManager::SetHostRect(int x, int y, int width, int height) {
    host_.SetWindowPos(nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CKesWndManager::SetHostSize(int width, int height) {
    host_.SetWindowPos(nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CKesWndManager::SetHostPosition(int x, int y) {
    host_.SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CKesWndManager::DestroyHost() {
    host_.DestroyWindow();
    host_.m_hWnd = nullptr;
}

void CKesWndManager::ShowHost(bool show) {
    host_.ShowWindow(show ? SW_SHOWNORMAL : SW_HIDE);
}
