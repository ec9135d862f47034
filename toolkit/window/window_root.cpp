#include "toolkit/window/window_root.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QToolTip>
#include <QWindow>
#include <cmath>

#include "platform/message_loop.h"
#include "toolkit/lists/scroll_geometry.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/window/compositor.h"
#include "toolkit/window/input_region.h"
#include "toolkit/window/paint_layer.h"
#include "toolkit/window/surface_accessible.h"
#include "toolkit/window/window_surface.h"

namespace toolkit_detail {
int& PaintDepth() {
    static int depth = 0;
    return depth;
}
}  // namespace toolkit_detail

namespace {

// Runs the actions the drawing code deferred, stopping once the window is gone or destroyed.
void RunDeferred(VWindowImplRoot* window, std::vector<std::function<void()>>& actions,
                 const std::shared_ptr<bool>& alive) {
    for (auto& action : actions) {
        if (!*alive || !window->Handle()) break;
        action();
    }
}

struct PaintDepthScope {
    PaintDepthScope() { ++toolkit_detail::PaintDepth(); }
    ~PaintDepthScope() { --toolkit_detail::PaintDepth(); }
};

}  // namespace

VWindowImplRoot::VWindowImplRoot() : alive_(std::make_shared<bool>(true)) {}

VWindowImplRoot::~VWindowImplRoot() {
    *alive_ = false;
    if (VWindow::GetCapture() == Handle() && Handle()) VWindow::ReleaseCapture();
    if (surface_) surface_->Retire();
}

void VWindowImplRoot::OnLayout(int, int) {}

bool VWindowImplRoot::OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

void VWindowImplRoot::OnFinalMessage() {}

bool VWindowImplRoot::GetVScrollInfo(ScrollInfo&) const {
    return false;
}

QWidget* VWindowImplRoot::NativeWidget() {
    return surface_;
}

QWidget* VWindowImplRoot::Surface() const {
    return surface_;
}

bool VWindowImplRoot::IsTopLevel() const {
    return topLevel_;
}

HWND VWindowImplRoot::CreateWindowEx(HWND parent, const UiRect& rect, std::string_view className,
                                     const QString& title, DWORD style, DWORD exStyle) {
    if (Handle()) return nullptr;
    QWidget* parentWidget = nullptr;
    QPoint parentOrigin;
    if (platform::Window* owner = platform::WindowFromHandle(parent)) {
        parentWidget = owner->NativeWidget();
        if (auto* ownerRoot = dynamic_cast<VWindowImplRoot*>(owner)) {
            parentOrigin = ownerRoot->ClientOrigin();
        }
    }
    topLevel_ = !(style & WS_CHILD);
    if (!topLevel_ && !parentWidget) return nullptr;  // a child needs a parent to live in

    Qt::WindowFlags flags;
    if (topLevel_) {
        // A dialog is its owner's transient: the window manager keeps it above the owner, also
        // above an owner kept on top, and gives it the keyboard. A dialog without an owner is
        // the transient of the whole program.
        flags = (IsDialogWindow() ? Qt::Dialog : Qt::Window) | Qt::FramelessWindowHint;
        if (exStyle & WS_EX_TOOLWINDOW) flags |= Qt::Tool;
        if (exStyle & WS_EX_TOPMOST) flags |= Qt::WindowStaysOnTopHint;
    }
    auto* surface = new VSurface(this, parentWidget, flags);
    surface_ = surface;
    translucent_ = topLevel_ && CompositorAvailable();
    if (translucent_) surface->setAttribute(Qt::WA_TranslucentBackground);
    surface->setWindowTitle(title);
    if (topLevel_) {
        surface->setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
    } else {
        surface->setGeometry(rect.left + parentOrigin.x(), rect.top + parentOrigin.y(),
                             rect.Width(), rect.Height());
    }
    clientWidth_ = rect.Width();
    clientHeight_ = rect.Height();

    if (!CreateHandle(className)) {
        Unlink();
        if (surface_) surface_->Retire();
        surface_ = nullptr;
        m_hWnd = nullptr;
        return nullptr;
    }
    ApplySizeLimits();
    if (surface_) {
        surface_->ReportSize(true);
        if (surface_ && (style & WS_VISIBLE)) surface_->show();
    }
    return Handle();
}

