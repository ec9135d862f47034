#include "platform/picture_file.h"

#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSaveFile>
#include <QString>

namespace platform {

std::optional<PictureSize> ReadPictureSize(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) return std::nullopt;
    return PictureSize{size.width(), size.height()};
}

bool WriteScaledJpeg(const std::string& source, const std::string& target, int width, int height) {
    if (width <= 0 || height <= 0) return false;
    QImageReader reader(QString::fromStdString(source));
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) return false;
    QImage scaled = image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.hasAlphaChannel()) {
        // JPEG has no transparency: put the picture on white rather than black.
        QImage flat(scaled.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, scaled);
        painter.end();
        scaled = flat;
    }
    QSaveFile file(QString::fromStdString(target));
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (!scaled.save(&file, "JPEG", 90)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace platform
