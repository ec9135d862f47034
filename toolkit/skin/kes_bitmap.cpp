#include "toolkit/skin/kes_bitmap.h"

#include <QFile>
#include <QFileInfo>
#include <QPaintEngine>
#include <QPainter>
#include <cmath>

#include "toolkit/skin/picture_decode.h"
#include "toolkit/skin/skin_directory.h"

namespace {

// Skin pictures are small; anything larger is not one.
constexpr qint64 kMaxPictureBytes = 32 * 1024 * 1024;

QByteArray ReadWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxPictureBytes) return {};
    return file.readAll();
}

// The built-in pictures: their resource file and format.
QString BuiltInPath(int number, bool highDensity) {
    const char* extension = number == 119 ? "bmp" : "png";
    return QStringLiteral(":/skin/builtin/%1%2.%3")
        .arg(number)
        .arg(highDensity ? QStringLiteral("@2x") : QString())
        .arg(QLatin1String(extension));
}

QString HighDensityPath(const QString& path) {
    const int dot = path.lastIndexOf(u'.');
    const int slash = path.lastIndexOf(u'/');
    if (dot <= slash) return path + QStringLiteral("@2x");
    return path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
}

std::uint8_t FormatNumber(PictureFormat format) {
    if (format == PictureFormat::Unknown) return CKesBitmap::kPng;
    return static_cast<std::uint8_t>(format);
}

}  // namespace

CKesBitmap::CKesBitmap(const QString& fileOrName, int frames)
    : frames_(static_cast<std::uint16_t>(std::clamp(frames, 1, 0xFFFF))) {
    path_ = QFileInfo::exists(fileOrName) ? fileOrName : SkinFilePath(fileOrName);
}

CKesBitmap::CKesBitmap(int resourceNumber, int frames)
    : resource_(static_cast<std::uint16_t>(resourceNumber)),
      frames_(static_cast<std::uint16_t>(std::clamp(frames, 1, 0xFFFF))) {}

bool CKesBitmap::EnsureLoaded() {
    if (!loadTried_) {
        loadTried_ = true;
        Load();
    }
    return !image_.isNull();
}

bool CKesBitmap::Load() {
    QByteArray bytes;
    if (resource_ != 0) {
        bytes = ReadWholeFile(BuiltInPath(resource_, false));
    } else if (!path_.isEmpty()) {
        bytes = ReadWholeFile(path_);
    }
    const PictureFormat format = SniffPictureFormat(bytes);
    format_ = FormatNumber(format);
    QImage picture = DecodePicture(bytes, format);
    if (picture.isNull()) return false;  // a missing or broken picture draws nothing

    if (thumbnail_ > 0 && resource_ == 0) {
        QImage square(thumbnail_, thumbnail_, QImage::Format_ARGB32_Premultiplied);
        square.fill(Qt::transparent);
        QPainter painter(&square);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(0, 0, thumbnail_, thumbnail_), picture);
        painter.end();
        picture = square;
    }
    image_ = picture;
    frameWidth_ = image_.width() / frames_;
    frameHeight_ = image_.height();
    perPixelAlpha_ = (image_.width() % frames_ == 0 && image_.hasAlphaChannel()) ? 1 : 0;
    return true;
}

void CKesBitmap::LoadHighDensity() {
    highDensityTried_ = true;
    if (thumbnail_ > 0) return;
    const QString path = resource_ != 0 ? BuiltInPath(resource_, true) : HighDensityPath(path_);
    if (path.isEmpty() || !QFile::exists(path)) return;
    const QByteArray bytes = ReadWholeFile(path);
    QImage picture = DecodePicture(bytes, SniffPictureFormat(bytes));
    // Only an exact double of the 1x picture keeps the frames and cuts in place.
    if (picture.width() != image_.width() * 2 || picture.height() != image_.height() * 2) return;
    if (picture.hasAlphaChannel() != image_.hasAlphaChannel()) return;
    highDensityImage_ = picture;
}

const QImage* CKesBitmap::ImageFor(const QPainter& dc) {
    if (!EnsureLoaded()) return nullptr;
    // The device actually painted on: a widget rendered into a picture paints on the picture.
    const QPaintDevice* device = dc.paintEngine() ? dc.paintEngine()->paintDevice() : dc.device();
    if (!device) device = dc.device();
    if (device && device->devicePixelRatioF() > 1.0) {
        if (!highDensityTried_) LoadHighDensity();
        if (!highDensityImage_.isNull()) return &highDensityImage_;
    }
    return &image_;
}

