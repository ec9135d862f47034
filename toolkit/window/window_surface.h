#pragma once
// Internal: the widget that stands for a skinned window on screen. It turns Qt's events into the
// window's messages and paints through the window's drawing function. Only the toolkit's own
// sources include this header.

#include <QInputEvent>
#include <QWidget>

#include "toolkit/window/window_root.h"

class VSurface final : public QWidget {
    Q_OBJECT

  public:
    VSurface(VWindowImplRoot* root, QWidget* parent, Qt::WindowFlags flags);
    ~VSurface() override;

    VWindowImplRoot* Root() const { return root_; }
    // The window is going away: the widget forgets it and is deleted as soon as no event of
    // its own is being handled.
    void Retire();
    // Tells the window about its client size (after its margins changed, or after creation).
    void ReportSize(bool force);
    // Gives a top-level window the input region of its body, when the body, the scale or the
    // native window changed since it was last given (or always, with `force`).
    void UpdateInputRegion(bool force = false);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    bool Deliver(UINT message, WPARAM wParam, LPARAM lParam, const QInputEvent* input,
                 QPointF screen, WPARAM keys);
    bool Deliver(UINT message, WPARAM wParam, LPARAM lParam, const QInputEvent* input,
                 QPointF screen) {
        return Deliver(message, wParam, lParam, input, screen, wParam);
    }
    // True for a point of the widget outside the window's body (the shadow margin).
    bool OutsideBody(QPointF widgetPos) const;
    bool DeliverButton(QMouseEvent* event, bool doubleClick);
    // Win32 input always brings the pointer to a press before the press: do the same for
    // synthesised input that presses without moving.
    void MoveTo(QMouseEvent* event);
    QPoint ToClient(QPointF widgetPos) const;
    WPARAM KeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) const;
    bool IsNonClient(QPoint client, QPointF screen, Qt::Edges& edges);

    VWindowImplRoot* root_;
    int eventDepth_ = 0;
    bool retired_ = false;
    QPoint lastMove_{-100000, -100000};
    // The last press, for telling double clicks.
    quint64 lastPressTime_ = 0;
    QPointF lastPressPos_;
    Qt::MouseButton lastPressButton_ = Qt::NoButton;
    bool lastPressWasDouble_ = false;
    bool pressSeen_ = false;
    // The input region last given: the body, at which scale, to which native window. A region
    // given before the window manager took the window over is given again at the first paint,
    // so that the manager's frame follows it too.
    QRect regionBody_;
    qreal regionScale_ = 0;
    WId regionWindow_ = 0;
    bool regionAfterShow_ = false;
    // The size and state last reported with WM_SIZE.
    int reportedWidth_ = -1;
    int reportedHeight_ = -1;
    WPARAM reportedKind_ = 0;
};

namespace toolkit_detail {
// How many paints are running: a window is not painted at once from inside another paint.
int& PaintDepth();
}  // namespace toolkit_detail