bool VWindowImplRoot::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                           LRESULT& result) {
    const HWND hwnd = Handle();
    const auto alive = alive_;
    // Hooks first, the most recently added first; one may take the message.
    const std::vector<IWindowHook*> hooks = hooks_;
    for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
        bool taken = false;
        const LRESULT answer = (*it)->BeforeMessage(hwnd, message, wParam, lParam, taken);
        if (!*alive) return true;
        if (taken) {
            result = answer;
            return true;
        }
    }

    bool handled = false;
    if (message == WM_CREATE) {
        OnCreate();
        if (IsDialogWindow()) {
            LRESULT ignored = 0;
            OnWindowMessage(WM_INITDIALOG, 0, dialogInitParam_, ignored);
            handled = true;
        } else {
            handled = OnWindowMessage(message, wParam, lParam, result);
        }
    } else if (message == WM_SIZE) {
        OnSize(wParam, LOWORD(static_cast<std::uintptr_t>(lParam)),
               HIWORD(static_cast<std::uintptr_t>(lParam)));
        OnWindowMessage(message, wParam, lParam, result);
        handled = true;
    } else {
        handled = OnWindowMessage(message, wParam, lParam, result);
        if (!*alive) return true;
        if (!handled) handled = DefaultMessage(message, wParam, lParam, result);
        if (!*alive) return true;
        if (!handled && message == WM_LBUTTONDOWN && IsMoveable() && Handle()) {
            // A press that no element took moves the window.
            LRESULT ignored = 0;
            ProcessWindowMessage(WM_SYSCOMMAND, SC_DRAGMOVE, 0, ignored);
            handled = true;
        }
    }
    if (!*alive) return true;
    for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
        // A hook removed while the message ran is not called any more.
        if (std::find(hooks_.begin(), hooks_.end(), *it) == hooks_.end()) continue;
        (*it)->AfterMessage(hwnd, message, wParam, lParam);
        if (!*alive) return true;
    }
    if (message == WM_DESTROY) hooks_.clear();
    return handled;
}

bool VWindowImplRoot::DefaultMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    switch (message) {
        case WM_DESTROY:
            OnDestroy();
            return true;
        case WM_TIMER:
            if (wParam != kAnimationTimer) return false;
            OnTimer(wParam);
            return true;
        case WM_MOUSEMOVE:
            OnMouseMove(x, y);
            return true;
        case WM_MOUSELEAVE:
            OnMouseLeave();
            return true;
        case WM_LBUTTONDOWN:
            return OnLeftDown(x, y);
        case WM_LBUTTONUP:
            return OnLeftUp(x, y);
        case WM_LBUTTONDBLCLK:
            return OnLeftDoubleClick(x, y);
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            return OnRightDown(x, y);
        case WM_RBUTTONUP:
            return OnRightUp(x, y);
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) != SC_MOVE) return false;
            BeginDragMove();
            return true;
        case WM_ERASEBKGND:
            result = 1;
            return true;
        case WM_PRINTCLIENT:
            if (auto* dc = reinterpret_cast<QPainter*>(wParam)) {
                PrintClient(*dc, UiRect(0, 0, clientWidth_, clientHeight_));
            }
            return true;
        case WM_SETREDRAW:
            if (surface_) {
                surface_->setUpdatesEnabled(wParam != 0);
                if (wParam != 0) surface_->update();
            }
            return true;
        case WM_KEYDOWN:
            return OnKeyDown(wParam);
        default:
            return false;
    }
}

void VWindowImplRoot::OnDialogEscape() {}

void VWindowImplRoot::OnDialogEnter() {}

bool VWindowImplRoot::OnKeyDown(WPARAM key) {
    switch (key) {
        case VK_TAB:
            return MoveFocus(!(input_.keys & MK_SHIFT));
        case VK_SPACE:
            return !focus_.IsEmpty() && ActivateElement(focus_);
        case VK_RETURN:
            if (!focus_.IsEmpty() && ActivateElement(focus_)) return true;
            // The keyboard is on nothing: Enter presses the default button, if there is one.
            for (const UiNode& node : Describe()) {
                if (Has(node.states, UiNodeState::Default) &&
                    !Has(node.states, UiNodeState::Disabled)) {
                    return ActivateElement(node.rect);
                }
            }
            if (!IsDialogWindow()) return false;
            OnDialogEnter();
            return true;
        case VK_ESCAPE:
            if (!IsDialogWindow()) return false;
            OnDialogEscape();
            return true;
        default:
            return false;
    }
}