int CKesBitmap::FrameWidth() {
    EnsureLoaded();
    return frameWidth_;
}

int CKesBitmap::FrameHeight() {
    EnsureLoaded();
    return frameHeight_;
}

bool CKesBitmap::IsEmpty() {
    return !EnsureLoaded() || frameWidth_ <= 0 || frameHeight_ <= 0;
}

bool CKesBitmap::HasPerPixelAlpha() {
    EnsureLoaded();
    return perPixelAlpha_ != 0;
}

std::uint8_t CKesBitmap::Format() {
    EnsureLoaded();
    return format_;
}

void CKesBitmap::CopyPiece(QPainter& dc, const QRect& target, const QRect& source, int frame,
                           bool fullAlpha) {
    if (target.width() <= 0 || target.height() <= 0) return;
    if (source.width() <= 0 || source.height() <= 0) return;
    if (frame < 0 || frame >= frames_) return;
    const QImage* image = ImageFor(dc);
    if (!image || frameWidth_ <= 0) return;
    const int scale = image == &highDensityImage_ ? 2 : 1;
    const QRect pixels((frame * frameWidth_ + source.x()) * scale, source.y() * scale,
                       source.width() * scale, source.height() * scale);

    // Pictures without per-pixel alpha are copied as they are; the others are blended with the
    // constant alpha.
    const qreal opacityBefore = dc.opacity();
    const bool blend = perPixelAlpha_ && !fullAlpha && constantAlpha_ < 255;
    if (blend) dc.setOpacity(opacityBefore * constantAlpha_ / 255.0);
    const QTransform transform = dc.deviceTransform();
    if (transform.type() <= QTransform::TxTranslate && target.size() == pixels.size() &&
        transform.dx() == std::round(transform.dx()) &&
        transform.dy() == std::round(transform.dy())) {
        // At 1x on whole pixels: a plain copy.
        dc.drawImage(target.topLeft(), *image, pixels);
    } else if (transform.type() <= QTransform::TxScale && transform.m11() > 0 &&
               transform.m22() > 0) {
        // The piece lands on whole device pixels: each of its edges is rounded on its own, so
        // pieces that meet share their edge at any scale, and a corner scales exactly as the
        // edge beside it. The pixels come from the piece alone (never from the next frame) and
        // are filtered smoothly once, at the size they are shown.
        const QRectF mapped = transform.mapRect(QRectF(target));
        const QRect device(QPoint(qRound(mapped.left()), qRound(mapped.top())),
                           QPoint(qRound(mapped.right()) - 1, qRound(mapped.bottom()) - 1));
        if (!device.isEmpty()) {
            const QImage* piece = image;
            QRect from = pixels;
            if (device.size() != pixels.size()) {
                piece = &Scaled(*image, pixels, device.size());
                from = piece->rect();
            }
            const bool smooth = dc.testRenderHint(QPainter::SmoothPixmapTransform);
            if (smooth) dc.setRenderHint(QPainter::SmoothPixmapTransform, false);
            dc.drawImage(transform.inverted().mapRect(QRectF(device)), *piece, QRectF(from));
            if (smooth) dc.setRenderHint(QPainter::SmoothPixmapTransform, true);
        }
    } else {
        const bool smooth = dc.testRenderHint(QPainter::SmoothPixmapTransform);
        dc.setRenderHint(QPainter::SmoothPixmapTransform);
        dc.drawImage(target, image->copy(pixels));
        dc.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    }
    if (blend) dc.setOpacity(opacityBefore);
}

const QImage& CKesBitmap::Scaled(const QImage& image, const QRect& pixels, QSize deviceSize) {
    for (const ScaledPiece& piece : scaled_) {
        if (piece.from == &image && piece.pixels == pixels && piece.size == deviceSize) {
            return piece.image;
        }
    }
    constexpr std::size_t kKeptPieces = 48;
    if (scaled_.size() >= kKeptPieces) scaled_.erase(scaled_.begin());
    ScaledPiece piece{
        &image, pixels, deviceSize,
        image.copy(pixels).scaled(deviceSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)};
    scaled_.push_back(std::move(piece));
    return scaled_.back().image;
}

