#include "toolkit/window/surface_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <vector>

#include "toolkit/window/window_surface.h"

namespace {

QAccessible::Role RoleOf(UiRole role) {
    switch (role) {
        case UiRole::Button:
            return QAccessible::PushButton;
        case UiRole::CheckBox:
            return QAccessible::CheckBox;
        case UiRole::RadioButton:
            return QAccessible::RadioButton;
        case UiRole::Link:
            return QAccessible::Link;
        case UiRole::Text:
            return QAccessible::StaticText;
        case UiRole::Image:
            return QAccessible::Graphic;
        case UiRole::List:
            return QAccessible::List;
        case UiRole::ListItem:
            return QAccessible::ListItem;
    }
    return QAccessible::NoRole;
}

QAccessible::Role RoleOf(UiWindowRole role) {
    switch (role) {
        case UiWindowRole::Window:
            return QAccessible::Window;
        case UiWindowRole::Dialog:
            return QAccessible::Dialog;
        case UiWindowRole::Pane:
            return QAccessible::Pane;
        case UiWindowRole::List:
            return QAccessible::List;
        case UiWindowRole::ScrollBar:
            return QAccessible::ScrollBar;
    }
    return QAccessible::Client;
}

// Bumped whenever any window may show something else: a window's description is made again on
// the next question after that.
std::uint64_t& Generation() {
    static std::uint64_t generation = 1;
    return generation;
}

VWindowImplRoot* RootOf(const QPointer<VSurface>& surface) {
    return surface ? surface->Root() : nullptr;
}

// One drawn element of a window.
class DrawnAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
  public:
    DrawnAccessible(VSurface* surface, const UiNode& node) : surface_(surface), node_(node) {}

    const UiNode& Node() const { return node_; }
    void SetNode(const UiNode& node) { node_ = node; }

