#pragma once
// The window-handle wrapper that every skinned window uses as its window type. It names a window
// by its handle and forwards the usual window operations to it; for the toolkit's own windows the
// coordinates are those of the client area (a top-level window's shadow margin is not part of
// it).

#include <QPoint>
#include <QString>

#include "platform/win_types.h"
#include "toolkit/elements/ui_rect.h"
#include "toolkit/window/win_defs.h"

class QWidget;
class VWindowImplRoot;

class VWindow {
  public:
    VWindow(HWND hwnd = nullptr) : m_hWnd(hwnd) {}
    VWindow& operator=(HWND hwnd) {
        m_hWnd = hwnd;
        return *this;
    }
    operator HWND() const { return m_hWnd; }

    bool IsWindow() const;
    bool DestroyWindow();
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    bool PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    bool SetTimer(std::uintptr_t id, UINT milliseconds) const;
    bool KillTimer(std::uintptr_t id) const;

    // (0, 0, width, height) of the client area.
    UiRect GetClientRect() const;
    // The client area in screen coordinates.
    UiRect GetWindowRect() const;
    // The window in its parent's client coordinates; false for a window without a parent.
    bool GetRectInParent(UiRect& rect) const;
    QPoint ClientToScreen(QPoint point) const;
    QPoint ScreenToClient(QPoint point) const;

    void Invalidate(bool erase = true) const;
    void InvalidateRect(const UiRect& rect, bool erase = true) const;
    // Paints what is invalid now.
    void UpdateWindow() const;
    void RedrawWindow(UINT flags = RDW_INVALIDATE | RDW_UPDATENOW) const;
    // WM_SETREDRAW: while off, the window neither paints nor follows invalidation.
    void SetRedraw(bool redraw) const;

    bool ShowWindow(int command) const;
    bool IsWindowVisible() const;
    bool IsIconic() const;
    bool IsZoomed() const;
    bool SetWindowPos(HWND insertAfter, int x, int y, int width, int height, UINT flags) const;
    bool MoveWindow(int x, int y, int width, int height, bool repaint = true) const;
    // Sizes the window so that its client area is width x height.
    bool ResizeClient(int width, int height) const;
    // Centres a top-level window over its owner on the owner's screen, or, without a visible
    // owner, on the work area of the primary screen.
    void CenterWindow() const;
    HWND GetParent() const;

    void SetWindowText(const QString& text) const;
    QString GetWindowText() const;
    void SetFocus() const;
    bool HasFocus() const;
    int GetDlgCtrlID() const;
    void SetDlgCtrlID(int id) const;

    // Mouse capture: every mouse message goes to the capturing window until it is released.
    HWND SetCapture() const;
    static bool ReleaseCapture();
    static HWND GetCapture();

    // The widget behind the window, if it has one.
    QWidget* Widget() const;
    // The toolkit window behind the handle, or null for other windows.
    VWindowImplRoot* Root() const;

    HWND m_hWnd = nullptr;
};
