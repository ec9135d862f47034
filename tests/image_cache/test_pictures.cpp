#include "tests/image_cache/test_pictures.h"

#include <QBuffer>
#include <QImage>

namespace lumeno::test {

std::string SolidPicture(int width, int height, std::uint32_t rgb, const char* format) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(rgb | 0xFF000000u));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace lumeno::test
