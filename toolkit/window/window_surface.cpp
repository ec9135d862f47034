#include "toolkit/window/window_surface.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleHints>
#include <QToolTip>
#include <QWheelEvent>
#include <QWindow>

#include "platform/message_loop.h"
#include "toolkit/window/input_region.h"
#include "toolkit/window/key_bridge.h"
#include "toolkit/window/surface_accessible.h"
#include "toolkit/window/win_defs.h"

namespace {

Qt::Edges EdgesOf(LRESULT hit) {
    switch (hit) {
        case HTLEFT:
            return Qt::LeftEdge;
        case HTRIGHT:
            return Qt::RightEdge;
        case HTTOP:
            return Qt::TopEdge;
        case HTBOTTOM:
            return Qt::BottomEdge;
        case HTTOPLEFT:
            return Qt::TopEdge | Qt::LeftEdge;
        case HTTOPRIGHT:
            return Qt::TopEdge | Qt::RightEdge;
        case HTBOTTOMLEFT:
            return Qt::BottomEdge | Qt::LeftEdge;
        case HTBOTTOMRIGHT:
            return Qt::BottomEdge | Qt::RightEdge;
        default:
            return {};
    }
}

Qt::CursorShape CursorOf(Qt::Edges edges) {
    if (edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge)) {
        return Qt::SizeFDiagCursor;
    }
    if (edges == (Qt::TopEdge | Qt::RightEdge) || edges == (Qt::BottomEdge | Qt::LeftEdge)) {
        return Qt::SizeBDiagCursor;
    }
    if (edges & (Qt::LeftEdge | Qt::RightEdge)) return Qt::SizeHorCursor;
    return Qt::SizeVerCursor;
}

}  // namespace

VSurface::VSurface(VWindowImplRoot* root, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), root_(root) {
    InstallSurfaceAccessibility();
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    // The drawing function paints every pixel it owns; nothing is erased behind it.
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

VSurface::~VSurface() {
    if (root_) root_->SurfaceGone();
}

void VSurface::Retire() {
    root_ = nullptr;
    if (retired_) return;
    retired_ = true;
    hide();
    if (eventDepth_ > 0) {
        // Still handling an event: it goes once that is over. Out of its parent first, or the
        // parent's own deletion (its window may go in the same breath) would take it now.
        if (parentWidget()) setParent(nullptr);
        deleteLater();
    } else {
        delete this;
    }
}

bool VSurface::event(QEvent* event) {
    // Deleting the widget happens in here: nothing of it may be touched afterwards.
    if (event->type() == QEvent::DeferredDelete) return QWidget::event(event);
    ++eventDepth_;
    bool result = false;
    const auto type = event->type();
    if (type == QEvent::KeyPress && root_) {
        // Tab walks the window's own elements before Qt's focus chain sees it.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            const bool back =
                key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
            if (Deliver(WM_KEYDOWN, VK_TAB, 0, key, QPointF(), back ? MK_SHIFT : 0)) {
                --eventDepth_;
                return true;
            }
        }
    }
    if ((type == QEvent::WindowActivate || type == QEvent::WindowDeactivate) && root_ &&
        isWindow()) {
        platform::DeliverMessage(*root_, WM_ACTIVATE,
                                 type == QEvent::WindowActivate ? WA_ACTIVE : WA_INACTIVE, 0);
    }
    if (type == QEvent::ScreenChangeInternal && root_ && isWindow()) {
        // On a screen of another scale the body has another size in device pixels.
        UpdateInputRegion();
    }
    if (type == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QPoint client = root_ ? ToClient(help->pos()) : QPoint();
        if (root_ && !root_->ToolTipText().isEmpty() &&
            root_->ToolTipRect().Contains(client.x(), client.y())) {
            const QPoint origin = root_->ClientOrigin();
            QToolTip::showText(help->globalPos(), root_->ToolTipText(), this,
                               root_->ToolTipRect().ToQRect().translated(origin));
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        result = true;
    } else {
        result = QWidget::event(event);
    }
    --eventDepth_;
    return result;
}

QPoint VSurface::ToClient(QPointF widgetPos) const {
    const QPoint origin = root_ ? root_->ClientOrigin() : QPoint();
    return widgetPos.toPoint() - origin;
}

WPARAM VSurface::KeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) const {
    WPARAM keys = 0;
    if (buttons & Qt::LeftButton) keys |= MK_LBUTTON;
    if (buttons & Qt::RightButton) keys |= MK_RBUTTON;
    if (modifiers & Qt::ShiftModifier) keys |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier) keys |= MK_CONTROL;
    return keys;
}

