#include "ui/main/tray_icon.h"

#include <QCursor>

#include "platform/window.h"
#include "ui/common/program_icon.h"
#include "ui/common/tray_host.h"
#include "ui/ui_messages.h"

CTrayIcon::CTrayIcon(HWND window, std::function<void(int, int)> menu)
    : window_(window), menu_(std::move(menu)) {}

CTrayIcon::~CTrayIcon() {
    Remove();
}

bool CTrayIcon::Add() {
    if (!TrayHostAvailable()) return false;
    shown_ = true;
    // A host decided by a test has no real icon behind it.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return true;
    if (!icon_) {
        icon_ = std::make_unique<QSystemTrayIcon>(ProgramIconWithUnread(unread_));
        QObject::connect(icon_.get(), &QSystemTrayIcon::activated,
                         [this](QSystemTrayIcon::ActivationReason reason) { Activated(reason); });
    }
    icon_->setToolTip(Tip());
    icon_->show();
    return true;
}

void CTrayIcon::Remove() {
    shown_ = false;
    if (icon_) icon_->hide();
    icon_.reset();
}

QString CTrayIcon::Tip() const {
    QString tip = QString::fromUtf8(kTip);
    if (unread_ > 0) tip += QStringLiteral(" (%1条未读消息)").arg(unread_);
    return tip.left(127);
}

void CTrayIcon::SetUnread(int count) {
    if (count == unread_) return;
    unread_ = count;
    if (!icon_) return;
    icon_->setIcon(ProgramIconWithUnread(unread_));
    icon_->setToolTip(Tip());
}

void CTrayIcon::Activated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            platform::PostMessage(window_, UM_SHOW_MAIN, 0, 0);
            break;
        case QSystemTrayIcon::Context: {
            const QPoint at = QCursor::pos();
            if (menu_) menu_(at.x(), at.y());
            break;
        }
        default:  // double clicks and the middle button do nothing
            break;
    }
}
