#pragma once
// The window that holds every open conversation: one chat window per conversation, the selected
// one shown, and a column of tabs on the left (avatar, name, unread badge, close button) while two
// or more are open. Conversations open on request of the lists and dialogs, and by themselves when
// a message arrives for one that is not open: then the tab opens without taking the keyboard, the
// task-bar entry asks for attention and the new-message sound plays. News in a tab that is open
// moves it to the top and, while the person is elsewhere, asks for attention and names that
// conversation in the title. What arrives in the conversation being read is read at once.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "flow/async_work_flow.h"
#include "storage/event_bus.h"
#include "toolkit/lists/list_box.h"
#include "toolkit/lists/scroll_bar.h"
#include "toolkit/window/window_impl.h"
#include "toolkit/window/wnd_shadow.h"
#include "ui/common/anonymous_avatars.h"
#include "ui/common/cached_pictures.h"

class CDlgMessage;

class CDlgMsgGroup : public VWindowImpl<CDlgMsgGroup>,
                     public CMoveable<CDlgMsgGroup>,
                     public IListBoxOwner,
                     private IDBEventListener {
  public:
    static std::string_view WindowClassName() { return "QXDialogMsgGrooupClass"; }
    static constexpr std::uint32_t kEventMask =
        db_event::kConversationSync | db_event::kNewMessage | db_event::kConversationChanged |
        db_event::kMembersChanged;
    static constexpr int kListWidth = 160;
    static constexpr int kRowHeight = 45;
    // Between a tab's close button and the column's right edge.
    static constexpr int kTabCloseRight = 8;
    // Between a tab's name and what stands right of it: the close button or badge, the "V" mark.
    static constexpr int kTabGap = 4;
    static constexpr int kTabMarkGap = 2;
    static constexpr int kCaptionHeight = 50;
    static constexpr int kWidth = 550;
    static constexpr int kHeight = 550;
    static constexpr std::uintptr_t kFocusTimer = 1;
    static constexpr int kInfoButton = 32;
    static constexpr int kInfoButtonLeft = 4;
    // The bands along the edges that resize the window.
    static constexpr int kResizeBand = 4;

    // The one window of the process; the start-up creates it hidden.
    static CDlgMsgGroup& Instance();
    static void DestroyInstance();
    HWND Create();

    void OpenConversation(std::int32_t conversationId, bool activate);
    // Opens the one-to-one conversation with a user, asking the service for it when needed;
    // `anonymous`: the one in which the user is known by an anonymous identity.
    void StartConversation(const std::string& userId, bool anonymous = false);
    void CloseConversation(std::int32_t conversationId);
    void CloseAll();
    void SelectConversation(std::int32_t conversationId);

    std::int32_t Selected() const { return selected_; }
    const std::vector<std::int32_t>& TabOrder() const { return order_; }
    CDlgMessage* Chat(std::int32_t conversationId) const;
    bool ListShown() const { return !listHidden_; }
    // Where the close button of the tab in this row lies on the screen (it shows while the pointer
    // is on the row); empty when the row is not on screen.
    QRect TabCloseButtonOnScreen(int row) const;
    // Sounds played and attention asked for so far (for tests).
    int SoundsPlayed() const { return sounds_; }
    int Alerts() const { return alerts_; }

    void DoUI(UiContext& ctx) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnLayout(int width, int height) override;

    void DrawRow(UiContext& ctx, int index, const UiRect& rect) override;
    void DrawBackground(UiContext& ctx) override;
    QString RowName(int index) override;

  private:
    CDlgMsgGroup();
    ~CDlgMsgGroup() override;
    void OnCreate();
    void OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) override;
    // A message arrived: its tab goes to the top, and the person hears of it as they need to.
    void OnNewMessage(std::int32_t messageId);
    // Ctrl+Tab and Ctrl+Shift+Tab: the conversation below the selected one, or above it, in turn.
    void SelectNeighbour(bool down);
    // The person has this window in front of them (active, not minimised).
    bool InFront() const;
    // Shown minimised for news, without taking the keyboard from where the person is typing.
    void ShowMinimisedQuietly();
    // The task-bar entry asks for attention once.
    void AskForAttention();
    // News in a conversation that is not shown: a minimised window switches to it, one in the
    // background names it in its title.
    void PointToNews(std::int32_t conversationId);
    // The close button of a tab in the row at `row` (list coordinates).
    static UiRect TabCloseButton(const UiRect& row);
    void UpdateListState();
    void UpdateTitle(std::int32_t conversationId);
    // The window's icon: the selected conversation's anonymous picture or avatar, or the default.
    void UpdateIcon();
    void PlayNotifySound();
    void CloseRequest();
    UiRect ChatArea() const;
    UiRect ChatArea(int width, int height) const;

    CWndShadow shadow_;
    CVirtualListBox list_{this};
    CVirtualScrollBar bar_;
    std::unique_ptr<CCachedPictures> pictures_;
    CAnonymousAvatars anonymous_;
    std::map<std::int32_t, std::unique_ptr<CDlgMessage>> chats_;
    std::vector<std::int32_t> order_;
    std::int32_t selected_ = 0;
    bool listHidden_ = true;
    QString title_;
    std::int32_t titleId_ = 0;  // the conversation the title names
    std::string iconSource_;
    bool iconSet_ = false;
    FlowHandle startFlow_;
    bool subscribed_ = false;
    int sounds_ = 0;
    int alerts_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