bool VSurface::Deliver(UINT message, WPARAM wParam, LPARAM lParam, const QInputEvent* input,
                       QPointF screen, WPARAM keys) {
    if (!root_) return false;
    VWindowImplRoot::InputState state;
    state.time = input ? static_cast<unsigned long>(input->timestamp()) : 0;
    state.screen = screen.toPoint();
    state.keys = keys;
    return root_->SurfaceInput(message, wParam, lParam, state);
}

bool VSurface::OutsideBody(QPointF widgetPos) const {
    if (!root_ || !isWindow()) return false;
    return !root_->InputBody().contains(widgetPos.toPoint());
}

void VSurface::UpdateInputRegion(bool force) {
    if (!root_ || !isWindow() || !windowHandle() || !internalWinId()) return;
    const QRect body = root_->InputBody();
    const qreal scale = devicePixelRatioF();
    if (!force && body == regionBody_ && scale == regionScale_ &&
        internalWinId() == regionWindow_) {
        return;
    }
    regionBody_ = body;
    regionScale_ = scale;
    regionWindow_ = internalWinId();
    SetInputRegion(this, body);
}

bool VSurface::IsNonClient(QPoint client, QPointF screen, Qt::Edges& edges) {
    edges = {};
    if (!root_ || !isWindow() || isMaximized() || isFullScreen()) return false;
    LRESULT hit = HTCLIENT;
    if (!root_->ProcessWindowMessage(
            WM_NCHITTEST, 0, MAKELPARAM(static_cast<int>(screen.x()), static_cast<int>(screen.y())),
            hit)) {
        return false;
    }
    (void)client;
    edges = EdgesOf(hit);
    return edges != Qt::Edges();
}

void VSurface::MoveTo(QMouseEvent* event) {
    const QPoint client = ToClient(event->position());
    if (client == lastMove_) return;
    lastMove_ = client;
    Deliver(WM_MOUSEMOVE, KeyState(event->buttons(), event->modifiers()),
            MAKELPARAM(client.x(), client.y()), event, event->globalPosition());
}

void VSurface::paintEvent(QPaintEvent* event) {
    if (!root_) return;
    // Whatever changed the window's size or scale, it is painted afterwards: the region follows.
    UpdateInputRegion(regionAfterShow_);
    regionAfterShow_ = false;
    QPainter painter(this);
    root_->SurfacePaint(painter, event->region());
}

void VSurface::mouseMoveEvent(QMouseEvent* event) {
    if (!root_) return;
    if (event->buttons() == Qt::NoButton && OutsideBody(event->position())) {
        // The shadow margin is not the window: the pointer there is over what lies beneath.
        if (lastMove_ != QPoint(-100000, -100000)) {
            lastMove_ = QPoint(-100000, -100000);
            Deliver(WM_MOUSELEAVE, 0, 0, nullptr, QPointF());
        }
        event->ignore();
        return;
    }
    const QPoint client = ToClient(event->position());
    Qt::Edges edges;
    if (event->buttons() == Qt::NoButton && IsNonClient(client, event->globalPosition(), edges)) {
        // The resize border is not client area: no element sees the pointer there.
        setCursor(CursorOf(edges));
        root_->cursorShape_ = -1;
        root_->OnMouseLeave();
        lastMove_ = QPoint(-100000, -100000);
        return;
    }
    lastMove_ = client;
    Deliver(WM_MOUSEMOVE, KeyState(event->buttons(), event->modifiers()),
            MAKELPARAM(client.x(), client.y()), event, event->globalPosition());
}

