#include "toolkit/wnd_shadow.h"

#include <QPainter>
#include <QWidget>
#include <cstring>
#include <map>

#include "toolkit/compositor.h"

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

void CWndShadow::Update(bool invalidate) {
    VWindowImplRoot* root = VWindow(window_).Root();
    if (!root) return;
    const int width = LOWORD(static_cast<std::uintptr_t>(lastSize_));
    const int height = HIWORD(static_cast<std::uintptr_t>(lastSize_));
    const long long pixels =
        static_cast<long long>(width + 2 * params_.size) * (height + 2 * params_.size);
    if (width <= 0 || height <= 0 || pixels > kMaxShadowPixels) return;

    std::vector<LineSpan> spans(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        root->ShapeSpan(y, spans[y].start, spans[y].end);
    const std::vector<std::uint32_t> values = ComputeShadowPixels(width, height, spans, params_);
    if (values.empty()) return;
    const int shadowWidth = width + 2 * params_.size;
    const int shadowHeight = height + 2 * params_.size;
    QImage picture(shadowWidth, shadowHeight, QImage::Format_ARGB32_Premultiplied);
    if (picture.isNull()) return;  // keep the previous shadow
    for (int y = 0; y < shadowHeight; ++y) {
        std::memcpy(picture.scanLine(y), values.data() + static_cast<std::size_t>(y) * shadowWidth,
                    static_cast<std::size_t>(shadowWidth) * 4);
    }
    picture_ = std::move(picture);
    ++updateCount_;
    if (invalidate) {
        if (QWidget* widget = root->Surface()) widget->update();
    }
}

void CWndShadow::PaintShadow(QPainter& dc, QPoint clientOrigin) {
    if (!(status_ & kShown) || picture_.isNull()) return;
    dc.drawImage(clientOrigin + PictureOffset(), picture_);
}
