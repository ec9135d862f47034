// Tab and Shift+Tab: the ring of places the keyboard can stop at in a window. The ring holds the
// drawn elements that take the mouse, of the window and of the child windows it shows, and the
// native widgets the window named as taking the keyboard themselves (input boxes, a page's list).
#include <QApplication>
#include <QPointer>
#include <algorithm>

#include "toolkit/window/window_root.h"
#include "toolkit/window/window_surface.h"

namespace {

// One place the keyboard can stop at: an element of a window, or a widget of its own.
struct FocusStop {
    VWindowImplRoot* window = nullptr;
    UiRect rect;                // the drawn element, in the window's client coordinates
    QWidget* widget = nullptr;  // or the widget that takes the keyboard itself
    QPoint at;                  // the stop's top-left corner on the screen
};

// The window a child belongs to for Tab: the nearest skinned window above its surface.
VWindowImplRoot* ParentRootOf(const QWidget* surface) {
    for (QWidget* up = surface ? surface->parentWidget() : nullptr; up; up = up->parentWidget()) {
        if (auto* parent = qobject_cast<VSurface*>(up)) return parent->Root();
        if (up->isWindow()) break;
    }
    return nullptr;
}

void AddOwnStops(VWindowImplRoot& window, std::vector<FocusStop>& stops) {
    QWidget* surface = window.Surface();
    if (!surface) return;
    const QPoint origin = window.ClientOrigin();
    for (const UiNode& node : window.Describe()) {
        if (Has(node.states, UiNodeState::Focusable) && !Has(node.states, UiNodeState::Disabled)) {
            stops.push_back({&window, node.rect, nullptr,
                             surface->mapToGlobal(origin + QPoint(node.rect.left, node.rect.top))});
        }
    }
}

void AddWidgetStops(VWindowImplRoot& window, const QWidget* top, std::vector<FocusStop>& stops) {
    for (const QPointer<QWidget>& widget : window.FocusWidgets()) {
        if (!widget || !widget->isEnabled() || !widget->isVisibleTo(top)) continue;
        stops.push_back({&window, UiRect(), widget, widget->mapToGlobal(QPoint(0, 0))});
    }
}

}  // namespace

void VWindowImplRoot::AddFocusWidget(QWidget* widget) {
    if (!widget) return;
    for (const QPointer<QWidget>& known : focusWidgets_)
        if (known == widget) return;
    focusWidgets_.emplace_back(widget);
}

bool VWindowImplRoot::MoveFocus(bool forward) {
    // The ring is the whole window: the top window's own elements, then those of the child
    // windows it shows (a card list, a member list), in the order they were made.
    VWindowImplRoot* top = this;
    while (!top->topLevel_) {
        VWindowImplRoot* parent = ParentRootOf(top->surface_);
        if (!parent) break;
        top = parent;
    }
    QWidget* topSurface = top->surface_;
    std::vector<FocusStop> stops;
    std::vector<VWindowImplRoot*> windows{top};
    AddOwnStops(*top, stops);
    if (topSurface) {
        for (VSurface* child : topSurface->findChildren<VSurface*>()) {
            if (child->isWindow() || !child->isVisibleTo(topSurface) || !child->Root()) continue;
            windows.push_back(child->Root());
            AddOwnStops(*child->Root(), stops);
        }
    }
    const std::size_t drawn = stops.size();
    for (VWindowImplRoot* window : windows) {
        if (topSurface) AddWidgetStops(*window, topSurface, stops);
    }
    if (stops.empty()) return false;
    if (stops.size() > drawn) {
        // Boxes and lists stand among the drawn elements: the ring runs in reading order, top
        // to bottom and, along a line, left to right.
        std::stable_sort(stops.begin(), stops.end(), [](const FocusStop& a, const FocusStop& b) {
            return a.at.y() != b.at.y() ? a.at.y() < b.at.y() : a.at.x() < b.at.x();
        });
    }

    // Where the keyboard is now: in one of the widgets, or on an element of this window.
    const QWidget* focused = QApplication::focusWidget();
    auto at = std::find_if(stops.begin(), stops.end(), [focused](const FocusStop& stop) {
        return stop.widget && focused &&
               (stop.widget == focused || stop.widget->isAncestorOf(focused));
    });
    if (at == stops.end()) {
        at = std::find_if(stops.begin(), stops.end(), [this](const FocusStop& stop) {
            return !stop.widget && stop.window == this && !focus_.IsEmpty() && stop.rect == focus_;
        });
    }
    const auto count = static_cast<int>(stops.size());
    int next = 0;
    if (at == stops.end()) {
        next = forward ? 0 : count - 1;
    } else {
        const int index = static_cast<int>(at - stops.begin());
        next = (index + (forward ? 1 : count - 1)) % count;
    }
    const FocusStop& stop = stops[static_cast<std::size_t>(next)];
    // One ring at a time: the element that had it lets it go.
    for (VWindowImplRoot* window : windows) {
        if (stop.widget || window != stop.window) window->SetFocusElement(UiRect());
    }
    if (stop.widget) {
        stop.widget->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    } else {
        stop.window->SetFocusElement(stop.rect);
    }
    return true;
}