void VWindowImplRoot::OnCreate() {
    m_hWnd = Handle();
    // From now until WM_DESTROY the window hears the broadcasts.
    LinkAtHead();
}

void VWindowImplRoot::OnSize(WPARAM kind, int width, int height) {
    if (kind != SIZE_MINIMIZED) {
        clientWidth_ = width;
        clientHeight_ = height;
        OnLayout(width, height);
    }
    Invalidate(true);
}

void VWindowImplRoot::OnDestroy() {
    if (animationRunning_) platform::KillTimer(Handle(), kAnimationTimer);
    animationRunning_ = false;
    hover_ = leftPress_ = rightPress_ = UiRect();
    SetToolTip(UiRect(), QString());
    dragMoving_ = false;
    if (VWindow::GetCapture() == Handle()) VWindow::ReleaseCapture();
    Unlink();

    // Child windows go with their parent, after it.
    if (surface_) {
        // Other widgets live among the children too (a tooltip's label is one): only the
        // surfaces of skinned windows are taken down here, told apart by their type.
        std::vector<QPointer<VSurface>> children;
        for (QObject* child : surface_->children()) {
            if (auto* childSurface = qobject_cast<VSurface*>(child))
                children.emplace_back(childSurface);
        }
        for (const QPointer<VSurface>& child : children) {
            VWindowImplRoot* childWindow = child ? child->Root() : nullptr;
            if (childWindow && childWindow->Handle()) childWindow->DestroyHandle();
        }
        if (surface_) surface_->Retire();
    }
    surface_ = nullptr;
    m_hWnd = nullptr;
    OnWindowDestroyed();

    // The final message comes once every message of this window has returned.
    const auto alive = alive_;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [this, alive] {
            if (*alive && !Handle()) OnFinalMessage();
        },
        Qt::QueuedConnection);
}

UiContext VWindowImplRoot::MakeContext(UiMode mode) {
    UiContext ctx;
    ctx.window = this;
    ctx.mode = mode;
    ctx.client = UiRect(0, 0, clientWidth_, clientHeight_);
    ctx.hover = hover_;
    ctx.leftPress = leftPress_;
    ctx.rightPress = rightPress_;
    ctx.focus = focus_;
    return ctx;
}

void VWindowImplRoot::RunPass(UiContext& ctx, std::vector<std::function<void()>>& later) {
    const auto alive = alive_;
    DoUI(ctx);
    if (!*alive) return;
    for (auto& action : ctx.TakeLater())
        later.push_back(std::move(action));
}

void VWindowImplRoot::RunMousePass(UiEvent& event) {
    std::vector<std::function<void()>> later;
    MousePass(event.x, event.y, event.message, event, later);
}

UiNodeList VWindowImplRoot::Describe() {
    UiNodeList nodes;
    if (!Handle()) return nodes;
    UiContext ctx = MakeContext(UiMode::Describe);
    ctx.nodes = &nodes;
    std::vector<std::function<void()>> later;
    RunPass(ctx, later);  // nothing is clicked in a describe pass: `later` stays empty
    return nodes;
}

UiWindowRole VWindowImplRoot::WindowRole() const {
    if (!topLevel_) return UiWindowRole::Pane;
    return IsDialogWindow() ? UiWindowRole::Dialog : UiWindowRole::Window;
}

void VWindowImplRoot::SetFocusElement(const UiRect& rect) {
    if (rect == focus_) return;
    InvalidateRect(focus_, false);
    focus_ = rect;
    InvalidateRect(focus_, false);
    if (!focus_.IsEmpty()) {
        if (surface_ && !surface_->hasFocus()) surface_->setFocus(Qt::TabFocusReason);
        AccessibleNoteFocus(surface_, focus_);
    }
}

bool VWindowImplRoot::ActivateElement(const UiRect& rect) {
    if (rect.IsEmpty() || !Handle()) return false;
    const auto alive = alive_;
    const int x = rect.left + rect.Width() / 2;
    const int y = rect.top + rect.Height() / 2;
    std::vector<std::function<void()>> later;
    UiEvent press;
    if (!MousePass(x, y, WM_LBUTTONDOWN, press, later)) return true;
    if (!press.acted) {
        if (press.rect.IsEmpty()) return false;
        UiEvent release;
        release.pressed = press.rect;
        if (!MousePass(x, y, WM_LBUTTONUP, release, later)) return true;
    }
    Invalidate(false);
    RunDeferred(this, later, alive);
    return true;
}

