#include "toolkit/window/wnd_shadow.h"

#include <QPaintEngine>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cstring>
#include <map>

#include "toolkit/window/compositor.h"

namespace {

struct ProcessShadows {
    bool initialized = false;
    bool on = false;
    std::map<HWND, CWndShadow*> windows;
};

ProcessShadows& Shadows() {
    static ProcessShadows shadows;
    return shadows;
}

// Pictures beyond this many pixels are not made; the previous one stays.
constexpr long long kMaxShadowPixels = 16384LL * 16384LL;

}  // namespace

bool CWndShadow::Initialize() {
    ProcessShadows& shadows = Shadows();
    if (shadows.initialized) return false;
    shadows.initialized = true;
    shadows.on = CompositorAvailable();
    return shadows.on;
}

bool CWndShadow::ShadowsOn() {
    return Shadows().on;
}

CWndShadow* CWndShadow::Of(HWND window) {
    auto& windows = Shadows().windows;
    auto found = windows.find(window);
    return found == windows.end() ? nullptr : found->second;
}

CWndShadow::~CWndShadow() {
    if (!window_) return;
    if (auto* root = VWindow(window_).Root()) {
        root->RemoveHook(this);
        root->ForgetShadow(this);
    }
    Forget();
}

void CWndShadow::Forget() {
    auto& windows = Shadows().windows;
    auto found = windows.find(window_);
    if (found != windows.end() && found->second == this) windows.erase(found);
    window_ = nullptr;
    status_ = 0;
}

void CWndShadow::Create(HWND window) {
    if (!Shadows().on || window_) return;
    VWindowImplRoot* root = VWindow(window).Root();
    if (!root || !root->IsTopLevel() || !root->IsTranslucent()) return;
    Shadows().windows[window] = this;
    window_ = window;
    status_ = kEnabled;  // enabled, not shown yet
    root->AddHook(this);
    const int size = params_.size;
    root->SetShadow(
        this, QMargins(std::max(0, size - params_.offsetX), std::max(0, size - params_.offsetY),
                       std::max(0, size + params_.offsetX), std::max(0, size + params_.offsetY)));
}

LRESULT CWndShadow::BeforeMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = false;
    if (!(status_ & kEnabled)) return 0;
    switch (message) {
        case WM_DESTROY:
            Forget();
            break;
        case WM_SIZE:
            OnSize(wParam, lParam);
            break;
        case WM_PAINT:
            if (updatePending_) {
                Update(false);
                updatePending_ = false;
            }
            break;
        case WM_EXITSIZEMOVE:
            if (status_ & kShown) Update(true);
            break;
        default:
            break;
    }
    return 0;
}

void CWndShadow::AfterMessage(HWND, UINT message, WPARAM wParam, LPARAM) {
    // Showing and hiding follow the window's own handling of WM_SHOWWINDOW.
    if (message != WM_SHOWWINDOW || !(status_ & kEnabled)) return;
    if (wParam) {
        status_ |= kShown;
        updatePending_ = true;
        Update(true);
    } else {
        status_ &= static_cast<std::uint8_t>(~kShown);
    }
}

void CWndShadow::OnSize(WPARAM kind, LPARAM size) {
    if (kind == SIZE_MAXIMIZED || kind == SIZE_MINIMIZED) {
        status_ &= static_cast<std::uint8_t>(~kShown);
        Update(false);
        lastSize_ = size;
        return;
    }
    if (!VWindow(window_).IsWindowVisible()) {
        lastSize_ = size;
        return;
    }
    const int width = LOWORD(static_cast<std::uintptr_t>(size));
    const int height = HIWORD(static_cast<std::uintptr_t>(size));
    const int lastWidth = LOWORD(static_cast<std::uintptr_t>(lastSize_));
    const int lastHeight = HIWORD(static_cast<std::uintptr_t>(lastSize_));
    if (status_ & kShown) {
        if (width <= lastWidth && height <= lastHeight) {
            lastSize_ = size;
            Update(true);
        } else {
            // Growing: the window paints first, the shadow follows at that paint.
            updatePending_ = true;
            lastSize_ = size;
        }
    } else {
        status_ |= kShown;
        lastSize_ = size;
        Update(true);
        updatePending_ = true;
    }
}

