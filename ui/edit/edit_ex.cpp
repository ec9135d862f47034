#include "ui/edit/edit_ex.h"

#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <algorithm>

#include "platform/window.h"
#include "toolkit/window/window_root.h"
#include "ui/prompts/message_box.h"
#include "ui/ui_messages.h"

namespace {
constexpr char kForbiddenCharacters[] = "请输入数字、字母、减号、下划线！";
constexpr char kTooLong[] = "输入的文字超长！";
}  // namespace

CEditEx::CEditEx(VWindowImplRoot& owner, EditKind kind, const QString& placeholder)
    : QLineEdit(owner.Surface()), owner_(owner), kind_(kind) {
    setFrame(false);
    setPlaceholderText(placeholder);
    // A password stays masked whatever the focus; the empty box shows its placeholder natively.
    if (kind_ == EditKind::Password) setEchoMode(QLineEdit::Password);
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) { OnEdited(text); });
    show();
}

void CEditEx::SetLengthLimits(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
}

void CEditEx::SetColours(const QColor& background, const QColor& text, const QColor& placeholder) {
    QPalette colours = palette();
    colours.setColor(QPalette::Base, background);
    colours.setColor(QPalette::Text, text);
    colours.setColor(QPalette::PlaceholderText, placeholder);
    setPalette(colours);
}

void CEditEx::Place(const UiRect& rect) {
    const QPoint origin = owner_.ClientOrigin();
    setGeometry(rect.left + origin.x(), rect.top + origin.y(), rect.Width(), rect.Height());
}

void CEditEx::SetText(const QString& text) {
    setText(text);
    lastAccepted_ = text;
}

bool CEditEx::LengthAccepted() const {
    const int length = static_cast<int>(text().size());
    return minimum_ <= length && length <= maximum_;
}

bool CEditEx::Allowed(QChar ch) {
    const char16_t c = ch.unicode();
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'-' || c == u'_' || c == u'\b';
}

bool CEditEx::event(QEvent* event) {
    // Tab and Enter belong to the owner: Qt would move the focus itself or drop the key.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (plain && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
            const bool back =
                key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
            if (kind_ != EditKind::Search && !back) {
                // Sent, not posted: the keys typed right after Tab (already queued behind it
                // when someone types fast) go where Tab takes the keyboard.
                platform::SendMessage(owner_.m_hWnd, UM_EDIT_RETURN, static_cast<WPARAM>(kind_),
                                      static_cast<LPARAM>(EditReturn::Tab));
            } else {
                // A search box tells nobody, and Shift+Tab goes back from any box: the keyboard
                // goes round the window's elements (the results among them).
                owner_.MoveFocus(!back);
            }
            return true;
        }
        if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            if (kind_ == EditKind::Search || LengthAccepted()) {
                Post(UM_EDIT_RETURN, static_cast<WPARAM>(kind_),
                     static_cast<LPARAM>(EditReturn::Enter));
            }
            return true;
        }
    }
    return QLineEdit::event(event);
}

void CEditEx::keyPressEvent(QKeyEvent* event) {
    // Escape empties a search box (which ends the search); an empty one lets the window have it.
    if (kind_ == EditKind::Search && event->key() == Qt::Key_Escape && !text().isEmpty()) {
        ClearAsUser();
        return;
    }
    const bool command = event->modifiers() & Qt::ControlModifier;
    if (filter_ && !command) {
        const QString typed = event->text();
        if (typed.size() == 1 && typed[0].isPrint() && !Allowed(typed[0])) return;
    }
    QLineEdit::keyPressEvent(event);
}

void CEditEx::ClearAsUser() {
    // An edit of the user's: the change is reported (and can be undone).
    selectAll();
    del();
}

void CEditEx::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    Post(UM_EDIT_LEAVE, 0, 0);
}

void CEditEx::OnEdited(const QString& text) {
    if (kind_ == EditKind::Restricted && !std::all_of(text.begin(), text.end(), Allowed)) {
        NoticeLater(QString::fromUtf8(kForbiddenCharacters));
        SetText(QString());
        platform::SendMessage(owner_.m_hWnd, UM_EDIT_CHANGED, static_cast<WPARAM>(kind_), 0);
        return;
    }
    if (text.size() > maximum_) {
        NoticeLater(QString::fromUtf8(kTooLong));
        SetText(lastAccepted_);
        return;
    }
    lastAccepted_ = text;
    platform::SendMessage(owner_.m_hWnd, UM_EDIT_CHANGED, static_cast<WPARAM>(kind_), 0);
}

void CEditEx::Post(UINT message, WPARAM wParam, LPARAM lParam) const {
    platform::PostMessage(owner_.m_hWnd, message, wParam, lParam);
}

void CEditEx::NoticeLater(const QString& text) const {
    QPointer<const CEditEx> self(this);
    const HWND owner = owner_.m_hWnd;
    QTimer::singleShot(0, [self, owner, text] {
        if (self) ShowMessageBox(owner, text.toStdString(), std::string(), MB_OK);
    });
}
