#include "platform/message_box.h"

#include <QMessageBox>

#include "platform/window.h"

namespace platform {

int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    QWidget* parent = nullptr;
    if (Window* window = WindowFromHandle(owner)) parent = window->NativeWidget();
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::NoButton, parent);
    switch (type & 0xF) {
        case MB_OKCANCEL:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case MB_YESNO:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        default:
            box.setStandardButtons(QMessageBox::Ok);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok:
            return IDOK;
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        default:
            return (type & 0xF) == MB_OK ? IDOK : IDCANCEL;
    }
}

}  // namespace platform