bool VSurface::DeliverButton(QMouseEvent* event, bool doubleClick) {
    const QPoint client = ToClient(event->position());
    const LPARAM position = MAKELPARAM(client.x(), client.y());
    const WPARAM keys = KeyState(event->buttons(), event->modifiers());
    UINT message = 0;
    if (event->button() == Qt::LeftButton) {
        message = doubleClick ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN;
    } else if (event->button() == Qt::RightButton) {
        message = doubleClick ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN;
    } else {
        return false;
    }
    return Deliver(message, keys, position, event, event->globalPosition());
}

void VSurface::mousePressEvent(QMouseEvent* event) {
    if (!root_) return;
    if (OutsideBody(event->position())) {
        event->ignore();
        return;
    }
    Qt::Edges edges;
    if (event->button() == Qt::LeftButton &&
        IsNonClient(ToClient(event->position()), event->globalPosition(), edges)) {
        if (QWindow* handle = window()->windowHandle()) handle->startSystemResize(edges);
        return;
    }
    // Two presses of one button close together in time and place make a double click.
    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    const int distance = QGuiApplication::styleHints()->mouseDoubleClickDistance();
    const bool doubleClick =
        pressSeen_ && !lastPressWasDouble_ && event->button() == lastPressButton_ &&
        event->timestamp() - lastPressTime_ <= static_cast<quint64>(interval) &&
        (event->position() - lastPressPos_).manhattanLength() <= distance;
    pressSeen_ = true;
    lastPressTime_ = event->timestamp();
    lastPressPos_ = event->position();
    lastPressButton_ = event->button();
    lastPressWasDouble_ = doubleClick;
    MoveTo(event);
    if (root_) DeliverButton(event, doubleClick);
}

void VSurface::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!root_) return;
    if (OutsideBody(event->position())) {
        event->ignore();
        return;
    }
    // Qt follows the second press with this event; that press already counted as the double
    // click. A double click without its press (synthesised input) is the second press itself.
    if (pressSeen_ && lastPressTime_ == event->timestamp() && lastPressButton_ == event->button()) {
        return;
    }
    pressSeen_ = true;
    lastPressTime_ = event->timestamp();
    lastPressPos_ = event->position();
    lastPressButton_ = event->button();
    lastPressWasDouble_ = true;
    MoveTo(event);
    if (root_) DeliverButton(event, true);
}

void VSurface::mouseReleaseEvent(QMouseEvent* event) {
    if (!root_) return;
    MoveTo(event);
    if (!root_) return;
    const QPoint client = ToClient(event->position());
    const LPARAM position = MAKELPARAM(client.x(), client.y());
    const WPARAM keys = KeyState(event->buttons(), event->modifiers());
    if (event->button() == Qt::LeftButton) {
        Deliver(WM_LBUTTONUP, keys, position, event, event->globalPosition());
    } else if (event->button() == Qt::RightButton) {
        Deliver(WM_RBUTTONUP, keys, position, event, event->globalPosition());
    }
}

void VSurface::wheelEvent(QWheelEvent* event) {
    if (!root_) return;
    if (OutsideBody(event->position())) {
        event->ignore();
        return;
    }
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    const QPointF screen = event->globalPosition();
    const WPARAM wParam =
        MAKEWPARAM(static_cast<int>(KeyState(event->buttons(), event->modifiers())), delta);
    const LPARAM lParam = MAKELPARAM(static_cast<int>(screen.x()), static_cast<int>(screen.y()));
    if (!Deliver(WM_MOUSEWHEEL, wParam, lParam, event, screen)) event->ignore();
}

void VSurface::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    lastMove_ = QPoint(-100000, -100000);
    if (root_) Deliver(WM_MOUSELEAVE, 0, 0, nullptr, QPointF());
}

