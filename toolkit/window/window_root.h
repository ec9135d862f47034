#pragma once
// The part of every skinned window that is not a template: the window's widget, its drawing state
// (client size, hover and press rectangles, the animation timer), painting, mouse handling,
// tooltips, dragging, and the message map that runs its hooks, the window's own map and the
// defaults in that order. Window classes derive from the templates of toolkit/window/window_impl.h.

#include <QMargins>
#include <QPainterPath>
#include <QPointer>
#include <QString>
#include <algorithm>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "flow/msg_handler.h"
#include "platform/window.h"
#include "toolkit/elements/ui_context.h"
#include "toolkit/window/vwindow.h"

class QPainter;
class QRegion;
class VSurface;
struct ScrollInfo;

// A hook on a window's messages, run around the window's own message map (the detour of a
// window procedure). BeforeMessage may take a message; AfterMessage sees every message that the
// window itself handled or let pass.
class IWindowHook {
  public:
    virtual LRESULT BeforeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                  bool& handled) {
        (void)hwnd, (void)message, (void)wParam, (void)lParam;
        handled = false;
        return 0;
    }
    virtual void AfterMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        (void)hwnd, (void)message, (void)wParam, (void)lParam;
    }

  protected:
    ~IWindowHook() = default;
};

// What a shadow (toolkit/window/wnd_shadow.h) draws into its window's margin.
class IWindowShadowPainter {
  public:
    // Paints the shadow behind what is already painted. `clientOrigin` is where the client
    // area starts in the widget.
    virtual void PaintShadow(QPainter& dc, QPoint clientOrigin) = 0;

  protected:
    ~IWindowShadowPainter() = default;
};

class VWindowImplRoot : public VWindow, public platform::Window, public CVirtualMsgHandler {
  public:
    static constexpr std::uintptr_t kAnimationTimer = 1;
    static constexpr UINT kAnimationPeriodMs = 100;

    VWindowImplRoot();
    ~VWindowImplRoot() override;

