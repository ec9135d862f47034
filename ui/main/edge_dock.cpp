#include "ui/main/edge_dock.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace {

// The screen the pointer is on, else the one the window covers most.
const DockScreen* ScreenUnder(QPoint pointer, const UiRect& window,
                              const std::vector<DockScreen>& screens) {
    for (const DockScreen& screen : screens) {
        if (screen.bounds.Contains(pointer.x(), pointer.y())) return &screen;
    }
    const DockScreen* best = nullptr;
    long long bestArea = 0;
    for (const DockScreen& screen : screens) {
        const UiRect common = screen.bounds.Intersected(window);
        const long long area = static_cast<long long>(common.Width()) * common.Height();
        if (area > bestArea) {
            bestArea = area;
            best = &screen;
        }
    }
    return best;
}

bool Overlap(int start, int end, int otherStart, int otherEnd) {
    return start < otherEnd && otherStart < end;
}

// Whether another screen adjoins `edge` of `bounds`.
bool HasNeighbour(const UiRect& bounds, DockEdge edge, const std::vector<DockScreen>& screens) {
    for (const DockScreen& other : screens) {
        const UiRect& o = other.bounds;
        if (o == bounds) continue;
        switch (edge) {
            case DockEdge::Top:
                if (o.top < bounds.top && o.bottom >= bounds.top &&
                    Overlap(o.left, o.right, bounds.left, bounds.right))
                    return true;
                break;
            case DockEdge::Bottom:
                if (o.bottom > bounds.bottom && o.top <= bounds.bottom &&
                    Overlap(o.left, o.right, bounds.left, bounds.right))
                    return true;
                break;
            case DockEdge::Left:
                if (o.left < bounds.left && o.right >= bounds.left &&
                    Overlap(o.top, o.bottom, bounds.top, bounds.bottom))
                    return true;
                break;
            case DockEdge::Right:
                if (o.right > bounds.right && o.left <= bounds.right &&
                    Overlap(o.top, o.bottom, bounds.top, bounds.bottom))
                    return true;
                break;
            case DockEdge::None:
                break;
        }
    }
    return false;
}

}  // namespace

CEdgeDock::CEdgeDock(int edgeInset, bool enabled) : enabled_(enabled), edgeInset_(edgeInset) {}

DockTimers CEdgeDock::OnMoving(UiRect& rect, QPoint pointer,
                               const std::vector<DockScreen>& screens) {
    DockTimers timers;
    if (!enabled_) return timers;
    const DockScreen* screen = ScreenUnder(pointer, rect, screens);
    if (!screen) return timers;
    const UiRect& bounds = screen->bounds;
    const int w = bounds.Width();
    const int h = bounds.Height();
    const int panel = screen->workArea.IsEmpty()
                          ? kDefaultPanelHeight
                          : std::max(0, bounds.bottom - screen->workArea.bottom);
    const int cx = pointer.x() - bounds.left;
    const int cy = pointer.y() - bounds.top;
    UiRect r = rect.Offset(-bounds.left, -bounds.top);
    const int height = r.Height();
    const int width = r.Width();

    auto dockSide = [&](DockEdge edge) {
        if (!sideDocked_) rememberedHeight_ = height;
        r.left = edge == DockEdge::Left ? 0 : w - width;
        r.right = r.left + width;
        r.top = -edgeInset_;
        r.bottom = h - panel;
        sideDocked_ = true;
        edge_ = edge;
    };

    if (cy <= kSnapDistance && !HasNeighbour(bounds, DockEdge::Top, screens)) {
        r.top = -edgeInset_;
        r.bottom = r.top + height;
        edge_ = DockEdge::Top;
    } else if (cy >= h - panel - kSnapDistance &&
               !HasNeighbour(bounds, DockEdge::Bottom, screens)) {
        r.bottom = h - panel;
        r.top = r.bottom - height;
        edge_ = DockEdge::Bottom;
    } else if (cx < kSnapDistance && !HasNeighbour(bounds, DockEdge::Left, screens)) {
        dockSide(DockEdge::Left);
    } else if (cx >= w - kSnapDistance && !HasNeighbour(bounds, DockEdge::Right, screens)) {
        dockSide(DockEdge::Right);
    } else {
        if (sideDocked_) {
            r.bottom = r.top + rememberedHeight_;
            sideDocked_ = false;
        }
        if (leaveTimerRunning_) {
            leaveTimerRunning_ = false;
            timers.stopLeave = true;
        }
        edge_ = DockEdge::None;
    }
    screen_ = bounds;
    panelHeight_ = panel;
    rect = r.Offset(bounds.left, bounds.top);
    return timers;
}

DockTimers CEdgeDock::OnHitTest(QPoint pointer) {
    DockTimers timers;
    if (!Docked() || leaveTimerRunning_) return timers;
    if (pointer.x() - screen_.left >= screen_.Width() + kLeaveMargin) return timers;
    leaveTimerRunning_ = true;
    StartSlide(SlideDirection::Showing);
    timers.startLeave = true;
    timers.startSlide = true;
    return timers;
}

