#pragma once
// The skinned vertical scroll bar. It sits over the right edge of a list (a sibling above it, or
// a child of it) and follows the list's own scroll state through a hook on the list's messages;
// dragging the thumb, clicking the track and turning the wheel send the list WM_VSCROLL.

#include "toolkit/lists/scroll_geometry.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/window/window_impl.h"

// A hook on another window's messages: BeforeMessage may take a message, AfterMessage sees it
// after the window has.
class CDetourWndHelper : public IWindowHook {
  public:
    CDetourWndHelper() = default;
    CDetourWndHelper(const CDetourWndHelper&) = delete;
    CDetourWndHelper& operator=(const CDetourWndHelper&) = delete;
    virtual ~CDetourWndHelper();

    bool AttachDetour(HWND target);
    void DetachDetour();
    HWND DetourTarget() const { return target_; }

  private:
    HWND target_ = nullptr;
};

class CQVScrollBar : public VWindowImpl<CQVScrollBar>, public CDetourWndHelper {
  public:
    static std::string_view WindowClassName() { return "QVScrollBar"; }
    // A quick press and release on the track (at most this long) turns a page.
    static constexpr unsigned long kPageClickMs = 300;

    // The owners use "sb_top.png" as thumb and "sb_back.png" as track.
    void SetThumbImage(CKesBitmap* thumb) { thumb_ = thumb; }
    void SetTrackImage(CKesBitmap* track) { track_ = track; }
    // A hidden child of `parent` (the window that holds the target, or the target itself).
    HWND Create(HWND parent);
    // The bar every list of the client wears (the skin's thumb and track), made in `parent` and
    // attached to `target`.
    bool CreateSkinned(HWND parent, HWND target);
    // Follows `target` from now on.
    virtual bool Attach(HWND target);

    // Reads the target's scroll state; shows or hides the bar; moves the thumb.
    void Synchronise();

    const ScrollInfo& Info() const { return info_; }
    int ThumbTop() const { return thumbTop_; }
    int CurrentThumbHeight() const;
    bool Dragging() const { return dragging_; }
    bool Shown() const { return shown_; }
    int BarWidth();

    void DoUI(UiContext& ctx) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    UiWindowRole WindowRole() const override { return UiWindowRole::ScrollBar; }

  protected:
    LRESULT BeforeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                          bool& handled) override;
    void AfterMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    // Synchronise and repaint at once, unless the target suppresses redrawing.
    void Act();
    void SendPosition(int position);
    void MoveThumbToPosition(int position);
    bool RedrawSuppressed() const { return redrawSuppressed_; }

  private:
    void OnPress(int y);
    void OnDrag(int y);
    void OnRelease(int y);
    void OnBarWheel(int delta);

    CKesBitmap* thumb_ = nullptr;
    CKesBitmap* track_ = nullptr;
    ScrollInfo info_;
    int thumbTop_ = 0;
    int anchorY_ = 0;
    bool dragging_ = false;
    bool pressOnThumb_ = false;
    bool pressed_ = false;
    unsigned long pressTime_ = 0;
    bool shown_ = false;
    bool hovered_ = false;
    bool redrawSuppressed_ = false;
    bool redrawPending_ = false;
};

// The bar of a list: it also places itself along the list's right edge and turns the wheel over
// the list into whole lines.
class CVirtualScrollBar : public CQVScrollBar {
  public:
    // The bar's offsets from the target's top-right corner (owners use 0 and -12).
    void SetOffsets(int horizontal, int vertical) {
        offsetX_ = horizontal;
        offsetY_ = vertical;
    }
    bool Attach(HWND target) override;
    // Puts the bar along the target's right edge, above its siblings.
    void Place();
    int WheelAccumulator() const { return wheel_; }

  protected:
    LRESULT BeforeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                          bool& handled) override;
    void AfterMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    int offsetX_ = 0;
    int offsetY_ = -12;
    int wheel_ = 0;
};
