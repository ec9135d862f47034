#pragma once
// The single-line input box of the client's windows: a native line edit placed in a skinned
// window's client area. It shows its placeholder while empty, keeps a password masked whatever
// the focus, can restrict its characters and bound its length, and tells its owner window about
// changes, Enter, Tab and the loss of focus with UM_EDIT_CHANGED, UM_EDIT_RETURN and
// UM_EDIT_LEAVE. No message carries an address: the owner reads the text from the box.

#include <QLineEdit>

#include "platform/win_types.h"
#include "toolkit/elements/ui_rect.h"

class VWindowImplRoot;

// Search: Escape empties it; Restricted: an account's characters; Password: masked; Text: any
// characters, Escape belongs to the window (a message typed in a dialog).
enum class EditKind : int { Search = 1, Restricted = 2, Password = 3, Text = 4 };

// lParam of UM_EDIT_RETURN; its wParam is the box's kind.
enum class EditReturn : int { Enter = 0, Tab = 1 };

class CEditEx final : public QLineEdit {
  public:
    static constexpr int kDefaultMaximum = 255;

    CEditEx(VWindowImplRoot& owner, EditKind kind, const QString& placeholder);

    EditKind Kind() const { return kind_; }
    // Enter is reported only for texts of minimum to maximum characters (search boxes: always);
    // a change that makes the text longer than the maximum is refused with a message.
    void SetLengthLimits(int minimum, int maximum);
    // Typed characters outside letters, digits, "-" and "_" are swallowed.
    void SetCharacterFilter(bool on) { filter_ = on; }
    void SetColours(const QColor& background, const QColor& text, const QColor& placeholder);
    // Places the box at `rect` of the owner's client area.
    void Place(const UiRect& rect);
    // Sets the text as the program's own (no checks, no message).
    void SetText(const QString& text);
    // Empties the box as the user would (its owner hears of the change).
    void ClearAsUser();
    // The box shows its placeholder: it is empty.
    bool ShowsPlaceholder() const { return text().isEmpty(); }
    bool LengthAccepted() const;

    // The characters a restricted box accepts.
    static bool Allowed(QChar ch);

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void OnEdited(const QString& text);
    void Post(UINT message, WPARAM wParam, LPARAM lParam) const;
    // Shows a notice after the current event, so that no box runs inside the edit's handlers.
    void NoticeLater(const QString& text) const;

    VWindowImplRoot& owner_;
    EditKind kind_;
    bool filter_ = false;
    int minimum_ = 0;
    int maximum_ = kDefaultMaximum;
    QString lastAccepted_;
};