void VWindowImplRoot::RefreshHover() {
    if (!pointerInside_ || dragMoving_ || !Handle()) return;
    OnMouseMove(lastPointer_.x(), lastPointer_.y());
}

void VWindowImplRoot::CancelPress() {
    if (leftPress_.IsEmpty() && rightPress_.IsEmpty()) return;
    InvalidateRect(leftPress_, false);
    InvalidateRect(rightPress_, false);
    leftPress_ = rightPress_ = UiRect();
    if (VWindow::GetCapture() == Handle()) VWindow::ReleaseCapture();
}

QRect VWindowImplRoot::InputBody() const {
    // The widget's size now, not the client size last reported: the window system resizes the
    // widget first and the window hears of it after.
    const QMargins margins = EffectiveMargins();
    if (!surface_) return QRect(ClientOrigin(), QSize(clientWidth_, clientHeight_));
    return QRect(QPoint(margins.left(), margins.top()),
                 QSize(std::max(0, surface_->width() - margins.left() - margins.right()),
                       std::max(0, surface_->height() - margins.top() - margins.bottom())));
}

void VWindowImplRoot::ApplySizeLimits() {
    if (!topLevel_ || !surface_ || !Handle()) return;
    MINMAXINFO limits;
    limits.ptMinTrackSize = {0, 0};
    limits.ptMaxTrackSize = {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
    limits.ptMaxSize = limits.ptMaxTrackSize;
    LRESULT ignored = 0;
    const auto alive = alive_;
    ProcessWindowMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits), ignored);
    if (!*alive || !surface_) return;
    const QMargins margins = EffectiveMargins();
    const int extraWidth = margins.left() + margins.right();
    const int extraHeight = margins.top() + margins.bottom();
    auto bounded = [](long long value) {
        return static_cast<int>(std::clamp<long long>(value, 0, QWIDGETSIZE_MAX));
    };
    surface_->setMinimumSize(bounded(limits.ptMinTrackSize.x + 0LL + extraWidth),
                             bounded(limits.ptMinTrackSize.y + 0LL + extraHeight));
    surface_->setMaximumSize(bounded(limits.ptMaxTrackSize.x + 0LL + extraWidth),
                             bounded(limits.ptMaxTrackSize.y + 0LL + extraHeight));
}

void VWindowImplRoot::SetOpaque(bool opaque) {
    if (surface_) surface_->setAttribute(Qt::WA_OpaquePaintEvent, opaque);
}

void VWindowImplRoot::NoteChanged() {
    AccessibleNoteChanged(surface_);
}

bool VWindowImplRoot::MousePass(int x, int y, UINT message, UiEvent& event,
                                std::vector<std::function<void()>>& later) {
    const auto alive = alive_;
    event.x = x;
    event.y = y;
    event.message = message;
    UiContext ctx = MakeContext(UiMode::Mouse);
    ctx.event = &event;
    RunPass(ctx, later);
    if (!*alive) return false;
    // What a click changed (a selection, a check mark) may be drawn anywhere in the window, not
    // only in the element that took it.
    if (ctx.Finished() && message != WM_MOUSEMOVE) {
        Invalidate(false);
        NoteChanged();
    }
    return true;
}

void VWindowImplRoot::OnTimer(std::uintptr_t) {
    const auto alive = alive_;
    UiContext ctx = MakeContext(UiMode::Timer);
    std::vector<std::function<void()>> later;
    RunPass(ctx, later);
    if (!*alive) return;
    if (!ctx.wantMoreTicks) {
        platform::KillTimer(Handle(), kAnimationTimer);
        animationRunning_ = false;
    }
    RunDeferred(this, later, alive);
}

void VWindowImplRoot::SetToolTip(const UiRect& rect, const QString& text) {
    const UiRect toolRect = text.isEmpty() ? UiRect() : rect;
    if (toolRect == toolRect_ && text == toolText_) return;
    if (!toolText_.isEmpty() && QToolTip::isVisible() && QToolTip::text() == toolText_) {
        QToolTip::hideText();
    }
    toolRect_ = toolRect;
    toolText_ = text;
}

