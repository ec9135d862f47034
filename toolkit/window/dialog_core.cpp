#include <QApplication>
#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include "toolkit/window/window_impl.h"

int VDialogCore::RunModal(HWND owner, LPARAM initParam, std::string_view className,
                          const UiRect& rect, DWORD exStyle) {
    if (Handle()) return -1;
    const auto alive = AliveToken();
    // Where typing went before the dialog; it goes there again once the dialog ends, as on any
    // desktop, also where no window manager hands the activation back.
    const QPointer<QWidget> typingBefore = QApplication::focusWidget();
    struct GiveFocusBack {
        const QPointer<QWidget>& widget;
        ~GiveFocusBack() {
            if (!widget || !widget->isVisible() || QApplication::activeModalWidget()) return;
            widget->activateWindow();
            widget->setFocus(Qt::ActiveWindowFocusReason);
        }
    } giveFocusBack{typingBefore};
    result_ = IDCANCEL;
    dialogInitParam_ = initParam;
    if (!CreateWindowEx(owner, rect, className, QString(), kDialogStyle, exStyle)) return -1;
    if (!*alive) return -1;
    QEventLoop loop;
    if (QWidget* widget = NativeWidget()) {
        widget->setWindowModality(Qt::ApplicationModal);
        widget->show();
    }
    // The dialog may already have ended inside WM_INITDIALOG.
    if (Handle()) {
        loop_ = &loop;
        loop.exec(QEventLoop::DialogExec);
        if (!*alive) return IDCANCEL;
        loop_ = nullptr;
    }
    return result_;
}

HWND VDialogCore::CreateModeless(HWND owner, LPARAM initParam, std::string_view className,
                                 const UiRect& rect, DWORD exStyle) {
    if (Handle()) return nullptr;
    dialogInitParam_ = initParam;
    const auto alive = AliveToken();
    HWND hwnd = CreateWindowEx(owner, rect, className, QString(), kDialogStyle, exStyle);
    if (!*alive || !hwnd) return nullptr;
    if (QWidget* widget = NativeWidget()) widget->show();
    return Handle();
}

bool VDialogCore::EndDialog(int result) {
    result_ = result;
    if (loop_) loop_->quit();
    if (Handle()) DestroyHandle();
    return true;
}

void VDialogCore::OnWindowDestroyed() {
    if (loop_) loop_->quit();
}
