#include "toolkit/window/vwindow.h"

#include <QCoreApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "platform/screen.h"
#include "platform/window.h"
#include "toolkit/window/window_root.h"
#include "toolkit/window/window_surface.h"

namespace {

HWND& CaptureWindow() {
    static HWND capture = nullptr;
    return capture;
}

QPoint OriginOf(const VWindowImplRoot* root) {
    return root ? root->ClientOrigin() : QPoint();
}

QMargins MarginsOf(const VWindowImplRoot* root) {
    // The shadow's margins, or minus the parts out of sight.
    return root && root->Surface() ? root->EffectiveMargins() : QMargins();
}

}  // namespace

VWindowImplRoot* VWindow::Root() const {
    return dynamic_cast<VWindowImplRoot*>(platform::WindowFromHandle(m_hWnd));
}

QWidget* VWindow::Widget() const {
    platform::Window* window = platform::WindowFromHandle(m_hWnd);
    return window ? window->NativeWidget() : nullptr;
}

bool VWindow::IsWindow() const {
    return platform::IsWindow(m_hWnd);
}

bool VWindow::DestroyWindow() {
    return platform::DestroyWindow(m_hWnd);
}

LRESULT VWindow::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return platform::SendMessage(m_hWnd, message, wParam, lParam);
}

bool VWindow::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return platform::PostMessage(m_hWnd, message, wParam, lParam);
}

bool VWindow::SetTimer(std::uintptr_t id, UINT milliseconds) const {
    return platform::SetTimer(m_hWnd, id, milliseconds);
}

bool VWindow::KillTimer(std::uintptr_t id) const {
    return platform::KillTimer(m_hWnd, id);
}

UiRect VWindow::GetClientRect() const {
    if (const VWindowImplRoot* root = Root()) {
        return UiRect(0, 0, root->ClientWidth(), root->ClientHeight());
    }
    const QWidget* widget = Widget();
    return widget ? UiRect(0, 0, widget->width(), widget->height()) : UiRect();
}

UiRect VWindow::GetWindowRect() const {
    const QWidget* widget = Widget();
    if (!widget) return {};
    const UiRect client = GetClientRect();
    const QPoint topLeft = widget->mapToGlobal(OriginOf(Root()));
    return client.Offset(topLeft.x(), topLeft.y());
}

bool VWindow::GetRectInParent(UiRect& rect) const {
    const QWidget* widget = Widget();
    if (!widget || widget->isWindow() || !widget->parentWidget()) return false;
    const auto* parent = qobject_cast<const VSurface*>(widget->parentWidget());
    const QPoint parentOrigin = parent ? OriginOf(parent->Root()) : QPoint();
    const UiRect client = GetClientRect();
    rect = client.Offset(widget->x() - parentOrigin.x(), widget->y() - parentOrigin.y());
    return true;
}

QPoint VWindow::ClientToScreen(QPoint point) const {
    const QWidget* widget = Widget();
    return widget ? widget->mapToGlobal(point + OriginOf(Root())) : point;
}

QPoint VWindow::ScreenToClient(QPoint point) const {
    const QWidget* widget = Widget();
    return widget ? widget->mapFromGlobal(point) - OriginOf(Root()) : point;
}

void VWindow::Invalidate(bool) const {
    if (QWidget* widget = Widget()) widget->update();
}

void VWindow::InvalidateRect(const UiRect& rect, bool) const {
    if (rect.IsEmpty()) return;
    if (QWidget* widget = Widget()) {
        const QPoint origin = OriginOf(Root());
        widget->update(rect.ToQRect().translated(origin));
    }
}

void VWindow::UpdateWindow() const {
    QWidget* widget = Widget();
    // A window is not painted from inside another paint; its turn comes right after.
    if (!widget || !widget->isVisible() || toolkit_detail::PaintDepth() > 0) return;
    QCoreApplication::sendPostedEvents(widget->window(), QEvent::UpdateRequest);
}

void VWindow::RedrawWindow(UINT flags) const {
    if (flags & RDW_INVALIDATE) Invalidate(flags & RDW_ERASE);
    if (flags & RDW_UPDATENOW) UpdateWindow();
}

void VWindow::SetRedraw(bool redraw) const {
    SendMessage(WM_SETREDRAW, redraw ? 1 : 0, 0);
}

bool VWindow::ShowWindow(int command) const {
    QWidget* widget = Widget();
    if (!widget) return false;
    const bool wasVisible = widget->isVisible();
    switch (command) {
        case SW_HIDE:
            widget->hide();
            break;
        case SW_SHOWNORMAL:
        case SW_RESTORE:
            if (widget->isWindow()) {
                widget->showNormal();
            } else {
                widget->show();
            }
            break;
        case SW_MAXIMIZE:
            widget->showMaximized();
            break;
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED:
            widget->showMinimized();
            break;
        case SW_SHOWNA:
        case SW_SHOWNOACTIVATE:
            widget->setAttribute(Qt::WA_ShowWithoutActivating);
            widget->show();
            break;
        default:
            widget->show();
            break;
    }
    return wasVisible;
}

bool VWindow::IsWindowVisible() const {
    const QWidget* widget = Widget();
    return widget && widget->isVisible();
}

bool VWindow::IsIconic() const {
    const QWidget* widget = Widget();
    return widget && widget->isMinimized();
}

bool VWindow::IsZoomed() const {
    const QWidget* widget = Widget();
    return widget && widget->isMaximized();
}

