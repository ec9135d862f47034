#pragma once
// The web view of a chat window: a child window that shows the conversation page from the skin
// folder and hands the page's clicks to its owner.
//
// CKesHtmlWnd is the host: a window of class "KesHtmlView" whose widget is the web engine's view,
// placed in the client area of a skinned parent window, with the usual window operations through
// its handle (VWindow). Script calls made before the page has loaded wait for it and then run in
// the order they were made.
//
// CQVHtmlViewEx adds the page's side: navigations to the internal link host are offered to the
// owner window (UM_WEB_NAVIGATE; the owner reads the address from NavigatingUrl() and answers
// kNavigationHandled), the page is locked after it has loaded, new-window links go to the
// desktop's browser (http and https only), error pages are off, and the context menu offers copy
// and select all.
//
// The web engine's own headers stay inside the implementation.

#include <QString>
#include <QUrl>
#include <QVariant>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "platform/window.h"
#include "toolkit/elements/ui_rect.h"

class QWebEnginePage;
class QWidget;

class CKesHtmlWnd : public platform::Window {
  public:
    static constexpr char kClassName[] = "KesHtmlView";

    CKesHtmlWnd();
    ~CKesHtmlWnd() override;

    // Creates the view as a child of a skinned window, at `rect` of its client area, on an empty
    // page. Null when the parent is not a skinned window or the view exists already.
    HWND Create(HWND parent, const UiRect& rect);
    bool Navigate(const QUrl& url);
    // Runs a script in the page; before the page has loaded it waits, in order. False when there
    // is no view. `done`, if given, receives the script's result on the UI thread (an invalid
    // QVariant when the view went away first).
    bool RunScript(const QString& code, std::function<void(const QVariant&)> done = {});
    // Calls a page function with one text argument; `done` receives its result as text, empty
    // when the function is missing or failed.
    bool CallFunction(const QString& name, const QString& argument,
                      std::function<void(const QString&)> done);
    // The page has loaded (the first load after Navigate finished).
    bool PageLoaded() const;
    // Scripts waiting for the page.
    int QueuedScripts() const;

    QWidget* NativeWidget() override;
    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  protected:
    struct Host;
    // Called with the view's page once it exists, before the first navigation.
    virtual void OnPageCreated() {}
    // A navigation the page is about to make; false refuses it.
    virtual bool AcceptNavigation(const QUrl& url, bool mainFrame, bool userGesture);
    virtual void OnNewWindow(const QUrl& url);
    virtual void OnLoadFinished(const QUrl& url, bool ok);
    virtual void OnContextMenu(QPoint screen);
    // The page's renderer ended without being asked to (it crashed, was killed or could not start).
    virtual void OnRendererGone() {}
    QWebEnginePage* Page() const;

  private:
    void FlushQueue();
    std::unique_ptr<Host> host_;
    friend struct Host;
};

// Where the reader is in the page: the document element's scroll top, scroll height and client
// height, in pixels.
struct PageScroll {
    int top = 0;
    int height = 0;
    int client = 0;
    // More than 100 pixels of the page lie below the visible part.
    bool ScrolledUp() const { return client > 0 && client < height - top - 100; }
    int Range() const { return height > client ? height - client : 0; }
};

class CQVHtmlViewEx : public CKesHtmlWnd {
  public:
    // The owner's answer to UM_WEB_NAVIGATE when it has dealt with the address.
    static constexpr LRESULT kNavigationHandled = 100;
    // Context-menu commands.
    static constexpr int kCommandSelectAll = 40040;
    static constexpr int kCommandCopy = 40041;

    // The owner hears of the page's clicks; the view is created as its child.
    HWND Create(HWND owner, const UiRect& rect);
    // Loads the conversation page of the skin folder.
    bool NavigateToConversationPage();

    // Set from creation until the page has loaded.
    bool Loading() const { return loading_; }
    std::int64_t CreatedAt() const { return createdAt_; }
    // The address of the navigation being offered to the owner, during UM_WEB_NAVIGATE.
    const QUrl& NavigatingUrl() const { return navigating_; }

    // The reading position as last read from the page.
    const PageScroll& Scroll() const { return scroll_; }
    bool ScrolledUp() const { return scroll_.ScrolledUp(); }
    int ScrollRange() const { return scroll_.Range(); }
    // Reads the reading position from the page; `done` receives it (the last known one when the
    // page could not answer).
    void ReadScroll(std::function<void(const PageScroll&)> done = {});
    // Gives the keyboard to the page.
    void FocusDocument();

    // The page's functions. Each call reads the reading position again once the page has run it.
    void ShowItems(const std::string& envelope);
    void HasNoMore();
    void ScrollToEnd();
    void ScrollTo(int offset);
    // Marks the message shown under a local number as not sent, with the reason as text.
    void MarkSendFailed(std::int32_t localNumber, const QString& reason);
    // Shows a voice clip playing, stopped or failed (with the reason as text), with or without
    // its unread dot.
    enum class VoiceState { kPlaying, kStopped, kFailed };
    void ShowVoiceState(std::int32_t messageId, VoiceState state, bool unread,
                        const QString& reason);

  protected:
    void OnPageCreated() override;
    bool AcceptNavigation(const QUrl& url, bool mainFrame, bool userGesture) override;
    void OnNewWindow(const QUrl& url) override;
    void OnLoadFinished(const QUrl& url, bool ok) override;
    void OnContextMenu(QPoint screen) override;
    void OnRendererGone() override;
    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  private:
    void Offer(const QUrl& url);
    void RunAndReadScroll(const QString& code);

    std::deque<QUrl> offers_;  // clicks waiting to be offered to the owner, in order
    HWND owner_ = nullptr;
    bool loading_ = false;
    bool locked_ = false;
    std::int64_t createdAt_ = 0;
    QUrl navigating_;
    PageScroll scroll_;
};