DockTimers CEdgeDock::OnLeaveTick(const UiRect& window, QPoint pointer) {
    DockTimers timers;
    const UiRect near(window.left - kLeaveMargin, window.top - kLeaveMargin,
                      window.right + kLeaveMargin, window.bottom + kLeaveMargin);
    if (Docked() && leaveTimerRunning_ && near.Contains(pointer.x(), pointer.y())) return timers;
    timers.stopLeave = true;
    const bool wasRunning = leaveTimerRunning_;
    leaveTimerRunning_ = false;
    if (!Docked() || !wasRunning) return timers;
    StartSlide(SlideDirection::Hiding);
    timers.startSlide = true;
    return timers;
}

DockTimers CEdgeDock::SlideIn() {
    DockTimers timers;
    if (!Docked() || !animationFinished_) return timers;
    StartSlide(SlideDirection::Showing);
    timers.startSlide = true;
    return timers;
}

DockSlideStep CEdgeDock::Undock(const UiRect& window) {
    DockSlideStep step;
    if (!Docked()) return step;
    step.timers.stopLeave = true;
    step.timers.stopSlide = true;
    UiRect r = window;
    if (sideDocked_) r.bottom = r.top + rememberedHeight_;
    const int width = r.Width();
    const int height = r.Height();
    const int left =
        std::clamp(r.left, screen_.left, std::max(screen_.left, screen_.right - width));
    const int top = std::clamp(r.top, screen_.top,
                               std::max(screen_.top, screen_.bottom - panelHeight_ - height));
    step.moveTo = UiRect::FromSize(left, top, width, height);
    edge_ = DockEdge::None;
    sideDocked_ = false;
    leaveTimerRunning_ = false;
    animationFinished_ = true;
    direction_ = SlideDirection::Showing;
    return step;
}

void CEdgeDock::StartSlide(SlideDirection direction) {
    animationFinished_ = false;
    direction_ = direction;
}

DockSlideStep CEdgeDock::OnSlideTick(const UiRect& window) {
    DockSlideStep step;
    if (animationFinished_ || !Docked()) {
        animationFinished_ = true;
        step.timers.stopSlide = true;
        return step;
    }
    const int w = screen_.Width();
    const int h = screen_.Height();
    UiRect r = window.Offset(-screen_.left, -screen_.top);
    const int width = r.Width();
    const int height = r.Height();
    const bool vertical = edge_ == DockEdge::Top || edge_ == DockEdge::Bottom;
    const int distance = std::max(1, (vertical ? height : width) / kSlideSteps);
    const bool hiding = direction_ == SlideDirection::Hiding;
    bool done = false;
    // Moves one coordinate by `delta` towards `limit`, stopping there.
    auto advance = [&done](int from, int delta, int limit) {
        const int to = from + delta;
        if ((delta > 0 && to >= limit) || (delta < 0 && to <= limit)) {
            done = true;
            return limit;
        }
        return to;
    };
    switch (edge_) {
        case DockEdge::Top: {
            if (hiding) {
                r.bottom = advance(r.bottom, -distance, kVisibleStrip);
                r.top = r.bottom - height;
            } else {
                r.top = advance(r.top, distance, -edgeInset_);
                r.bottom = r.top + height;
            }
            break;
        }
        case DockEdge::Bottom: {
            r.top = hiding ? advance(r.top, distance, h - kVisibleStrip)
                           : advance(r.top, -distance, h - height);
            r.bottom = r.top + height;
            break;
        }
        case DockEdge::Left: {
            r.right = hiding ? advance(r.right, -distance, kVisibleStrip)
                             : advance(r.right, distance, width);
            r.left = r.right - width;
            r.top = -edgeInset_;
            r.bottom = h - panelHeight_;
            break;
        }
        case DockEdge::Right: {
            r.left = hiding ? advance(r.left, distance, w - kVisibleStrip)
                            : advance(r.left, -distance, w - width);
            r.right = r.left + width;
            r.top = -edgeInset_;
            r.bottom = h - panelHeight_;
            break;
        }
        case DockEdge::None:
            done = true;
            break;
    }
    step.moveTo = r.Offset(screen_.left, screen_.top);
    if (done) {
        animationFinished_ = true;
        step.timers.stopSlide = true;
    }
    return step;
}

QMargins CEdgeDock::OutOfSight(const UiRect& window) const {
    if (screen_.IsEmpty()) return {};
    return QMargins(std::max(0, screen_.left - window.left), std::max(0, screen_.top - window.top),
                    std::max(0, window.right - screen_.right),
                    std::max(0, window.bottom - screen_.bottom));
}

std::vector<DockScreen> DesktopScreens() {
    std::vector<DockScreen> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        screens.push_back({UiRect::FromQRect(screen->geometry()),
                           UiRect::FromQRect(screen->availableGeometry())});
    }
    return screens;
}

bool EdgeDockingAvailable() {
    return QGuiApplication::platformName() != QStringLiteral("wayland");
}