QImage CWndShadow::Build(qreal scale) const {
    VWindowImplRoot* root = VWindow(window_).Root();
    if (!root) return {};
    const int width = LOWORD(static_cast<std::uintptr_t>(lastSize_));
    const int height = HIWORD(static_cast<std::uintptr_t>(lastSize_));
    // At a device scale above 1 the picture is made at that scale, not stretched from 1x.
    ShadowParams params = params_;
    params.size = qRound(params_.size * scale);
    params.sharpness = qRound(params_.sharpness * scale);
    params.offsetX = qRound(params_.offsetX * scale);
    params.offsetY = qRound(params_.offsetY * scale);
    const int deviceWidth = qRound(width * scale);
    const int deviceHeight = qRound(height * scale);
    const long long pixels =
        static_cast<long long>(deviceWidth + 2 * params.size) * (deviceHeight + 2 * params.size);
    if (deviceWidth <= 0 || deviceHeight <= 0 || pixels > kMaxShadowPixels) return {};

    std::vector<LineSpan> spans(static_cast<std::size_t>(deviceHeight));
    for (int y = 0; y < deviceHeight; ++y) {
        int start = 0;
        int end = 0;
        root->ShapeSpan(std::min(height - 1, static_cast<int>((y + 0.5) / scale)), start, end);
        spans[y].start = qRound(start * scale);
        spans[y].end = std::min(deviceWidth, qRound(end * scale));
    }
    const std::vector<std::uint32_t> values =
        ComputeShadowPixels(deviceWidth, deviceHeight, spans, params);
    if (values.empty()) return {};
    const int shadowWidth = deviceWidth + 2 * params.size;
    const int shadowHeight = deviceHeight + 2 * params.size;
    QImage picture(shadowWidth, shadowHeight, QImage::Format_ARGB32_Premultiplied);
    if (picture.isNull()) return {};
    for (int y = 0; y < shadowHeight; ++y) {
        std::memcpy(picture.scanLine(y), values.data() + static_cast<std::size_t>(y) * shadowWidth,
                    static_cast<std::size_t>(shadowWidth) * 4);
    }
    picture.setDevicePixelRatio(scale);
    return picture;
}

void CWndShadow::Update(bool invalidate) {
    VWindowImplRoot* root = VWindow(window_).Root();
    if (!root) return;
    QImage picture = Build(1.0);
    if (picture.isNull()) return;  // keep the previous shadow
    picture_ = std::move(picture);
    scaledPicture_ = QImage();
    ++updateCount_;
    if (invalidate) {
        if (QWidget* widget = root->Surface()) widget->update();
    }
}

const QImage& CWndShadow::PictureAt(qreal scale) {
    if (scale <= 1.0 || picture_.isNull()) return picture_;
    if (scaledPicture_.isNull() || scaledPicture_.devicePixelRatio() != scale) {
        QImage built = Build(scale);
        if (built.isNull()) return picture_;
        scaledPicture_ = std::move(built);
    }
    return scaledPicture_;
}

void CWndShadow::PaintShadow(QPainter& dc, QPoint clientOrigin) {
    if (!(status_ & kShown) || picture_.isNull()) return;
    const QPaintDevice* device = dc.paintEngine() ? dc.paintEngine()->paintDevice() : dc.device();
    const QImage& picture = PictureAt(device ? device->devicePixelRatioF() : 1.0);
    const qreal scale = picture.devicePixelRatio();
    const QPointF origin = QPointF(clientOrigin + PictureOffset());
    VWindowImplRoot* root = VWindow(window_).Root();
    const int width = LOWORD(static_cast<std::uintptr_t>(lastSize_));
    const int height = HIWORD(static_cast<std::uintptr_t>(lastSize_));
    const int radius = root ? std::min({root->CornerRadius(), width / 2, height / 2}) : 0;
    // The window's body within the picture. Under it the shadow is empty and is not drawn.
    const QRect body(params_.size - params_.offsetX, params_.size - params_.offsetY, width, height);
    const QRect whole(QPoint(0, 0), (QSizeF(picture.size()) / scale).toSize());
    const auto draw = [&](const QRect& part) {
        if (part.isEmpty()) return;
        const QRectF source(part.x() * scale, part.y() * scale, part.width() * scale,
                            part.height() * scale);
        const QRectF target(origin + QPointF(part.topLeft()), QSizeF(part.size()));
        // A clip of one rectangle keeps the painter on its fast path even when the paint's own
        // clip has holes (for child windows that paint themselves).
        dc.save();
        dc.setClipRect(target, Qt::IntersectClip);
        dc.drawImage(target, picture, source);
        dc.restore();
    };
    if (body.isEmpty() || !whole.contains(body)) {
        dc.setCompositionMode(QPainter::CompositionMode_DestinationOver);
        dc.drawImage(origin, picture);
        return;
    }
    // Around the body the window has drawn nothing, so the shadow is simply drawn over it: that
    // takes the painter's fast path, where blending beneath would go row by row.
    dc.setCompositionMode(QPainter::CompositionMode_SourceOver);
    draw(QRect(0, 0, whole.width(), body.top()));
    draw(QRect(0, body.bottom() + 1, whole.width(), whole.height() - body.bottom() - 1));
    draw(QRect(0, body.top(), body.left(), body.height()));
    draw(QRect(body.right() + 1, body.top(), whole.width() - body.right() - 1, body.height()));
    // Only the cut corners let the shadow show through the body: blend it beneath them.
    if (radius <= 0) return;
    dc.setCompositionMode(QPainter::CompositionMode_DestinationOver);
    draw(QRect(body.left(), body.top(), radius, radius));
    draw(QRect(body.right() + 1 - radius, body.top(), radius, radius));
    draw(QRect(body.left(), body.bottom() + 1 - radius, radius, radius));
    draw(QRect(body.right() + 1 - radius, body.bottom() + 1 - radius, radius, radius));
}
