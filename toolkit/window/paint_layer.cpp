#include "toolkit/window/paint_layer.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <cmath>
#include <cstring>

namespace {

// One layer serves every window: windows paint one at a time, on the interface thread.
QImage& Layer() {
    static QImage layer;
    return layer;
}

}  // namespace

bool PaintThroughLayer(QPainter& dc, const QRegion& region,
                       const std::function<void(QPainter&)>& paint) {
    static bool busy = false;  // a paint that paints another window paints that one directly
    if (busy || region.rectCount() < 2) return false;
    QPaintEngine* engine = dc.paintEngine();
    QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image) return false;
    const QImage* target = static_cast<const QImage*>(device);
    // The layer takes the format of the paint, so that copying it is a plain copy.
    const QImage::Format format = target->format();
    if (format != QImage::Format_ARGB32_Premultiplied && format != QImage::Format_RGB32) {
        return false;
    }

    // The layer lies pixel for pixel on the paint: the painter may only place the window at a
    // whole device pixel, at the device's own scale.
    const qreal scale = target->devicePixelRatio();
    const QTransform placed = dc.deviceTransform();
    if (placed.type() > QTransform::TxScale || !qFuzzyCompare(placed.m11(), scale) ||
        !qFuzzyCompare(placed.m22(), scale) || placed.dx() != std::round(placed.dx()) ||
        placed.dy() != std::round(placed.dy())) {
        return false;
    }
    const QPoint offset(static_cast<int>(placed.dx()), static_cast<int>(placed.dy()));

    // What is copied, in device pixels: the region, rounded outwards, within the paint's own
    // clip. That clip is exactly what a direct paint could have touched, at any scale.
    QRegion copied;
    for (const QRect& rect : region)
        copied += placed.mapRect(QRectF(rect)).toAlignedRect();
    const QRegion system = engine->systemClip();
    if (!system.isEmpty()) copied &= system;
    copied &= target->rect();
    if (copied.isEmpty()) return true;

    const QRect bounds = copied.boundingRect().translated(-offset);
    if (bounds.left() < 0 || bounds.top() < 0) return false;
    QImage& layer = Layer();
    if (layer.width() <= bounds.right() || layer.height() <= bounds.bottom() ||
        layer.devicePixelRatio() != scale || layer.format() != format) {
        layer =
            QImage(QSize(bounds.right() + 1, bounds.bottom() + 1).expandedTo(layer.size()), format);
        if (layer.isNull()) return false;
        layer.setDevicePixelRatio(scale);
    }
    // Only what is copied needs to start out clear, not the holes.
    for (const QRect& rect : copied) {
        const QRect area = rect.translated(-offset);
        for (int y = area.top(); y <= area.bottom(); ++y) {
            std::memset(layer.scanLine(y) + area.left() * 4, 0,
                        static_cast<std::size_t>(area.width()) * 4);
        }
    }
    busy = true;
    {
        QPainter painter(&layer);
        painter.setClipRect(QRectF(bounds.topLeft() / scale, bounds.size() / scale)
                                .toAlignedRect()
                                .adjusted(-1, -1, 1, 1));
        painter.setRenderHints(dc.renderHints());
        paint(painter);
    }
    busy = false;

    // The layer holds what the window would have painted, transparent where it painted nothing.
    // It is drawn over the paint in device pixels, one rectangle at a time: each a plain copy or
    // blend on the painter's fast path.
    const QImage pixels(layer.constBits(), layer.width(), layer.height(), layer.bytesPerLine(),
                        layer.format());
    dc.save();
    dc.setWorldTransform(placed.inverted() * dc.worldTransform());
    dc.setCompositionMode(QPainter::CompositionMode_SourceOver);
    for (const QRect& rect : copied) {
        dc.setClipRect(rect);
        dc.drawImage(QPointF(offset), pixels);
    }
    dc.restore();
    return true;
}
