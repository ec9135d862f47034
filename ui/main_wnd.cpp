#include "ui/main_wnd.h"

#include <QCloseEvent>
#include <QPainter>

#include "config/log.h"
#include "flow/async_work_flow.h"
#include "platform/message_loop.h"
#include "util/user_messages.h"

namespace {
CMainWnd* g_instance = nullptr;
}

CMainWnd& CMainWnd::Instance() {
    if (!g_instance) g_instance = new CMainWnd;
    return *g_instance;
}

void CMainWnd::DestroyInstance() {
    delete g_instance;
    g_instance = nullptr;
}

CMainWnd::CMainWnd()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_DeleteOnClose, false);
}

HWND CMainWnd::Create(int left, int top, int right, int bottom) {
    setGeometry(left, top, right - left, bottom - top);
    HWND hwnd = CreateHandle(kClassName);
    if (hwnd) show();
    return hwnd;
}

bool CMainWnd::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // Work-flow continuations first; every other message is broadcast to flows and windows.
    if (CAsyncWorkFlow::WindowEntry(Handle(), message, wParam, lParam, result)) return true;
    switch (message) {
        case WM_CREATE:
            setWindowTitle(QStringLiteral("Lumeno"));
            return true;
        case UM_SHOW_MAIN:
            ShowMain();
            return true;
        case WM_DESTROY:
            hide();
            platform::PostQuitMessage(0);
            return true;
        default:
            return false;
    }
}

void CMainWnd::ShowMain() {
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
}

void CMainWnd::closeEvent(QCloseEvent* event) {
    // The window system's close goes through the message map like any other close.
    event->ignore();
    platform::PostMessage(Handle(), WM_CLOSE, 0, 0);
}

void CMainWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(245, 245, 245));
    painter.fillRect(QRect(0, 0, width(), 110), QColor(0, 112, 186));
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(20);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, width(), 110), Qt::AlignCenter, QStringLiteral("Lumeno"));
}
