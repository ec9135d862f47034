#pragma once
// The login page: the window shown whenever nobody is signed in. It takes an account name or
// mobile number and a password, offers to remember the password and to sign in automatically,
// shows the avatar of a remembered account, starts the sign-in and follows it on the event bus
// (kind 0x1), and hands over to the main window when it succeeds.

#include <QImage>
#include <QPointer>
#include <map>
#include <memory>
#include <string>

#include "storage/event_bus.h"
#include "storage/image_cache.h"
#include "toolkit/window/window_impl.h"
#include "toolkit/window/wnd_shadow.h"
#include "ui/edit/edit_ex.h"

class CPageLogIn final : public VWindowImpl<CPageLogIn, WS_POPUP>,
                         public CMoveable<CPageLogIn>,
                         private IDBEventListener {
  public:
    static constexpr int kAccountMinimum = 2;
    static constexpr int kAccountMaximum = 20;
    static std::string_view WindowClassName() { return "LumenoLoginPageClass"; }

    CPageLogIn();
    ~CPageLogIn() override;

    // Creates the window (hidden), filled from the remembered accounts; signs in automatically
    // when the settings ask for it. Null when the window could not be made.
    HWND Open();
    // Shows the page in front with the keyboard in the account box.
    void Present();
    // Switching account: the password and both check boxes are cleared; the account box offers
    // the most recent remembered account.
    void Reset();
    // Starts the sign-in from the fields, as the sign-in button does.
    void StartSignIn();

    bool Busy() const { return busy_; }
    bool RemembersPassword() const { return remember_; }
    bool SignsInAutomatically() const { return automatic_; }
    CEditEx* AccountBox() const { return account_; }
    CEditEx* PasswordBox() const { return password_; }

    void DoUI(UiContext& ctx) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  private:
    void OnCreate();
    void OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) override;
    void OnSignInFailed();
    void FillFromRemembered();
    // The name of the most recent remembered account, empty when there is none.
    static std::string RememberedAccount();
    // The keyboard is on one of the check boxes.
    bool FocusOnCheckBox();
    void DrawAvatar(UiRegion& root);
    // Finds the picture of the remembered account named in the account box (never while painting).
    void LookUpAvatar();
    void Notice(const char* text, const char* caption = "");

    CWndShadow shadow_;
    // Children of the window's widget, which deletes them with itself.
    QPointer<CEditEx> account_;
    QPointer<CEditEx> password_;
    bool remember_ = false;
    bool automatic_ = false;
    bool busy_ = false;
    bool subscribed_ = false;
    PictureMap pictures_;
    // Remembered accounts' pictures by address; a null image: looked up, not available.
    std::map<std::string, QImage> avatars_;
};
