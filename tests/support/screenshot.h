// Pictures of windows for the README, drawn by the windows themselves at the ordinary scale and
// at twice it (a 2x screen): "<name>.png" and "<name>@2x.png".
#pragma once

#include <QDir>
#include <QImage>
#include <QString>
#include <QWidget>

namespace lumeno::test {

// True when both pictures were drawn and saved into `folder`.
inline bool SaveAtBothScales(QWidget* widget, const QString& folder, const QString& name) {
    if (!widget || widget->size().isEmpty()) return false;
    QDir().mkpath(folder);
    bool saved = true;
    for (const qreal scale : {1.0, 2.0}) {
        QImage image(widget->size() * scale, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::transparent);
        widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        const QString file = name + (scale > 1 ? QStringLiteral("@2x.png") : QStringLiteral(".png"));
        saved = image.save(folder + QStringLiteral("/") + file) && saved;
    }
    return saved;
}

}  // namespace lumeno::test
