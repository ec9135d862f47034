#pragma once
// The frame of the client's small modal dialogs: a borderless, shadowed, rounded window with the
// blue top bar holding the dialog's name and a close button, sized to its client area and
// centred over its owner. The keyboard starts on the dialog's first control (or on the control
// a dialog names), Tab walks the controls, Enter presses a focused button or else the default
// button, Escape and the close button end the dialog with IDCANCEL (2).
//
// A dialog derives from CPromptDialog<T>, sets kInitialWidth and kInitialHeight to its client
// size, and draws its body in DrawBody.

#include <QString>

#include "toolkit/window/window_impl.h"
#include "toolkit/window/wnd_shadow.h"

namespace prompt_frame {

// WM_INITDIALOG: shadow, shape, caption, size, place; then the keyboard goes to the first
// control once the dialog is up (or to the control named `focusName` when not empty).
void Initialize(VDialogCore& dialog, CWndShadow& shadow, const QString& caption, int width,
                int height, const QString& focusName);
// The top bar with `name` and the close button that ends the dialog with IDCANCEL.
void DrawChrome(UiContext& ctx, UiRegion& root, VDialogCore& dialog, const QString& name);
// Enter: a focused button or link is pressed; otherwise the default button is. False when the
// dialog has neither.
bool PressForEnter(VDialogCore& dialog);
// Paints the body below the top bar, with the grey footer band of `footerHeight` (0: none).
void DrawBody(UiRegion& root, const UiRect& client, const QColor& body, int footerHeight);
// The white (result-less) and blue (default) buttons: the picture's frame size, a caption in the
// button face. True when clicked.
bool WhiteButton(UiRegion& root, int left, int top, const QString& caption);
bool BlueButton(UiRegion& root, int left, int top, const QString& caption, bool isDefault = true);
int ButtonWidth();
// A button grows past the picture's width when its caption needs the room.
int ButtonWidth(const QString& caption);
// A check box or radio button row at (left, top): as wide as its caption in `font`.
UiRect ChoiceRect(int left, int top, const QString& caption, const QFont& font);
int ButtonHeight();
// The two radio buttons of the close choice from `top` downwards (the tray one disabled without
// a tray host). True when a click changed `closeToTray`.
bool CloseChoiceRadios(UiRegion& root, int top, const QString& trayCaption,
                       const QString& quitCaption, bool trayAvailable, bool& closeToTray);

}  // namespace prompt_frame

template <class T>
class CPromptDialog : public VDialogImpl<T>, public CMoveable<T> {
  public:
    void DoUI(UiContext& ctx) final {
        UiRegion root(ctx);
        DrawDialog(ctx, root);
        prompt_frame::DrawChrome(ctx, root, *this, Name());
    }

    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) override {
        if (message == WM_INITDIALOG) {
            prompt_frame::Initialize(*this, shadow_, Caption(), T::kInitialWidth, T::kInitialHeight,
                                     FirstFocus());
            OnInitialized();
            return false;
        }
        if (message == WM_KEYDOWN && wParam == VK_RETURN) return prompt_frame::PressForEnter(*this);
        return false;
    }

  protected:
    // "Lumeno- " and the name: the caption of the window in the task bar and switcher.
    virtual QString Caption() const { return QStringLiteral("Lumeno- ") + Name(); }
    // The name in the top bar.
    virtual QString Name() const = 0;
    // Everything below the top bar (the top bar is drawn over it).
    virtual void DrawDialog(UiContext& ctx, UiRegion& root) = 0;
    // The control the keyboard starts on; empty: the first one.
    virtual QString FirstFocus() const { return QString(); }
    // After the frame is set up (a dialog that sizes itself to its content does it here).
    virtual void OnInitialized() {}

    CWndShadow shadow_;
};