    // The drawing function: paints, animates and hit-tests every element of the window.
    virtual void DoUI(UiContext& ctx) = 0;
    // Called on WM_SIZE with the new client size, before the window is invalidated.
    virtual void OnLayout(int width, int height);
    // The window's own message map; true when it handled the message. WM_CREATE and WM_SIZE
    // reach it after the base has done its part, everything else before the base's defaults.
    virtual bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Runs once after WM_DESTROY, when the window's messages have all returned (a window that
    // owns itself deletes itself here).
    virtual void OnFinalMessage();
    // The vertical scroll state the skinned scroll bar follows; false when there is none.
    virtual bool GetVScrollInfo(ScrollInfo& info) const;

    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) final;
    QWidget* NativeWidget() override;
    QWidget* Surface() const;

    // Creates the window's widget and handle. With WS_CHILD the window is a child of `parent`
    // at `rect` in its client coordinates; otherwise a borderless top-level window owned by
    // `parent` whose client area is `rect` on the screen.
    HWND CreateWindowEx(HWND parent, const UiRect& rect, std::string_view className,
                        const QString& title, DWORD style, DWORD exStyle);

    // Drawing state.
    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    const UiRect& HoverRect() const { return hover_; }
    const UiRect& LeftPressRect() const { return leftPress_; }
    const UiRect& RightPressRect() const { return rightPress_; }
    bool AnimationRunning() const { return animationRunning_; }
    // The window tracks right clicks itself; otherwise a right press acts as a left press.
    void SetTrackRightClicks(bool on) { trackRight_ = on; }
    bool TracksRightClicks() const { return trackRight_; }
    // The window wants double clicks; otherwise a double click is a second press.
    void SetWantDoubleClicks(bool on) { wantDoubleClicks_ = on; }
    bool WantsDoubleClicks() const { return wantDoubleClicks_; }
    // The tooltip offered for the hover element, and its rectangle.
    const QString& ToolTipText() const { return toolText_; }
    const UiRect& ToolTipRect() const { return toolRect_; }
    // The time stamp (milliseconds) of the input event being handled.
    unsigned long MessageTime() const { return input_.time; }
    // The pointer's screen position of the input event being handled.
    QPoint MessageScreenPos() const { return input_.screen; }

    // Draws the client area straight into `dc` (WM_PRINTCLIENT).
    void PrintClient(QPainter& dc, const UiRect& clip);

    // Hooks run around the window's message map, the most recently added first.
    void AddHook(IWindowHook* hook);
    void RemoveHook(IWindowHook* hook);

    // Top-level windows: the rounded corners of the window's shape (0 for square corners), and
    // the transparent margin a shadow paints into. The client area stays where it is.
    void SetCornerRadius(int radius);
    int CornerRadius() const { return cornerRadius_; }
    void SetShadow(IWindowShadowPainter* shadow, const QMargins& margins);
    // The shadow is going away with the window: forget it without moving anything.
    void ForgetShadow(IWindowShadowPainter* shadow) {
        if (shadow_ == shadow) shadow_ = nullptr;
    }
    // Where the client area starts in the widget (the shadow margin, if any; negative when the
    // client area's top or left is out of sight).
    QPoint ClientOrigin() const;
    // Top-level windows: places the client area at `client` (screen coordinates) with `hidden`
    // of it out of sight, one amount per side. The widget covers only the rest, so the window
    // never has to leave the screen (window managers keep windows from moving themselves off
    // it); the client area keeps its size, its layout and its drawing, and a hidden side has no
    // shadow margin.
    void PlaceClient(const UiRect& client, const QMargins& hidden);
    const QMargins& HiddenPart() const { return hiddenPart_; }
    // The widget's margins around the client area: the shadow's, or minus what is hidden.
    QMargins EffectiveMargins() const;
    bool IsTopLevel() const;
    bool IsTranslucent() const { return translucent_; }
    // The first and the one-past-last column of the window's shape on client line y.
    void ShapeSpan(int y, int& start, int& end) const;

    // Runs a pass of DoUI as the window does for the message (tests and benchmarks).
    void RunMousePass(UiEvent& event);

    // What the window shows moved under a resting pointer (a list scrolled, a window above went
    // away): the hover follows what is under the pointer now.
    void RefreshHover();
    // Forgets a held press: what was pressed is no longer where it was.
    void CancelPress();

    // Access for the keyboard and for readers. Describe runs the describe pass: every element
    // the drawing function shows, with its role, name, state and bounds.
    UiNodeList Describe();
    virtual UiWindowRole WindowRole() const;
    // The element the keyboard is on (empty when none); it draws the skin's focus ring.
    const UiRect& FocusRect() const { return focus_; }
    void SetFocusElement(const UiRect& rect);
    // Tab and Shift+Tab: the next or previous element that takes the mouse, round the window and
    // the child windows it shows, and the widgets they named as taking the keyboard themselves.
    // False when the window has none.
    bool MoveFocus(bool forward);
    // A native widget inside the window that takes the keyboard itself (an input box, a page's
    // list): it is a stop of the window's Tab ring while it shows, and the ring then runs in
    // reading order, top to bottom and left to right.
    void AddFocusWidget(QWidget* widget);
    const std::vector<QPointer<QWidget>>& FocusWidgets() const { return focusWidgets_; }
    // Acts on the element at `rect` as a click on its middle would (Space, Enter, a reader's
    // press or toggle). False when nothing there takes a click.
    bool ActivateElement(const UiRect& rect);

    // Top-level windows: the part of the widget that takes input (the shadow margin does not),
    // for the widget's size of this moment.
    QRect InputBody() const;
    // Asks the window for its size limits (WM_GETMINMAXINFO) and applies them.
    void ApplySizeLimits();
    // Moves dragged by the pointer run under the window's own loop, which asks WM_MOVING where
    // the window goes (docking steers it); otherwise the window system moves it.
    void SetSteeredMoves(bool on) { steeredMoves_ = on; }
    // The window paints every pixel of its client area: what lies beneath it is not painted
    // first when it repaints.
    void SetOpaque(bool opaque);

  protected:
    virtual bool IsMoveable() const { return false; }
    virtual bool IsDialogWindow() const { return false; }
    // A dialog's answer to the Escape and the Enter key.
    virtual void OnDialogEscape();
    virtual void OnDialogEnter();
    // Called at the end of WM_DESTROY, after the window's own handler and its children.
    virtual void OnWindowDestroyed() {}
    // False once the window object is gone: for code that outlives a call into the window.
    const std::shared_ptr<bool>& AliveToken() const { return alive_; }
    // The parameter that WM_INITDIALOG carries for a dialog being created.
    LPARAM dialogInitParam_ = 0;

  private:
    friend class VSurface;
    struct InputState {
        unsigned long time = 0;
        QPoint screen;
        WPARAM keys = 0;
    };

    bool DefaultMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void OnCreate();
    void OnSize(WPARAM kind, int width, int height);
    void OnDestroy();
    void OnTimer(std::uintptr_t id);
    void OnMouseMove(int x, int y);
    void OnMouseLeave();
    bool OnKeyDown(WPARAM key);
    void DragMoveTo(QPoint screen);
    void NoteChanged();
    bool OnLeftDown(int x, int y);
    bool OnLeftUp(int x, int y);
    bool OnLeftDoubleClick(int x, int y);
    bool OnRightDown(int x, int y);
    bool OnRightUp(int x, int y);
    void BeginDragMove();

    // A pass of DoUI; the actions deferred by the drawing code are appended to `later`.
    void RunPass(UiContext& ctx, std::vector<std::function<void()>>& later);
    UiContext MakeContext(UiMode mode);
    // One mouse pass of DoUI for `message` at (x, y), filling `event`. False when the window went
    // away during it.
    bool MousePass(int x, int y, UINT message, UiEvent& event,
                   std::vector<std::function<void()>>& later);
    void SetToolTip(const UiRect& rect, const QString& text);
    void SetHandCursor(bool hand);
    void PaintClientArea(QPainter& dc, const UiRect& clip, bool fromSurface);

    // Called by the widget.
    void SurfacePaint(QPainter& dc, const QRegion& widgetRegion);
    bool SurfaceInput(UINT message, WPARAM wParam, LPARAM lParam, const InputState& input);
    void SurfaceGone();
    void ApplyShadowMargins(const QMargins& before);
    // The children sit in client coordinates: they follow the client area's origin.
    void MoveChildren(QPoint by);

    QPointer<VSurface> surface_;
    // The rounded corners' outline, for the size it was made for.
    QPainterPath cornerCut_;
    QSize cornerCutSize_;
    int cornerCutRadius_ = -1;
    std::shared_ptr<bool> alive_;
    std::vector<IWindowHook*> hooks_;
    IWindowShadowPainter* shadow_ = nullptr;
    QMargins shadowMargins_;
    QMargins hiddenPart_;
    int cornerRadius_ = 0;
    bool translucent_ = false;
    bool topLevel_ = false;
    int controlId_ = 0;

    int clientWidth_ = 0;
    int clientHeight_ = 0;
    bool animationRunning_ = false;
    UiRect hover_;
    UiRect leftPress_;
    UiRect rightPress_;
    bool trackRight_ = false;
    bool wantDoubleClicks_ = false;
    int cursorShape_ = -1;  // the Qt cursor shape set last, -1 when not ours
    UiRect toolRect_;
    QString toolText_;
    InputState input_;
    QPoint lastPointer_;
    bool pointerInside_ = false;
    UiRect focus_;
    std::vector<QPointer<QWidget>> focusWidgets_;
    bool steeredMoves_ = false;

    // Dragging the window ourselves where the window system cannot.
    bool dragMoving_ = false;
    QPoint dragAnchor_;  // pointer position minus the widget's position

    friend class VWindow;
};
