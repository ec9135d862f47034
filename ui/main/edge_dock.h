#pragma once
// Docking the main window to a screen edge: dragged close to the top, bottom, left or right edge
// of the screen it is on, the window sticks to it; docked, it slides out of sight when the
// pointer leaves it (a one-pixel strip stays on screen) and slides back when the pointer touches
// the strip. An edge shared with a neighbouring screen does not dock (the pointer goes on to the
// other screen there).
//
// The unit holds the state and the rules only. The window feeds it its moves, the pointer and its
// two timers, and carries out what it answers:
//   WM_MOVING                 -> OnMoving(rect, pointer, screens): adjusts the proposed rect
//   WM_NCHITTEST              -> OnHitTest(pointer): may start both timers (the slide-in)
//   WM_TIMER kLeaveTimer      -> OnLeaveTick(window rect, pointer): may start the slide-out
//   WM_TIMER kSlideTimer      -> OnSlideTick(window rect): where to move the window, or stop
//   showing the window        -> SlideIn(): slides it back without the leave check
//   signing out               -> Undock(window rect): where the window goes back to, whole
// Rectangles are the window's client area in screen coordinates.

#include <QMargins>
#include <QPoint>
#include <cstdint>
#include <optional>
#include <vector>

#include "toolkit/elements/ui_rect.h"

enum class DockEdge { None = 0, Top = 1, Bottom = 2, Left = 3, Right = 4 };
enum class SlideDirection { Showing = 0, Hiding = 1 };

// One screen of the desktop: its whole area and the part not covered by panels.
struct DockScreen {
    UiRect bounds;
    UiRect workArea;
};

// The timers the window runs for docking, and what to do with them after a call. (Their ids stay
// clear of the toolkit's animation timer, id 1 of every skinned window.)
struct DockTimers {
    static constexpr std::uintptr_t kLeaveTimer = 101;
    static constexpr unsigned kLeavePeriodMs = 200;
    static constexpr std::uintptr_t kSlideTimer = 102;
    static constexpr unsigned kSlidePeriodMs = 5;

    bool startLeave = false;
    bool stopLeave = false;
    bool startSlide = false;
    bool stopSlide = false;
};

// A tick of the slide: the rect to move the window to (without repainting), if it moves.
struct DockSlideStep {
    std::optional<UiRect> moveTo;
    DockTimers timers;
};

class CEdgeDock {
  public:
    static constexpr int kSnapDistance = 60;
    static constexpr int kLeaveMargin = 10;
    static constexpr int kVisibleStrip = 1;
    static constexpr int kInitialHeight = 400;
    static constexpr int kDefaultPanelHeight = 30;
    static constexpr int kSlideSteps = 10;

    // `edgeInset`: how far a docked window reaches past the top edge (its frame's edge).
    // `enabled`: false where the window system does not let a window place itself (Wayland).
    explicit CEdgeDock(int edgeInset = 2, bool enabled = true);

    // A window is being dragged: `rect` is where it would go, `pointer` the pointer, `screens`
    // every screen of the desktop. Docks or undocks and changes `rect` accordingly. The answer
    // says whether the leave timer must stop.
    DockTimers OnMoving(UiRect& rect, QPoint pointer, const std::vector<DockScreen>& screens);
    // The pointer is over the docked window: it slides in and the leave check starts.
    DockTimers OnHitTest(QPoint pointer);
    // The leave timer ticked: once the pointer is away from the window, it slides out.
    DockTimers OnLeaveTick(const UiRect& window, QPoint pointer);
    // The slide timer ticked.
    DockSlideStep OnSlideTick(const UiRect& window);
    // The window is asked to show itself (tray, second instance): a slid-out window slides in.
    DockTimers SlideIn();
    // The window leaves its edge for good (hidden while nobody is signed in): it neither slides
    // nor waits for the pointer any more, and goes back whole onto the screen it was docked to,
    // with its own height again after a side. Nothing to do when it is not docked.
    DockSlideStep Undock(const UiRect& window);

    DockEdge Edge() const { return edge_; }
    bool Docked() const { return edge_ != DockEdge::None; }
    bool Enabled() const { return enabled_; }
    bool LeaveTimerRunning() const { return leaveTimerRunning_; }
    bool AnimationFinished() const { return animationFinished_; }
    SlideDirection Direction() const { return direction_; }
    bool SideDocked() const { return sideDocked_; }
    int RememberedHeight() const { return rememberedHeight_; }
    // The screen docked to (its whole area).
    const UiRect& ScreenBounds() const { return screen_; }
    // How much of `window` lies beyond the docked screen's edges, per side: the part a window
    // that must stay on the screen keeps out of sight.
    QMargins OutOfSight(const UiRect& window) const;

  private:
    void StartSlide(SlideDirection direction);

    bool enabled_;
    int edgeInset_;
    DockEdge edge_ = DockEdge::None;
    bool leaveTimerRunning_ = false;
    int rememberedHeight_ = kInitialHeight;
    bool animationFinished_ = true;
    SlideDirection direction_ = SlideDirection::Showing;
    bool sideDocked_ = false;
    // The screen docked to, and the height of the panel along its bottom.
    UiRect screen_;
    int panelHeight_ = kDefaultPanelHeight;
};

// The screens of the desktop as Qt knows them.
std::vector<DockScreen> DesktopScreens();
// Docking works where a window may place itself: not on Wayland.
bool EdgeDockingAvailable();