void CKesBitmap::TilePiece(QPainter& dc, const QRect& target, const QRect& source, int frame) {
    if (source.width() <= 0 || source.height() <= 0) return;
    for (int y = target.top(); y < target.top() + target.height(); y += source.height()) {
        const int rows = std::min(source.height(), target.top() + target.height() - y);
        for (int x = target.left(); x < target.left() + target.width(); x += source.width()) {
            const int columns = std::min(source.width(), target.left() + target.width() - x);
            CopyPiece(dc, QRect(x, y, columns, rows), QRect(source.x(), source.y(), columns, rows),
                      frame);
        }
    }
}

void CKesBitmap::DrawFrame(QPainter& dc, int x, int y, int width, int height, int frame) {
    if (!EnsureLoaded()) return;
    CopyPiece(dc, QRect(x, y, width, height), QRect(0, 0, frameWidth_, frameHeight_), frame);
}

void CKesBitmap::DrawFrameRow(QPainter& dc, int x, int y, int width, int frame) {
    if (!EnsureLoaded()) return;
    DrawFrame(dc, x, y, width, frameHeight_, frame);
}

void CKesBitmap::Draw(QPainter& dc, int x, int y, int frame) {
    if (!EnsureLoaded()) return;
    DrawFrame(dc, x, y, frameWidth_, frameHeight_, frame);
}

// ---- three parts, horizontally ----

CKesBitmapHorizen3Part::CKesBitmapHorizen3Part() : CKesBitmap(119, 4), left_(2), right_(3) {}

CKesBitmapHorizen3Part::CKesBitmapHorizen3Part(const QString& fileOrName, int frames, int left,
                                               int right)
    : CKesBitmap(fileOrName, frames), left_(std::max(0, left)), right_(std::max(left_, right)) {}

void CKesBitmapHorizen3Part::DrawPieces(QPainter& dc, int x, int y, int width, int height,
                                        int sourceY, int sourceHeight, int frame,
                                        bool opaqueMiddle) {
    if (!EnsureLoaded()) return;
    const int frameWidth = FrameWidth();
    const int cutLeft = std::min(left_, frameWidth);
    const int cutRight = std::clamp(right_, cutLeft, frameWidth);
    const int rightWidth = frameWidth - cutRight;
    const int middleWidth = width - cutLeft - rightWidth;
    CopyPiece(dc, QRect(x, y, cutLeft, height), QRect(0, sourceY, cutLeft, sourceHeight), frame);
    if (middleWidth > 0) {
        CopyPiece(dc, QRect(x + cutLeft, y, middleWidth, height),
                  QRect(cutLeft, sourceY, cutRight - cutLeft, sourceHeight), frame, opaqueMiddle);
    }
    CopyPiece(dc, QRect(x + width - rightWidth, y, rightWidth, height),
              QRect(cutRight, sourceY, rightWidth, sourceHeight), frame);
}

void CKesBitmapHorizen3Part::DrawFrame(QPainter& dc, int x, int y, int width, int height,
                                       int frame) {
    if (!EnsureLoaded()) return;
    DrawPieces(dc, x, y, width, height, 0, FrameHeight(), frame, false);
}

void CKesBitmapHorizen3Part::DrawFrameRow(QPainter& dc, int x, int y, int width, int frame) {
    if (!EnsureLoaded()) return;
    DrawPieces(dc, x, y, width, FrameHeight(), 0, FrameHeight(), frame, false);
}

void CKesBitmapHorizen3Part::DrawFrameStrip(QPainter& dc, int x, int y, int width, int sourceY,
                                            int sourceHeight, int frame) {
    if (!EnsureLoaded()) return;
    const int top = std::clamp(sourceY, 0, FrameHeight());
    const int rows = std::clamp(sourceHeight, 0, FrameHeight() - top);
    DrawPieces(dc, x, y, width, rows, top, rows, frame, false);
}

void CKesBitmapHorizen3Part::DrawFrameOpaque(QPainter& dc, int x, int y, int width, int frame) {
    if (!EnsureLoaded()) return;
    DrawPieces(dc, x, y, width, FrameHeight(), 0, FrameHeight(), frame, true);
}

// ---- three parts, vertically ----

CKesBitmapVertical3Part::CKesBitmapVertical3Part(const QString& fileOrName, int frames, int top,
                                                 int bottom)
    : CKesBitmap(fileOrName, frames), top_(std::max(0, top)), bottom_(std::max(top_, bottom)) {}

