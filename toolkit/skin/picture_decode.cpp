#include "toolkit/skin/picture_decode.h"

#include <cstring>

#include "util/component_registry.h"
#include "util/jpeg_codec.h"
#include "util/png_codec.h"

namespace {

// A 32-bit bitmap has Qt's premultiplied layout; a 24-bit one is blue, green, red.
QImage ImageFromDib(const DibBitmap& dib) {
    if (dib.width <= 0 || dib.height <= 0) return {};
    if (dib.bitsPerPixel == 32) {
        QImage image(dib.width, dib.height, QImage::Format_ARGB32_Premultiplied);
        if (image.isNull()) return {};
        const auto rowBytes = static_cast<std::size_t>(dib.width) * 4;
        for (int y = 0; y < dib.height; ++y)
            std::memcpy(image.scanLine(y), dib.Row(y), rowBytes);
        return image;
    }
    if (dib.bitsPerPixel == 24) {
        QImage rows(dib.Row(0), dib.width, dib.height, static_cast<qsizetype>(dib.stride),
                    QImage::Format_BGR888);
        return rows.convertToFormat(QImage::Format_RGB32);
    }
    return {};
}

// False when the decoder component is not available; `image` is null for data it refused.
bool DecodeWithComponent(const QByteArray& bytes, PictureFormat format, QImage& image) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const auto size = static_cast<std::size_t>(bytes.size());
    DibBitmapPtr dib;
    if (format == PictureFormat::Png) {
        KesPtr<CLibPng> png;
        if (png.Get(CLibPng::kNumber) != S_OK) return false;
        dib = png->DecodePng(data, size);
    } else {
        KesPtr<CJpeg> jpeg;
        if (jpeg.Get(CJpeg::kNumber) != S_OK) return false;
        dib = jpeg->DecodeJpeg(data, size);
    }
    image = dib ? ImageFromDib(*dib) : QImage();
    return true;
}

QImage DecodeWithQt(const QByteArray& bytes) {
    QImage image = QImage::fromData(bytes);
    if (image.isNull()) return {};
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                         : QImage::Format_RGB32);
}

}  // namespace

PictureFormat SniffPictureFormat(const QByteArray& bytes) {
    if (bytes.size() >= 2) {
        const auto first = static_cast<unsigned char>(bytes[0]);
        const auto second = static_cast<unsigned char>(bytes[1]);
        if (first == 0x89 && second == 'P') return PictureFormat::Png;
        if (first == 0xFF && second == 0xD8) return PictureFormat::Jpeg;
        if (first == 'B' && second == 'M') return PictureFormat::Bmp;
    }
    return PictureFormat::Unknown;
}

QImage DecodePicture(const QByteArray& bytes, PictureFormat format) {
    if (bytes.isEmpty()) return {};
    if (format == PictureFormat::Png || format == PictureFormat::Jpeg) {
        QImage image;
        if (DecodeWithComponent(bytes, format, image)) return image;
        // Without the component registry (a tool that never started it) Qt's readers stand in.
    }
    return DecodeWithQt(bytes);
}
