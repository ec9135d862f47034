#pragma once
// The main window: the one top-level frame of the client and the hub of the program. Work-flow
// continuations run in its hook and every other message is broadcast from there; it is the API
// controller's notification window and delivers the event bus (UM_DISPATCH_EVENTS); it holds the
// login page, which is shown instead of it while nobody is signed in, the two pages (conversations
// and contacts) under its tabs, the search box, the tray icon and the window registries.

#include <QPointer>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "api/service_errors.h"
#include "storage/records.h"
#include "toolkit/window/window_impl.h"
#include "toolkit/window/wnd_shadow.h"
#include "ui/common/cached_pictures.h"
#include "ui/main/edge_dock.h"

class CDlgSpecials;
class CEditEx;
class CMessageNotifier;
class CPageContact;
class CPageLogIn;
class CPageMessage;
class CTrayIcon;

enum class MainPage : int { None = 0, Messages = 1, Contacts = 2 };

// The commands of the main menu and the tray menu.
enum class MainCommand : int {
    HideMain = 1000,
    ShowMain = 1001,
    TrayExit = 1002,
    StartChat = 40025,
    Feedback = 40026,
    Exit = 40027,
    Settings = 40030,
    SwitchAccount = 40032,
    About = 40033,
};

class CMainWnd final : public VWindowImpl<CMainWnd, WS_POPUP>,
                       public CMoveable<CMainWnd>,
                       private IWindowHook {
  public:
    static constexpr const char* kClassName = "LumenoMainFrameClass";
    static std::string_view WindowClassName() { return kClassName; }
    static constexpr char kErrorCaption[] = "出错啦~~";
    static constexpr char kUnreachableText[] = "无法连接服务器，请检查网络后重试。";
    static constexpr char kFeedbackUserId[] = "6";
    static constexpr int kMinWidth = 300;
    static constexpr int kMinHeight = 569;
    // How long quitting waits for the presence report and the sends still on their way.
    static constexpr int kExitGraceMs = 3000;
    // How long quitting then waits for the stopped flows to unwind.
    static constexpr int kUnwindGraceMs = 2000;

    // The process-wide main window object, created on first request.
    static CMainWnd& Instance();
    // Destroys the object at the end of the process (after its window is gone).
    static void DestroyInstance();

    // Creates the window, hidden, with its client area at the given screen rectangle; it then
    // shows the login page. Null when that fails.
    HWND Create(int left, int top, int right, int bottom);

    bool SignedIn() const { return signedIn_; }
    const CEdgeDock& Dock() const { return dock_; }
    CPageLogIn* LoginPage() const { return login_.get(); }
    CEditEx* SearchBox() const { return search_; }
    CTrayIcon* Tray() const { return tray_.get(); }
    // The desktop notifications of new messages, while someone is signed in.
    CMessageNotifier* Notifier() const { return notifier_.get(); }
    // The sign-in succeeded: the main window comes forward with the conversation page.
    void ShowSignedIn();
    // Shows the login page (made on first need) instead of the main window.
    void ShowLogin();
    // Leaves the signed-in state; `forced` keeps the login fields as they were.
    void ReturnToLogin(bool forced);
    // Before the sends are cancelled (signing out, quitting): what the service has not answered
    // goes back into its conversation's draft, from the closed windows and from notifications.
    void KeepUnansweredSends();
    // Ends the program after the current message: presence off (waiting a little for it and for
    // the sends on their way), then the window goes and the loop ends.
    void Quit();
    // Shows "%s (错误码: %d)" in "出错啦~~" over `owner` for a service error; codes 0 and below
    // show nothing. A revoked or invalid token then returns to the login page; it is told once,
    // however many answers of the service meet it before the return. True when a box was shown
    // (or the lost sign-in is being told already).
    bool ShowApiError(HWND owner, const ErrorRecord& error);

    // The pages: made on first need; the conversation page is in front after a sign-in.
    void SwitchPage(MainPage page);
    MainPage CurrentPage() const { return page_; }
    CPageMessage* MessagePage() const { return messages_.get(); }
    CPageContact* ContactPage() const { return contacts_.get(); }
    // The number on the conversation tab's badge (the conversation page writes it).
    void SetUnreadCount(int count);
    int UnreadCount() const { return unread_; }
    // The badge's text for a count: "" for none, the number up to 99, then "99+".
    static QString BadgeText(int count);

    // The window registries: one profile window per user, one group window per conversation,
    // one pending-items window. They return null while those windows do not exist yet.
    HWND OpenProfileWindow(const std::string& userId);
    // A user known from a record only (a card of someone at the third degree).
    HWND OpenProfileWindow(const UserRecord& user);
    void CloseProfileWindow(const std::string& userId);
    // The friend level (1 to 3) chosen in the modal chooser over `owner`; 0 when it was closed
    // or cancelled (also by a return to the login page under it).
    int ChooseFriendLevel(HWND owner);
    // The profile-editing page of the product's web site, in the desktop's browser.
    void OpenProfileEditPage();
    HWND OpenGroupInfoWindow(std::int32_t conversationId);
    void CloseGroupInfoWindow(std::int32_t conversationId);
    void OpenPendingItems();
    // The pending-items window, null until first opened.
    CDlgSpecials* PendingItemsWindow() const { return specials_.get(); }
    // Runs a main-menu or tray-menu command.
    void RunCommand(MainCommand command);
    // The tray menu's items as they would be shown now.
    std::vector<MainCommand> TrayMenuCommands() const;

    void DoUI(UiContext& ctx) override;
    void OnLayout(int width, int height) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  private:
    CMainWnd();
    ~CMainWnd() override;
    LRESULT BeforeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                          bool& handled) override;
    void OnCreate();
    void OnClose();
    void OnSearchChanged();
    void ShowMain();
    // Whether closing and minimising hide the window to the tray.
    bool HasTray() const;
    void Minimise();
    void ShowMainMenu(int x, int y);
    void ShowTrayMenu(int x, int y);
    void ClearSearch();
    // Starts and stops the docking timers as the docking unit asks.
    void ApplyDock(const DockTimers& timers);
    // The window leaves a screen edge it was docked to, back whole on that screen.
    void LeaveDock();
    // Moves the window whole into the work area of the screen it is on.
    void KeepOnScreen();
    UiRect PageArea() const;
    void DrawTitle(UiContext& ctx, UiRegion& root);
    void DrawSearch(UiContext& ctx, UiRegion& root);
    void DrawTabs(UiContext& ctx, UiRegion& root);
    // The tab of a page, in client coordinates.
    UiRect TabRect(MainPage page) const;
    // Left and Right on a page tab: the other page, with the keyboard on its tab.
    bool OnTabKey(WPARAM key);
    void DrawBadge(UiRegion& root, int middle, int top);

    CWndShadow shadow_;
    CEdgeDock dock_{2, EdgeDockingAvailable()};
    std::unique_ptr<CPageLogIn> login_;
    std::unique_ptr<CPageMessage> messages_;
    std::unique_ptr<CPageContact> contacts_;
    std::unique_ptr<CTrayIcon> tray_;
    std::unique_ptr<CMessageNotifier> notifier_;
    std::unique_ptr<CDlgSpecials> specials_;
    CEditEx* search_ = nullptr;  // a child of the window's widget
    CCachedPictures pictures_{*this};
    MainPage page_ = MainPage::None;
    int unread_ = 0;
    bool signedIn_ = false;
    bool searchActive_ = false;
    bool quitting_ = false;
    // A lost sign-in is being told, or the return to the login page it asks for is on its way.
    bool signInLostTold_ = false;
    std::map<std::string, HWND> profiles_;
    std::map<std::int32_t, HWND> groups_;
};