    bool isValid() const override { return RootOf(surface_) != nullptr; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return surface_ ? surface_->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return surface_ ? QAccessible::queryAccessibleInterface(surface_.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Name ? node_.name : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        VWindowImplRoot* root = RootOf(surface_);
        if (!root) return {};
        const QPoint topLeft =
            surface_->mapToGlobal(root->ClientOrigin() + QPoint(node_.rect.left, node_.rect.top));
        return QRect(topLeft, QSize(node_.rect.Width(), node_.rect.Height()));
    }
    QAccessible::Role role() const override { return RoleOf(node_.role); }
    QAccessible::State state() const override {
        QAccessible::State state;
        VWindowImplRoot* root = RootOf(surface_);
        if (!root) {
            state.invalid = true;
            return state;
        }
        state.focusable = Has(node_.states, UiNodeState::Focusable);
        state.focused = state.focusable && root->FocusRect() == node_.rect;
        state.checkable = Has(node_.states, UiNodeState::Checkable);
        state.checked = Has(node_.states, UiNodeState::Checked);
        state.disabled = Has(node_.states, UiNodeState::Disabled);
        state.selectable = node_.role == UiRole::ListItem;
        state.invisible = !surface_->isVisible();
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    QStringList actionNames() const override {
        if (Has(node_.states, UiNodeState::Disabled)) return {};
        QStringList names;
        switch (node_.role) {
            case UiRole::CheckBox:
            case UiRole::RadioButton:
                names << toggleAction();
                break;
            case UiRole::Button:
            case UiRole::Link:
            case UiRole::ListItem:
                names << pressAction();
                break;
            case UiRole::Text:
            case UiRole::Image:
            case UiRole::List:
                break;
        }
        if (Has(node_.states, UiNodeState::Focusable)) names << setFocusAction();
        return names;
    }
    void doAction(const QString& name) override {
        VWindowImplRoot* root = RootOf(surface_);
        if (!root || !actionNames().contains(name)) return;
        if (name == setFocusAction()) {
            root->SetFocusElement(node_.rect);
        } else {
            root->ActivateElement(node_.rect);
        }
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    QPointer<VSurface> surface_;
    UiNode node_;
};

// A skinned window: its child windows first, then its drawn elements.
class SurfaceAccessible final : public QAccessibleWidget {
  public:
    explicit SurfaceAccessible(VSurface* surface)
        : QAccessibleWidget(surface, RoleOf(surface->Root() ? surface->Root()->WindowRole()
                                                            : UiWindowRole::Pane)),
          surface_(surface) {}
    ~SurfaceAccessible() override { Forget(); }

    int childCount() const override {
        Refresh(false);
        return QAccessibleWidget::childCount() + static_cast<int>(drawn_.size());
    }
    QAccessibleInterface* child(int index) const override {
        Refresh(false);
        const int widgets = QAccessibleWidget::childCount();
        if (index < widgets) return QAccessibleWidget::child(index);
        const auto drawn = static_cast<std::size_t>(index - widgets);
        return drawn < drawn_.size() ? QAccessible::accessibleInterface(drawn_[drawn]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        Refresh(false);
        const int widgets = QAccessibleWidget::childCount();
        for (std::size_t i = 0; i < drawn_.size(); ++i) {
            if (QAccessible::accessibleInterface(drawn_[i]) == child) {
                return widgets + static_cast<int>(i);
            }
        }
        return QAccessibleWidget::indexOfChild(child);
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        Refresh(false);
        // The topmost element is the one drawn last.
        for (auto it = drawn_.rbegin(); it != drawn_.rend(); ++it) {
            QAccessibleInterface* child = QAccessible::accessibleInterface(*it);
            if (child && child->rect().contains(x, y)) return child;
        }
        return QAccessibleWidget::childAt(x, y);
    }
    QAccessibleInterface* focusChild() const override {
        VWindowImplRoot* root = RootOf(surface_);
        if (root && !root->FocusRect().IsEmpty()) {
            if (QAccessibleInterface* child = Find(root->FocusRect())) return child;
        }
        return QAccessibleWidget::focusChild();
    }

    void MarkDirty() { described_ = 0; }

    // Describes the window again; with `announce`, tells readers what appeared, went and
    // changed.
    void Refresh(bool announce) const {
        if (described_ == Generation() || refreshing_) return;
        VWindowImplRoot* root = RootOf(surface_);
        if (!root) return;
        refreshing_ = true;
        described_ = Generation();
        const UiNodeList nodes = root->Describe();
        std::vector<QAccessible::Id> old = std::move(drawn_);
        drawn_.clear();
        std::vector<bool> reused(old.size(), false);
        for (const UiNode& node : nodes) {
            DrawnAccessible* match = nullptr;
            for (std::size_t i = 0; i < old.size() && !match; ++i) {
                auto* candidate =
                    static_cast<DrawnAccessible*>(QAccessible::accessibleInterface(old[i]));
                if (reused[i] || !candidate) continue;
                if (candidate->Node().role == node.role && candidate->Node().rect == node.rect) {
                    reused[i] = true;
                    match = candidate;
                    drawn_.push_back(old[i]);
                }
            }
            if (!match) {
                auto* created = new DrawnAccessible(surface_, node);
                drawn_.push_back(QAccessible::registerAccessibleInterface(created));
                if (announce) Announce(created, QAccessible::ObjectCreated);
                continue;
            }
            const UiNode before = match->Node();
            match->SetNode(node);
            if (!announce) continue;
            if (before.name != node.name) Announce(match, QAccessible::NameChanged);
            if (Has(before.states, UiNodeState::Checked) !=
                Has(node.states, UiNodeState::Checked)) {
                QAccessible::State changed;
                changed.checked = true;
                QAccessibleStateChangeEvent event(match, changed);
                QAccessible::updateAccessibility(&event);
            }
        }
        for (std::size_t i = 0; i < old.size(); ++i) {
            if (reused[i]) continue;
            if (announce) {
                if (QAccessibleInterface* gone = QAccessible::accessibleInterface(old[i])) {
                    Announce(gone, QAccessible::ObjectDestroyed);
                }
            }
            QAccessible::deleteAccessibleInterface(old[i]);
        }
        refreshing_ = false;
    }

    QAccessibleInterface* Find(const UiRect& rect) const {
        Refresh(false);
        for (QAccessible::Id id : drawn_) {
            auto* child = static_cast<DrawnAccessible*>(QAccessible::accessibleInterface(id));
            if (child && child->Node().rect == rect) return child;
        }
        return nullptr;
    }

  private:
    static void Announce(QAccessibleInterface* iface, QAccessible::Event type) {
        QAccessibleEvent event(iface, type);
        QAccessible::updateAccessibility(&event);
    }
    void Forget() {
        for (QAccessible::Id id : drawn_)
            QAccessible::deleteAccessibleInterface(id);
        drawn_.clear();
    }

    QPointer<VSurface> surface_;
    mutable std::vector<QAccessible::Id> drawn_;
    mutable std::uint64_t described_ = 0;
    mutable bool refreshing_ = false;
};

QAccessibleInterface* SurfaceFactory(const QString&, QObject* object) {
    // By the meta-object: the web engine's objects carry no type information for dynamic_cast.
    auto* surface = qobject_cast<VSurface*>(object);
    return surface ? new SurfaceAccessible(surface) : nullptr;
}

SurfaceAccessible* AccessibleOf(QWidget* widget) {
    // Only a surface's interface is ours. Others may come from libraries built without type
    // information (the web engine's), where a dynamic cast is not safe.
    if (!qobject_cast<VSurface*>(widget)) return nullptr;
    return dynamic_cast<SurfaceAccessible*>(QAccessible::queryAccessibleInterface(widget));
}

}  // namespace

void InstallSurfaceAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&SurfaceFactory);
        return true;
    }();
    (void)installed;
}

void AccessibleNoteChanged(QWidget* surface) {
    ++Generation();
    if (!surface || !QAccessible::isActive()) return;
    SurfaceAccessible* accessible = AccessibleOf(surface);
    if (!accessible) return;
    // One look after the events of the moment have been handled, however many paints ran.
    QPointer<QWidget> guard(surface);
    QTimer::singleShot(0, surface, [guard] {
        if (SurfaceAccessible* again = AccessibleOf(guard)) again->Refresh(true);
    });
}

void AccessibleNoteFocus(QWidget* surface, const UiRect& rect) {
    if (!surface || !QAccessible::isActive()) return;
    SurfaceAccessible* accessible = AccessibleOf(surface);
    if (!accessible) return;
    accessible->MarkDirty();
    if (QAccessibleInterface* focused = accessible->Find(rect)) {
        QAccessibleEvent event(focused, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}
