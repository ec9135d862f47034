#pragma once
// The two bars the chat window lays over its message view. CPageUnReadMsg tells of messages the
// user has not seen: a preview of a new one, their number, or a mention; a click on it asks the
// owner to show them (UM_NOTICE_CLICKED with the kind and the owner's context value), its close
// button only hides it, and a timer the owner starts on it hides it later (UM_NOTICE_HIDE).
// CPageYellowBar says that the user writes anonymously; its close button and a timer the owner
// starts on it ask the owner to put it away (UM_NOTICE_HIDE).

#include <QString>
#include <cstdint>

#include "toolkit/window/window_impl.h"

enum class NoticeKind : int { Preview = 0, UnreadCount = 1, Mention = 2 };

class CPageUnReadMsg : public VWindowImpl<CPageUnReadMsg> {
  public:
    static std::string_view WindowClassName() { return "LumenoUnreadNoticeClass"; }
    // The timer the owner may start on the bar (the bar draws nothing animated, so the
    // toolkit's first timer id is free here).
    static constexpr std::uintptr_t kHideTimer = 1;

    ~CPageUnReadMsg() override;

    // A hidden child of the owner (the bar shows itself when there is something to tell).
    HWND Create(HWND parent, const UiRect& rect);
    // Preview and Mention need a title and a body, UnreadCount a count above 0; otherwise
    // nothing changes. Shows the bar with the new text.
    void Show(NoticeKind kind, const QString& title, const QString& body, int count);
    // Hides a shown bar and forgets its text; `tellOwner` posts UM_NOTICE_CLICKED.
    void Hide(bool tellOwner);

    // The owner's value handed back with UM_NOTICE_CLICKED.
    void SetContext(LPARAM context) { context_ = context; }
    NoticeKind Kind() const { return kind_; }
    const QString& Title() const { return title_; }
    const QString& Body() const { return body_; }
    const QString& Summary() const { return summary_; }

    void DoUI(UiContext& ctx) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  private:
    // What the bar says, for readers and as the whole bar's name.
    QString Spoken() const;

    QString title_;
    QString body_;
    QString summary_;
    NoticeKind kind_ = NoticeKind::Preview;
    LPARAM context_ = 0;
};

class CPageYellowBar : public VWindowImpl<CPageYellowBar> {
  public:
    static std::string_view WindowClassName() { return "LumenoAnonymousBarClass"; }
    static constexpr char kText[] = "您当前是匿名，不用担心隐私泄露";
    static constexpr std::uintptr_t kHideTimer = 1;

    ~CPageYellowBar() override;
    // A hidden child of the owner.
    HWND Create(HWND parent, const UiRect& rect);
    void DoUI(UiContext& ctx) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};