void VWindowImplRoot::SetHandCursor(bool hand) {
    const int shape = hand ? Qt::PointingHandCursor : Qt::ArrowCursor;
    if (shape == cursorShape_ || !surface_) return;
    cursorShape_ = shape;
    surface_->setCursor(static_cast<Qt::CursorShape>(shape));
}

void VWindowImplRoot::DragMoveTo(QPoint screen) {
    if (!surface_) return;
    const QPoint origin = ClientOrigin();
    UiRect rect =
        UiRect::FromSize(screen.x() - dragAnchor_.x() + origin.x(),
                         screen.y() - dragAnchor_.y() + origin.y(), clientWidth_, clientHeight_);
    // The window may steer where it goes (docking to a screen edge).
    LRESULT ignored = 0;
    const auto alive = alive_;
    ProcessWindowMessage(WM_MOVING, 0, reinterpret_cast<LPARAM>(&rect), ignored);
    if (!*alive || !surface_) return;
    // The window may have changed its margins meanwhile (brought a hidden part back).
    const QPoint now = ClientOrigin();
    surface_->move(rect.left - now.x(), rect.top - now.y());
}

void VWindowImplRoot::OnMouseMove(int x, int y) {
    if (dragMoving_) {
        if (input_.keys & MK_LBUTTON) {
            DragMoveTo(input_.screen);
        } else {
            dragMoving_ = false;
        }
        return;
    }
    lastPointer_ = QPoint(x, y);
    pointerInside_ = true;
    const auto alive = alive_;
    UiEvent event;
    std::vector<std::function<void()>> later;
    if (!MousePass(x, y, WM_MOUSEMOVE, event, later)) return;
    SetToolTip(event.tipRect, event.tooltip);
    if (event.rect != hover_) {
        const UiRect old = hover_;
        hover_ = event.rect;
        InvalidateRect(old, false);
        InvalidateRect(hover_, false);
        UpdateWindow();
    }
    SetHandCursor(event.hand);
    RunDeferred(this, later, alive);
}

void VWindowImplRoot::OnMouseLeave() {
    pointerInside_ = false;
    SetToolTip(UiRect(), QString());
    if (!hover_.IsEmpty()) {
        InvalidateRect(hover_, false);
        hover_ = UiRect();
    }
    SetHandCursor(false);
}

bool VWindowImplRoot::OnLeftDown(int x, int y) {
    const auto alive = alive_;
    UiEvent event;
    std::vector<std::function<void()>> later;
    if (!MousePass(x, y, WM_LBUTTONDOWN, event, later)) return true;
    bool taken = event.acted;
    // The pointer takes over from the keyboard: the focus ring goes.
    if (!focus_.IsEmpty()) {
        InvalidateRect(focus_, false);
        focus_ = UiRect();
    }
    if (!event.rect.IsEmpty()) {
        // The pointer is on what it pressed, even when it came to rest there before the element
        // could take it (an element enabled under a still pointer): that element is the hover.
        if (hover_ != event.rect) {
            InvalidateRect(hover_, false);
            hover_ = event.rect;
        }
        leftPress_ = event.rect;
        SetCapture();
        InvalidateRect(leftPress_, false);
        UpdateWindow();
        taken = true;
    }
    RunDeferred(this, later, alive);
    return taken;
}

bool VWindowImplRoot::OnLeftUp(int x, int y) {
    if (dragMoving_) {
        dragMoving_ = false;
        LRESULT ignored = 0;
        ProcessWindowMessage(WM_EXITSIZEMOVE, 0, 0, ignored);
        return true;
    }
    if (leftPress_.IsEmpty()) return false;
    const UiRect pressed = leftPress_;
    leftPress_ = UiRect();
    ReleaseCapture();
    InvalidateRect(pressed, false);
    // Only a release over the pressed element clicks it.
    if (pressed != hover_) return true;
    UpdateWindow();
    const auto alive = alive_;
    UiEvent event;
    event.pressed = pressed;
    std::vector<std::function<void()>> later;
    if (!MousePass(x, y, WM_LBUTTONUP, event, later)) return true;
    RunDeferred(this, later, alive);
    return true;
}

