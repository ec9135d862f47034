#include "toolkit/elements/panel_draw.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <cmath>

namespace {

struct CornerKey {
    QRgb fill = 0;
    QRgb border = 0;
    int radius = 0;
    int scale = 100;  // percent
    bool operator==(const CornerKey&) const = default;
};
size_t qHash(const CornerKey& key, size_t seed = 0) {
    return qHashMulti(seed, key.fill, key.border, key.radius, key.scale);
}

// The whole panel at its smallest: its four corners and one pixel of each straight part.
const QImage& Corners(const CornerKey& key, qreal scale) {
    static auto* cache = new QHash<CornerKey, QImage>;
    auto found = cache->constFind(key);
    if (found != cache->constEnd()) return *found;
    const int side = 2 * key.radius + 1;
    QImage image(QSize(side, side) * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor::fromRgba(key.border), 1));
    painter.setBrush(QColor::fromRgba(key.fill));
    painter.drawRoundedRect(QRectF(0.5, 0.5, side - 1, side - 1), key.radius, key.radius);
    painter.end();
    return *cache->insert(key, image);
}

bool OnWholePixels(const QTransform& transform) {
    if (transform.type() > QTransform::TxScale || transform.m11() != transform.m22()) return false;
    const qreal scale = transform.m11();
    return scale > 0 && std::abs(scale - std::round(scale)) < 1e-9 &&
           std::abs(transform.dx() - std::round(transform.dx())) < 1e-9 &&
           std::abs(transform.dy() - std::round(transform.dy())) < 1e-9;
}

}  // namespace

void DrawRoundedPanel(QPainter& dc, const QRect& rect, const QColor& fill, const QColor& border,
                      int radius) {
    const int r = std::max(0, std::min({radius, (rect.width() - 1) / 2, (rect.height() - 1) / 2}));
    if (rect.isEmpty()) return;
    if (!OnWholePixels(dc.deviceTransform()) || r == 0) {
        dc.save();
        dc.setRenderHint(QPainter::Antialiasing);
        dc.setPen(QPen(border, 1));
        dc.setBrush(fill);
        dc.drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), r, r);
        dc.restore();
        return;
    }
    const qreal scale = dc.deviceTransform().m11();
    const QImage& corners = Corners({fill.rgba(), border.rgba(), r, qRound(scale * 100)}, scale);
    const int s = qRound(scale);
    const int x0 = rect.left();
    const int y0 = rect.top();
    const int x1 = rect.left() + rect.width() - r;  // where the right corners start
    const int y1 = rect.top() + rect.height() - r;  // where the bottom corners start
    const int middleWidth = x1 - (x0 + r);
    const int middleHeight = y1 - (y0 + r);
    // Corners.
    dc.drawImage(QRect(x0, y0, r, r), corners, QRect(0, 0, r * s, r * s));
    dc.drawImage(QRect(x1, y0, r, r), corners, QRect((r + 1) * s, 0, r * s, r * s));
    dc.drawImage(QRect(x0, y1, r, r), corners, QRect(0, (r + 1) * s, r * s, r * s));
    dc.drawImage(QRect(x1, y1, r, r), corners, QRect((r + 1) * s, (r + 1) * s, r * s, r * s));
    // The straight borders and the middle.
    if (middleWidth > 0) {
        dc.fillRect(QRect(x0 + r, y0, middleWidth, 1), border);
        dc.fillRect(QRect(x0 + r, y1 + r - 1, middleWidth, 1), border);
        dc.fillRect(QRect(x0 + r, y0 + 1, middleWidth, r - 1), fill);
        dc.fillRect(QRect(x0 + r, y1, middleWidth, r - 1), fill);
    }
    if (middleHeight > 0) {
        dc.fillRect(QRect(x0, y0 + r, 1, middleHeight), border);
        dc.fillRect(QRect(x1 + r - 1, y0 + r, 1, middleHeight), border);
        dc.fillRect(QRect(x0 + 1, y0 + r, rect.width() - 2, middleHeight), fill);
    }
}

void DrawRoundedEdge(QPainter& dc, const QRect& rect, const QColor& edge, int radius) {
    if (rect.isEmpty()) return;
    const int r = std::max(0, std::min({radius, (rect.width() - 1) / 2, (rect.height() - 1) / 2}));
    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, r > 0);
    dc.setPen(QPen(edge, 1));
    dc.setBrush(Qt::NoBrush);
    dc.drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), r, r);
    dc.restore();
}