bool VWindow::SetWindowPos(HWND insertAfter, int x, int y, int width, int height,
                           UINT flags) const {
    QWidget* widget = Widget();
    if (!widget) return false;
    const VWindowImplRoot* root = Root();
    // Client coordinates become widget coordinates: a top-level window's margin lies outside,
    // and a child sits in its parent's client area.
    QMargins margins = MarginsOf(root);
    QPoint parentOrigin;
    if (!widget->isWindow()) {
        margins = QMargins();
        if (const auto* parent = qobject_cast<const VSurface*>(widget->parentWidget())) {
            parentOrigin = OriginOf(parent->Root());
        }
    }
    QRect geometry = widget->geometry();
    if (!(flags & SWP_NOMOVE)) {
        geometry.moveTopLeft(QPoint(x - margins.left(), y - margins.top()) + parentOrigin);
    }
    if (!(flags & SWP_NOSIZE)) {
        geometry.setSize(QSize(std::max(0, width) + margins.left() + margins.right(),
                               std::max(0, height) + margins.top() + margins.bottom()));
    }
    if (geometry != widget->geometry()) widget->setGeometry(geometry);
    if (!(flags & SWP_NOZORDER)) {
        if (insertAfter == HWND_BOTTOM) {
            widget->lower();
        } else if (insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
            const bool top = insertAfter == HWND_TOPMOST;
            if (widget->isWindow() &&
                widget->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != top) {
                const bool visible = widget->isVisible();
                widget->setWindowFlag(Qt::WindowStaysOnTopHint, top);
                if (visible) widget->show();
            }
            widget->raise();
        } else {
            widget->raise();
        }
    }
    if (flags & SWP_SHOWWINDOW) {
        if (flags & SWP_NOACTIVATE) widget->setAttribute(Qt::WA_ShowWithoutActivating);
        widget->show();
    }
    if (flags & SWP_HIDEWINDOW) widget->hide();
    return true;
}

bool VWindow::MoveWindow(int x, int y, int width, int height, bool) const {
    return SetWindowPos(nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool VWindow::ResizeClient(int width, int height) const {
    return SetWindowPos(nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

void VWindow::CenterWindow() const {
    const QWidget* widget = Widget();
    if (!widget || !widget->isWindow()) return;
    // The size the window has now, even when it has not been told of it yet.
    UiRect client = GetClientRect();
    if (const VWindowImplRoot* root = Root()) {
        const QMargins margins = root->EffectiveMargins();
        client = UiRect(0, 0, widget->width() - margins.left() - margins.right(),
                        widget->height() - margins.top() - margins.bottom());
    }
    // A window with a visible owner goes over the middle of its owner, kept on the owner's
    // screen; any other on the primary screen's work area.
    const QWidget* owner = widget->parentWidget() ? widget->parentWidget()->window() : nullptr;
    if (owner && owner->isVisible() && owner->screen()) {
        const auto* ownerSurface = qobject_cast<const VSurface*>(owner);
        UiRect over = UiRect::FromQRect(owner->geometry());
        if (ownerSurface && ownerSurface->Root()) {
            over = VWindow(ownerSurface->Root()->Handle()).GetWindowRect();
        }
        const QRect screen = owner->screen()->availableGeometry();
        const int x = std::clamp(over.left + (over.Width() - client.Width()) / 2, screen.left(),
                                 std::max(screen.left(), screen.right() + 1 - client.Width()));
        const int y = std::clamp(over.top + (over.Height() - client.Height()) / 2, screen.top(),
                                 std::max(screen.top(), screen.bottom() + 1 - client.Height()));
        SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        return;
    }
    const platform::ScreenRect area = platform::PrimaryWorkArea();
    SetWindowPos(nullptr, area.left + (area.Width() - client.Width()) / 2,
                 area.top + (area.Height() - client.Height()) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

HWND VWindow::GetParent() const {
    const QWidget* widget = Widget();
    if (!widget) return nullptr;
    for (QWidget* parent = widget->parentWidget(); parent; parent = parent->parentWidget()) {
        if (const auto* surface = qobject_cast<const VSurface*>(parent)) {
            return surface->Root() ? surface->Root()->Handle() : nullptr;
        }
    }
    return nullptr;
}

void VWindow::SetWindowText(const QString& text) const {
    if (QWidget* widget = Widget()) widget->setWindowTitle(text);
}

QString VWindow::GetWindowText() const {
    const QWidget* widget = Widget();
    return widget ? widget->windowTitle() : QString();
}

void VWindow::SetFocus() const {
    if (QWidget* widget = Widget()) widget->setFocus(Qt::OtherFocusReason);
}

bool VWindow::HasFocus() const {
    const QWidget* widget = Widget();
    return widget && widget->hasFocus();
}

int VWindow::GetDlgCtrlID() const {
    const VWindowImplRoot* root = Root();
    return root ? root->controlId_ : 0;
}

void VWindow::SetDlgCtrlID(int id) const {
    if (VWindowImplRoot* root = Root()) root->controlId_ = id;
}

HWND VWindow::SetCapture() const {
    // While a button is held the widget under the press receives every mouse event (Qt's own
    // grab); the capture record tells the windows which of them holds it.
    const HWND previous = CaptureWindow();
    CaptureWindow() = m_hWnd;
    return previous;
}

bool VWindow::ReleaseCapture() {
    CaptureWindow() = nullptr;
    return true;
}

HWND VWindow::GetCapture() {
    if (CaptureWindow() && !platform::IsWindow(CaptureWindow())) CaptureWindow() = nullptr;
    return CaptureWindow();
}