void VSurface::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    // The pointer can arrive without moving (a window above it went away): the element under it
    // is the hover at once.
    if (!root_ || QGuiApplication::mouseButtons() != Qt::NoButton) return;
    if (OutsideBody(event->position())) return;
    const QPoint client = ToClient(event->position());
    if (client == lastMove_) return;
    lastMove_ = client;
    Deliver(WM_MOUSEMOVE, 0, MAKELPARAM(client.x(), client.y()), event, event->globalPosition());
}

void VSurface::ReportSize(bool force) {
    if (!root_) return;
    WPARAM kind = SIZE_RESTORED;
    if (isWindow() && isMinimized()) {
        kind = SIZE_MINIMIZED;
    } else if (isWindow() && (isMaximized() || isFullScreen())) {
        kind = SIZE_MAXIMIZED;
    }
    // The margins may have changed without the client size, the size without the state: the
    // input region follows every change.
    UpdateInputRegion();
    const QMargins margins = root_->EffectiveMargins();
    const int width = std::max(0, this->width() - margins.left() - margins.right());
    const int height = std::max(0, this->height() - margins.top() - margins.bottom());
    if (!force && kind == reportedKind_ && width == reportedWidth_ && height == reportedHeight_) {
        return;
    }
    reportedKind_ = kind;
    reportedWidth_ = width;
    reportedHeight_ = height;
    platform::DeliverMessage(*root_, WM_SIZE, kind, MAKELPARAM(width, height));
}

void VSurface::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ReportSize(false);
}

void VSurface::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (!root_) return;
    const QPoint client = isWindow() ? pos() + root_->ClientOrigin() : pos();
    platform::DeliverMessage(*root_, WM_MOVE, 0, MAKELPARAM(client.x(), client.y()));
}

void VSurface::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    UpdateInputRegion();
    regionAfterShow_ = true;
    if (root_ && !event->spontaneous()) platform::DeliverMessage(*root_, WM_SHOWWINDOW, 1, 0);
}

void VSurface::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (root_ && !event->spontaneous()) platform::DeliverMessage(*root_, WM_SHOWWINDOW, 0, 0);
}

void VSurface::closeEvent(QCloseEvent* event) {
    // The window system's close goes through the window's message map; an unhandled WM_CLOSE
    // destroys the window.
    event->ignore();
    if (root_) platform::DeliverMessage(*root_, WM_CLOSE, 0, 0);
}

void VSurface::keyPressEvent(QKeyEvent* event) {
    if (!root_) return;
    bool handled = false;
    if (const WPARAM key = VirtualKey(event->key())) {
        const WPARAM shift = (event->modifiers() & Qt::ShiftModifier) ? MK_SHIFT : 0;
        handled = Deliver(WM_KEYDOWN, key, 0, event, QPointF(), shift);
    }
    for (const QChar character : event->text()) {
        if (!root_) break;
        if (character.isPrint()) handled |= Deliver(WM_CHAR, character.unicode(), 0, event, {});
    }
    if (!handled) QWidget::keyPressEvent(event);
}

void VSurface::keyReleaseEvent(QKeyEvent* event) {
    if (!root_) return;
    bool handled = false;
    if (const WPARAM key = VirtualKey(event->key())) {
        handled = Deliver(WM_KEYUP, key, 0, event, QPointF());
    }
    if (!handled) QWidget::keyReleaseEvent(event);
}

void VSurface::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    if (root_) platform::DeliverMessage(*root_, WM_SETFOCUS, 0, 0);
}

void VSurface::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    if (!root_) return;
    // The keyboard went to another part of the same window (a box clicked, a list): the ring
    // goes with it. A window that is merely left keeps its ring for when it comes back.
    const QWidget* now = QApplication::focusWidget();
    if (now && now != this && window()->isAncestorOf(now)) root_->SetFocusElement(UiRect());
    if (root_) platform::DeliverMessage(*root_, WM_KILLFOCUS, 0, 0);
}

void VSurface::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) ReportSize(false);
}
