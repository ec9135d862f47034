#include "platform/picture.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <cstring>

namespace platform {
namespace {

DibBitmapPtr FromImage(const QImage& source) {
    if (source.isNull()) return nullptr;
    const QImage image = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    auto bitmap = std::make_unique<DibBitmap>();
    bitmap->width = image.width();
    bitmap->height = image.height();
    bitmap->bitsPerPixel = 32;
    bitmap->stride = DibStride(image.width(), 4);
    bitmap->bits.resize(bitmap->stride * static_cast<std::size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(bitmap->Row(y), image.constScanLine(y), bitmap->stride);
    return bitmap;
}

// A view of the bitmap's bits; valid while the bitmap lives.
QImage ViewOf(const DibBitmap& bitmap) {
    const QImage::Format format =
        bitmap.bitsPerPixel == 32 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_BGR888;
    return QImage(bitmap.bits.data(), bitmap.width, bitmap.height,
                  static_cast<qsizetype>(bitmap.stride), format);
}

bool Usable(const DibBitmap& bitmap) {
    return bitmap.width > 0 && bitmap.height > 0 &&
           (bitmap.bitsPerPixel == 32 || bitmap.bitsPerPixel == 24) &&
           bitmap.bits.size() >= bitmap.stride * static_cast<std::size_t>(bitmap.height);
}

}  // namespace

PictureType PictureTypeOf(std::string_view bytes) {
    if (bytes.size() < 2) return kPictureUnknown;
    const auto first = static_cast<unsigned char>(bytes[0]);
    const auto second = static_cast<unsigned char>(bytes[1]);
    if (first == 0x89 && second == 'P') return kPicturePng;
    if (first == 0xFF && second == 0xD8) return kPictureJpeg;
    if (first == 'B' && second == 'M') return kPictureBmp;
    return kPictureUnknown;
}

DibBitmapPtr DecodePicture(std::string_view bytes, int size) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize full = reader.size();
    if (!full.isValid() || full.isEmpty() ||
        static_cast<std::size_t>(full.width()) * static_cast<std::size_t>(full.height()) >
            kMaxDecodedPixels) {
        return nullptr;
    }
    QImage image;
    if (!reader.read(&image)) return nullptr;
    if (size > 0) {
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                    .scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return FromImage(image);
}

DibBitmapPtr ComposeTile(int size, std::uint32_t background, const std::vector<TilePiece>& pieces) {
    if (size <= 0) return nullptr;
    QImage tile(size, size, QImage::Format_ARGB32_Premultiplied);
    tile.fill(QColor::fromRgb(static_cast<QRgb>(background | 0xFF000000u)));
    {
        QPainter painter(&tile);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        for (const TilePiece& piece : pieces) {
            if (!piece.picture || !Usable(*piece.picture)) continue;
            painter.drawImage(
                QRect(piece.left, piece.top, piece.right - piece.left, piece.bottom - piece.top),
                ViewOf(*piece.picture));
        }
    }
    return FromImage(tile);
}

std::string EncodeJpeg(const DibBitmap& bitmap, int quality) {
    if (!Usable(bitmap)) return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QImage opaque = ViewOf(bitmap).convertToFormat(QImage::Format_RGB32);
    if (!opaque.save(&buffer, "JPG", quality)) return {};
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace platform