bool VWindowImplRoot::OnLeftDoubleClick(int x, int y) {
    const auto alive = alive_;
    bool taken = false;
    if (!wantDoubleClicks_) {
        taken = OnLeftDown(x, y);
    } else {
        UiEvent event;
        std::vector<std::function<void()>> later;
        if (!MousePass(x, y, WM_LBUTTONDBLCLK, event, later)) return true;
        taken = !event.rect.IsEmpty();
        if (taken) {
            InvalidateRect(event.rect, false);
            UpdateWindow();
        }
        RunDeferred(this, later, alive);
    }
    if (taken || !*alive || !Handle()) return true;
    // A double click no element took is the window's, as on a caption (a window maximises).
    LRESULT ignored = 0;
    ProcessWindowMessage(WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(x, y), ignored);
    return true;
}

bool VWindowImplRoot::OnRightDown(int x, int y) {
    if (!trackRight_) return OnLeftDown(x, y);
    const auto alive = alive_;
    UiEvent event;
    std::vector<std::function<void()>> later;
    if (!MousePass(x, y, WM_RBUTTONDOWN, event, later)) return true;
    if (!event.rect.IsEmpty()) {
        if (hover_ != event.rect) {
            InvalidateRect(hover_, false);
            hover_ = event.rect;
        }
        rightPress_ = event.rect;
        SetCapture();
        InvalidateRect(rightPress_, false);
        UpdateWindow();
    }
    RunDeferred(this, later, alive);
    return !event.rect.IsEmpty();
}

bool VWindowImplRoot::OnRightUp(int x, int y) {
    if (!trackRight_) return OnLeftUp(x, y);
    if (!rightPress_.IsEmpty()) {
        InvalidateRect(rightPress_, false);
        rightPress_ = UiRect();
        ReleaseCapture();
    }
    const auto alive = alive_;
    UiEvent event;
    std::vector<std::function<void()>> later;
    if (!MousePass(x, y, WM_RBUTTONUP, event, later)) return true;
    RunDeferred(this, later, alive);
    return true;
}

void VWindowImplRoot::BeginDragMove() {
    if (!topLevel_ || !surface_) return;
    if (QWindow* handle = surface_->windowHandle();
        !steeredMoves_ && handle && handle->startSystemMove()) {
        return;
    }
    // The window system cannot move it for us: follow the pointer until the button is released.
    dragMoving_ = true;
    dragAnchor_ = input_.screen - surface_->pos();
}

bool VWindowImplRoot::SurfaceInput(UINT message, WPARAM wParam, LPARAM lParam,
                                   const InputState& input) {
    input_ = input;
    if (platform::CMessageLoop* loop = platform::GetMessageLoop()) {
        // Input passes the loop's message filters first, as queued messages do.
        loop->NoteMessage(message);
        MSG msg{Handle(), message, wParam, lParam};
        if (loop->PreTranslateMessage(msg)) return true;
    }
    LRESULT result = 0;
    return ProcessWindowMessage(message, wParam, lParam, result);
}

void VWindowImplRoot::SurfaceGone() {
    surface_ = nullptr;
    // The widget was taken down with its parent's: the window goes too.
    if (Handle()) DestroyHandle();
}

QMargins VWindowImplRoot::EffectiveMargins() const {
    if (!topLevel_) return {};
    if (surface_ && (surface_->isMaximized() || surface_->isFullScreen())) return {};
    QMargins margins = shadow_ && translucent_ ? shadowMargins_ : QMargins();
    // A side partly out of sight ends where its visible part ends: the client area reaches past
    // the widget there.
    if (hiddenPart_.left() > 0) margins.setLeft(-hiddenPart_.left());
    if (hiddenPart_.top() > 0) margins.setTop(-hiddenPart_.top());
    if (hiddenPart_.right() > 0) margins.setRight(-hiddenPart_.right());
    if (hiddenPart_.bottom() > 0) margins.setBottom(-hiddenPart_.bottom());
    return margins;
}

void VWindowImplRoot::MoveChildren(QPoint by) {
    if (!surface_ || by.isNull()) return;
    for (QObject* child : surface_->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && !widget->isWindow()) widget->move(widget->pos() + by);
    }
}

