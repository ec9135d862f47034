#pragma once
// The immediate-mode drawing pass. A skinned window has one drawing function, DoUI, that is run
// to paint, on each animation tick and for each mouse event; every element it calls draws itself
// or answers whether the pointer is on it and what happened. Elements are identified between
// passes by their rectangles.

#include <QString>
#include <functional>
#include <vector>

#include "platform/win_types.h"
#include "toolkit/elements/ui_access.h"
#include "toolkit/elements/ui_rect.h"

class QPainter;
class VWindowImplRoot;

// Describe: nothing is drawn or hit; elements record themselves in `nodes`
// (toolkit/elements/ui_access.h).
enum class UiMode { Paint, Timer, Mouse, Describe };

// Element flags.
constexpr unsigned kUiTakesMouse = 0x1;      // hover, press and click
constexpr unsigned kUiHandCursor = 0x2;      // the hand cursor over it
constexpr unsigned kUiDisabled = 0x4;        // drawn disabled, never takes the mouse
constexpr unsigned kUiClickOnPress = 0x8;    // reports the click when pressed, not on release
constexpr unsigned kUiDefaultButton = 0x10;  // Enter presses it when the keyboard is on nothing

// What the pointer did to an element in a mouse pass.
enum class UiHit {
    NotHit = -1,  // no mouse pass, or the element was not reached
    Nothing = 0,
    Clicked = 1,
    DoubleClicked = 2,
    RightPressed = 5,
    RightReleased = 6,
};

// How an element is drawn.
enum class UiState {
    Normal,
    Hovered,
    Pressed,
    Inactive,  // disabled, or an element that never takes the mouse
};

// One mouse event handed through a pass.
struct UiEvent {
    int x = 0;  // client coordinates
    int y = 0;
    UINT message = 0;    // WM_MOUSEMOVE, WM_LBUTTONDOWN/UP/DBLCLK, WM_RBUTTONDOWN/UP
    UiRect pressed;      // in, for a button release: the rectangle that was pressed
    UiRect rect;         // out: the element that takes the hover or the press
    UiRect tipRect;      // out: the element whose tooltip is offered (it need not take the mouse)
    QString tooltip;     // out: that element's tooltip
    bool hand = false;   // out: the hover element wants the hand cursor
    bool acted = false;  // out: an element reported a click on the press itself
};

class UiContext {
  public:
    QPainter* dc = nullptr;  // only while painting
    VWindowImplRoot* window = nullptr;
    UiMode mode = UiMode::Paint;
    UiRect client;                // the window's client area
    UiRect clip;                  // Paint: the area being painted
    bool wantAnimation = false;   // Paint: set by drawing code that animates
    bool wantMoreTicks = false;   // Timer: set by drawing code that needs another tick
    UiEvent* event = nullptr;     // Mouse
    UiNodeList* nodes = nullptr;  // Describe
    // The window's element state when the pass began.
    UiRect hover;
    UiRect leftPress;
    UiRect rightPress;
    UiRect focus;  // the element the keyboard is on; it draws the focus ring

    // True once an element reported a click: the rest of the pass neither draws nor hits, so
    // that nothing acts on rows or elements the click may have changed.
    bool Finished() const { return finished_; }
    void Finish() { finished_ = true; }

    // Runs `action` after the pass has ended and the window has finished its own bookkeeping,
    // and only while the window still exists. Use it for anything that may destroy the window or
    // change what the pass walks over (closing, removing rows, opening modal dialogs).
    void Later(std::function<void()> action) { later_.push_back(std::move(action)); }
    std::vector<std::function<void()>> TakeLater() { return std::move(later_); }

  private:
    bool finished_ = false;
    std::vector<std::function<void()>> later_;
};

// A rectangle of the window in which elements are placed relative to its origin. Elements
// outside its bounds are neither drawn nor hit.
class UiRegion {
  public:
    // The root region: the whole client area.
    explicit UiRegion(UiContext& context);
    // A nested region at `rect` of its parent (a list row, a panel, a scrolled part).
    UiRegion(const UiRegion& parent, const UiRect& rect, unsigned flags = 0);

    UiContext& ctx;
    int x = 0;  // absolute origin
    int y = 0;
    UiRect bounds;  // absolute; elements are clipped to it
    unsigned flags = 0;

    // The region's own size (before clipping by its parents).
    int Width() const { return width_; }
    int Height() const { return height_; }
    // An element rectangle relative to the region, moved to client coordinates and clipped.
    UiRect Place(const UiRect& rect) const { return rect.Offset(x, y).Intersected(bounds); }

  private:
    int width_ = 0;
    int height_ = 0;
};
