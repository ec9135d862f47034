#pragma once
// The soft drop shadow of a borderless top-level window. It is painted inside the window's own
// transparent margin (a separate window could not be kept under another one on every window
// system), so it moves, shows and hides with the window by itself. Without a compositing
// manager there are no shadows at all and windows work without them.

#include <QImage>
#include <QPoint>
#include <cstdint>

#include "toolkit/window/shadow_kernel.h"
#include "toolkit/window/window_root.h"

class CWndShadow : public IWindowHook, public IWindowShadowPainter {
  public:
    enum Status : std::uint8_t { kEnabled = 1, kShown = 2 };

    CWndShadow() = default;
    CWndShadow(const CWndShadow&) = delete;
    CWndShadow& operator=(const CWndShadow&) = delete;
    virtual ~CWndShadow();

    // Once per process, at start-up: false (and shadows stay off) when it already ran or no
    // compositing manager runs.
    static bool Initialize();
    static bool ShadowsOn();

    // Gives a top-level skinned window its shadow (in its WM_CREATE). Nothing when shadows are
    // off or the window cannot be translucent.
    void Create(HWND window);

    // The client's windows all use darkness 75, sharpness 5, size 5, offset (0, 2), black.
    void SetDarkness(int darkness) { params_.darkness = std::clamp(darkness, 0, 255); }
    void SetSharpness(int sharpness) { params_.sharpness = std::clamp(sharpness, 0, 255); }
    void SetSize(int size) { params_.size = std::clamp(size, -128, 127); }
    void SetPosition(int x, int y) {
        params_.offsetX = std::clamp(x, -128, 127);
        params_.offsetY = std::clamp(y, -128, 127);
    }
    void SetColour(QRgb colour) { params_.colour = colour; }

    std::uint8_t StatusBits() const { return status_; }
    bool IsShown() const { return status_ & kShown; }
    bool UpdatePending() const { return updatePending_; }
    // How many times the shadow picture was made.
    int UpdateCount() const { return updateCount_; }
    // The shadow picture and where it sits relative to the window's client area.
    const QImage& Picture() const { return picture_; }
    QPoint PictureOffset() const {
        return {params_.offsetX - params_.size, params_.offsetY - params_.size};
    }
    // The shadow of a window (tests).
    static CWndShadow* Of(HWND window);

  private:
    LRESULT BeforeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                          bool& handled) override;
    void AfterMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    void PaintShadow(QPainter& dc, QPoint clientOrigin) override;
    void OnSize(WPARAM kind, LPARAM size);
    // Makes the picture for the window's current size and shape.
    void Update(bool invalidate);
    // The picture at a device scale (made at that scale, once).
    QImage Build(qreal scale) const;
    const QImage& PictureAt(qreal scale);
    void Forget();

    HWND window_ = nullptr;
    std::uint8_t status_ = 0;
    ShadowParams params_;
    LPARAM lastSize_ = 0;
    bool updatePending_ = false;
    int updateCount_ = 0;
    QImage picture_;
    QImage scaledPicture_;
};
