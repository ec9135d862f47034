#include "ui/common/program_icon.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>

#include "toolkit/skin/skin_colors.h"
#include "toolkit/skin/skin_directory.h"

namespace {

constexpr int kSizes[] = {16, 24, 32, 48, 64, 128, 256};

QString IconFile(int size, bool twice) {
    return SkinDirectory() +
           QStringLiteral("/icon/lumeno-%1%2.png").arg(size).arg(twice ? "@2x" : "");
}

}  // namespace

QIcon ProgramIcon() {
    static QIcon icon;
    if (!icon.isNull()) return icon;
    for (int size : kSizes) {
        if (QFile::exists(IconFile(size, false)))
            icon.addFile(IconFile(size, false), QSize(size, size));
        if (QFile::exists(IconFile(size, true)))
            icon.addFile(IconFile(size, true), QSize(size * 2, size * 2));
    }
    return icon;
}

QIcon ProgramIconWithUnread(int unread) {
    if (unread <= 0) return ProgramIcon();
    QIcon marked;
    for (int size : kSizes) {
        QPixmap picture = ProgramIcon().pixmap(size, size);
        if (picture.isNull()) continue;
        QPainter dc(&picture);
        dc.setRenderHint(QPainter::Antialiasing);
        const qreal dot = size * 0.42;
        const QRectF mark(size - dot, 0, dot, dot);
        dc.setPen(QPen(palette::kSurface, qMax<qreal>(1.0, size / 24.0)));
        dc.setBrush(palette::kAlert);
        dc.drawEllipse(mark.adjusted(0.5, 0.5, -0.5, -0.5));
        dc.end();
        marked.addPixmap(picture);
    }
    return marked;
}