void VWindowImplRoot::PlaceClient(const UiRect& client, const QMargins& hidden) {
    if (!topLevel_ || !surface_) return;
    const QMargins before = EffectiveMargins();
    hiddenPart_ = QMargins(std::max(0, hidden.left()), std::max(0, hidden.top()),
                           std::max(0, hidden.right()), std::max(0, hidden.bottom()));
    const QMargins after = EffectiveMargins();
    MoveChildren(QPoint(after.left() - before.left(), after.top() - before.top()));
    // The size limits count the margins: they are lifted while the widget takes its new
    // geometry (it may shrink below them) and set again for it.
    surface_->setMinimumSize(0, 0);
    surface_->setGeometry(client.left - after.left(), client.top - after.top(),
                          std::max(0, client.Width() + after.left() + after.right()),
                          std::max(0, client.Height() + after.top() + after.bottom()));
    ApplySizeLimits();
    surface_->ReportSize(false);
    surface_->update();
}

QPoint VWindowImplRoot::ClientOrigin() const {
    const QMargins margins = EffectiveMargins();
    return QPoint(margins.left(), margins.top());
}

void VWindowImplRoot::SetShadow(IWindowShadowPainter* shadow, const QMargins& margins) {
    const QMargins before = EffectiveMargins();
    shadow_ = shadow;
    shadowMargins_ = margins;
    ApplyShadowMargins(before);
}

void VWindowImplRoot::ApplyShadowMargins(const QMargins& before) {
    const QMargins after = EffectiveMargins();
    if (!surface_ || before == after) return;
    // The margin grows outwards: the client area stays where it is on the screen.
    QRect geometry = surface_->geometry();
    geometry.adjust(before.left() - after.left(), before.top() - after.top(),
                    after.right() - before.right(), after.bottom() - before.bottom());
    surface_->setGeometry(geometry);
    MoveChildren(QPoint(after.left() - before.left(), after.top() - before.top()));
    surface_->ReportSize(false);
    surface_->update();
    ApplySizeLimits();
}

void VWindowImplRoot::SetCornerRadius(int radius) {
    cornerRadius_ = std::max(0, radius);
    if (surface_) surface_->update();
}

void VWindowImplRoot::ShapeSpan(int y, int& start, int& end) const {
    start = 0;
    end = clientWidth_;
    const bool rounded = cornerRadius_ > 0 && topLevel_ && translucent_ &&
                         !(surface_ && (surface_->isMaximized() || surface_->isFullScreen()));
    if (!rounded) return;
    const int radius = std::min({cornerRadius_, clientWidth_ / 2, clientHeight_ / 2});
    double fromCentre = -1;
    if (y < radius) {
        fromCentre = radius - (y + 0.5);
    } else if (y >= clientHeight_ - radius) {
        fromCentre = (y + 0.5) - (clientHeight_ - radius);
    }
    if (fromCentre < 0) return;
    // A pixel belongs to the shape when its centre lies inside the corner's circle.
    const double inset =
        radius - std::sqrt(std::max(0.0, radius * double(radius) - fromCentre * fromCentre));
    start = static_cast<int>(std::ceil(inset - 0.5));
    end = clientWidth_ - start;
}

void VWindowImplRoot::AddHook(IWindowHook* hook) {
    if (hook && std::find(hooks_.begin(), hooks_.end(), hook) == hooks_.end()) {
        hooks_.push_back(hook);
    }
}

void VWindowImplRoot::RemoveHook(IWindowHook* hook) {
    hooks_.erase(std::remove(hooks_.begin(), hooks_.end(), hook), hooks_.end());
}

void VWindowImplRoot::PrintClient(QPainter& dc, const UiRect& clip) {
    PaintClientArea(dc, clip.Intersected(UiRect(0, 0, clientWidth_, clientHeight_)), false);
}