void CKesBitmapVertical3Part::DrawFrame(QPainter& dc, int x, int y, int width, int height,
                                        int frame) {
    if (!EnsureLoaded()) return;
    const int frameWidth = FrameWidth();
    const int frameHeight = FrameHeight();
    const int cutTop = std::min(top_, frameHeight);
    const int cutBottom = std::clamp(bottom_, cutTop, frameHeight);
    const int bottomHeight = frameHeight - cutBottom;
    const int middleHeight = height - cutTop - bottomHeight;
    CopyPiece(dc, QRect(x, y, width, cutTop), QRect(0, 0, frameWidth, cutTop), frame);
    if (middleHeight > 0) {
        CopyPiece(dc, QRect(x, y + cutTop, width, middleHeight),
                  QRect(0, cutTop, frameWidth, cutBottom - cutTop), frame);
    }
    CopyPiece(dc, QRect(x, y + height - bottomHeight, width, bottomHeight),
              QRect(0, cutBottom, frameWidth, bottomHeight), frame);
}

void CKesBitmapVertical3Part::DrawFrameRow(QPainter& dc, int x, int y, int width, int frame) {
    if (!EnsureLoaded()) return;
    DrawFrame(dc, x, y, width, FrameHeight(), frame);
}

// ---- nine parts ----

CKesBitmap9Part::CKesBitmap9Part(const QString& fileOrName, int frames, int left, int right,
                                 int top, int bottom, bool tile, unsigned skipMask,
                                 unsigned fillMask, QColor fillColour)
    : CKesBitmap(fileOrName, frames),
      skipMask_(skipMask),
      tile_(tile),
      left_(std::max(0, left)),
      right_(std::max(left_, right)),
      top_(std::max(0, top)),
      bottom_(std::max(top_, bottom)),
      fillMask_(fillMask),
      fillColour_(fillColour) {}

void CKesBitmap9Part::DrawFrame(QPainter& dc, int x, int y, int width, int height, int frame) {
    if (tile_) {
        DrawFrameTiled(dc, x, y, width, height, frame);
    } else {
        DrawFrameStretched(dc, x, y, width, height, frame);
    }
}

void CKesBitmap9Part::DrawFrameRow(QPainter& dc, int x, int y, int width, int frame) {
    if (!EnsureLoaded()) return;
    DrawFrame(dc, x, y, width, FrameHeight(), frame);
}

void CKesBitmap9Part::DrawFrameTiled(QPainter& dc, int x, int y, int width, int height, int frame) {
    DrawRegions(dc, x, y, width, height, frame, true);
}

void CKesBitmap9Part::DrawFrameStretched(QPainter& dc, int x, int y, int width, int height,
                                         int frame) {
    DrawRegions(dc, x, y, width, height, frame, false);
}

void CKesBitmap9Part::DrawRegions(QPainter& dc, int x, int y, int width, int height, int frame,
                                  bool tile) {
    if (!EnsureLoaded()) return;
    const int frameWidth = FrameWidth();
    const int frameHeight = FrameHeight();
    const int cutLeft = std::min(left_, frameWidth);
    const int cutRight = std::clamp(right_, cutLeft, frameWidth);
    const int cutTop = std::min(top_, frameHeight);
    const int cutBottom = std::clamp(bottom_, cutTop, frameHeight);

    // Source and target edges of the three columns and the three rows.
    const int sourceX[4] = {0, cutLeft, cutRight, frameWidth};
    const int sourceY[4] = {0, cutTop, cutBottom, frameHeight};
    const int targetX[4] = {x, x + cutLeft, x + width - (frameWidth - cutRight), x + width};
    const int targetY[4] = {y, y + cutTop, y + height - (frameHeight - cutBottom), y + height};
    // Which mask bit each cell answers to; corners (0) are always drawn at their own size.
    constexpr unsigned kCellRegion[3][3] = {
        {0, kTop, 0}, {kLeft, kCentre, kRight}, {0, kBottom, 0}};

    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const QRect target(targetX[column], targetY[row], targetX[column + 1] - targetX[column],
                               targetY[row + 1] - targetY[row]);
            if (target.width() <= 0 || target.height() <= 0) continue;
            const QRect source(sourceX[column], sourceY[row], sourceX[column + 1] - sourceX[column],
                               sourceY[row + 1] - sourceY[row]);
            const unsigned region = kCellRegion[row][column];
            if (region & skipMask_) continue;
            if (region & fillMask_) {
                dc.fillRect(target, fillColour_);
            } else if (region != 0 && tile) {
                TilePiece(dc, target, source, frame);
            } else {
                CopyPiece(dc, target, source, frame);
            }
        }
    }
}