void VWindowImplRoot::PaintClientArea(QPainter& dc, const UiRect& clip, bool fromSurface) {
    if (clip.IsEmpty()) return;
    const auto alive = alive_;
    PaintDepthScope depth;
    dc.setFont(UiFont(12));
    dc.setBackgroundMode(Qt::TransparentMode);
    UiContext ctx = MakeContext(UiMode::Paint);
    ctx.dc = &dc;
    ctx.clip = clip;
    std::vector<std::function<void()>> later;
    RunPass(ctx, later);
    if (!*alive) return;

    if (fromSurface && cornerRadius_ > 0 && topLevel_ && translucent_ && surface_ &&
        !surface_->isMaximized() && !surface_->isFullScreen()) {
        // Cut the corners round, with soft edges, so that the shadow shows through them. The
        // outline is worked out once per size: path arithmetic on every paint costs more than
        // the paint.
        const int radius = std::min({cornerRadius_, clientWidth_ / 2, clientHeight_ / 2});
        const QSize size(clientWidth_, clientHeight_);
        if (cornerCutSize_ != size || cornerCutRadius_ != radius) {
            QPainterPath corners;
            corners.addRect(0, 0, radius, radius);
            corners.addRect(clientWidth_ - radius, 0, radius, radius);
            corners.addRect(0, clientHeight_ - radius, radius, radius);
            corners.addRect(clientWidth_ - radius, clientHeight_ - radius, radius, radius);
            QPainterPath shape;
            shape.addRoundedRect(QRectF(0, 0, clientWidth_, clientHeight_), radius, radius);
            cornerCut_ = corners.subtracted(shape);
            cornerCutSize_ = size;
            cornerCutRadius_ = radius;
        }
        const QRect clipArea = clip.ToQRect();
        const bool touchesCorner = clipArea.left() < radius || clipArea.top() < radius ||
                                   clipArea.right() >= clientWidth_ - radius ||
                                   clipArea.bottom() >= clientHeight_ - radius;
        if (touchesCorner) {
            dc.save();
            dc.setRenderHint(QPainter::Antialiasing);
            dc.setCompositionMode(QPainter::CompositionMode_Clear);
            dc.fillPath(cornerCut_, Qt::black);
            dc.restore();
        }
    }

    if (ctx.wantAnimation && !animationRunning_ && Handle()) {
        animationRunning_ = platform::SetTimer(Handle(), kAnimationTimer, kAnimationPeriodMs);
    }
    if (!later.empty()) {
        // Nothing may be destroyed while painting: deferred actions run after the paint.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this, alive, actions = std::move(later)]() mutable {
                if (*alive) RunDeferred(this, actions, alive);
            },
            Qt::QueuedConnection);
    }
}

void VWindowImplRoot::SurfacePaint(QPainter& dc, const QRegion& widgetRegion) {
    const HWND hwnd = Handle();
    const auto alive = alive_;
    const std::vector<IWindowHook*> hooks = hooks_;
    for (IWindowHook* hook : hooks) {
        bool ignored = false;
        hook->BeforeMessage(hwnd, WM_PAINT, 0, 0, ignored);
        if (!*alive) return;
    }
    const QPoint origin = ClientOrigin();
    const UiRect client(0, 0, clientWidth_, clientHeight_);
    // Two small areas far apart (the old and the new hover element) are painted one by one
    // rather than as the large rectangle around both.
    std::vector<QRect> areas;
    const QRect bounds = widgetRegion.boundingRect();
    long long covered = 0;
    for (const QRect& rect : widgetRegion)
        covered += static_cast<long long>(rect.width()) * rect.height();
    if (widgetRegion.rectCount() > 1 && widgetRegion.rectCount() <= 4 &&
        covered * 2 < static_cast<long long>(bounds.width()) * bounds.height()) {
        for (const QRect& rect : widgetRegion)
            areas.push_back(rect);
    } else {
        areas.push_back(bounds);
    }
    for (const QRect& area : areas) {
        const UiRect clip = UiRect::FromQRect(area.translated(-origin)).Intersected(client);
        if (clip.IsEmpty()) continue;
        if (areas.size() == 1 && translucent_ &&
            PaintThroughLayer(dc, widgetRegion.intersected(clip.ToQRect().translated(origin)),
                              [&](QPainter& painter) {
                                  painter.translate(origin);
                                  PaintClientArea(painter, clip, true);
                              })) {
            if (!*alive) return;
            continue;
        }
        dc.save();
        if (areas.size() > 1) dc.setClipRect(area, Qt::IntersectClip);
        dc.translate(origin);
        PaintClientArea(dc, clip, true);
        dc.restore();
        if (!*alive) return;
    }
    if (shadow_ && translucent_ && !EffectiveMargins().isNull()) {
        dc.save();
        shadow_->PaintShadow(dc, origin);
        dc.restore();
    }
    // Still inside the paint: what the hooks redraw waits for its turn, as in the paint itself.
    PaintDepthScope depth;
    for (IWindowHook* hook : hooks) {
        if (std::find(hooks_.begin(), hooks_.end(), hook) == hooks_.end()) continue;
        hook->AfterMessage(hwnd, WM_PAINT, 0, 0);
        if (!*alive) return;
    }
    NoteChanged();
}
