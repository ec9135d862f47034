#pragma once
// The conversation page of the main window: one row per conversation of the session's store, the
// pending-items entry first, with avatar, title, time, newest message and unread marker. It
// opens conversations, offers a context menu and computes the total for the tab badge.
//
// The page keeps no copy of the conversations: each row is drawn from the store when it is
// painted, by the conversation id the row was made for at the last reload. The store's events
// rebuild the rows (a synchronisation ended, a message arrived) or only repaint them (a
// conversation changed). Time labels are worked out again when the day changes.

#include <ctime>
#include <functional>
#include <vector>

#include "storage/event_bus.h"
#include "toolkit/lists/list_box.h"
#include "toolkit/lists/scroll_bar.h"
#include "toolkit/window/window_impl.h"
#include "ui/common/cached_pictures.h"
#include "ui/conversations/conversation_row.h"

class CPageMessage : public VWindowImpl<CPageMessage>,
                     public IListBoxOwner,
                     private IDBEventListener {
  public:
    static std::string_view WindowClassName() { return "LumenoPageMessageClass"; }
    // The events the page follows: synchronisation, sending, new messages, changes.
    static constexpr std::uint32_t kEventMask = db_event::kConversationSync | db_event::kSending |
                                                db_event::kNewMessage |
                                                db_event::kConversationChanged;
    // Checks for a new day (the time labels change with it).
    static constexpr std::uintptr_t kDayTimer = 2;
    static constexpr UINT kDayCheckMs = 60 * 1000;
    // The context menu's commands.
    enum class Command : int { None = 0, Open = 1, GroupInfo = 2, Profile = 3 };
    using Clock = std::function<std::time_t()>;

    CPageMessage();
    ~CPageMessage() override;

    // A child of the main window over its page area.
    HWND Create(HWND parent, const UiRect& rect);
    // Rebuilds the rows from the store; `keepPosition` keeps the first visible row.
    void Reload(bool keepPosition);
    // Back to the signed-out state: no rows, scrolled to the top.
    void Reset();
    // Unread messages of the conversations that announce them (the tab badge's number).
    int UnreadTotal() const;

    // Opens what the row stands for: the pending items or the conversation.
    void OpenRow(int index);
    // The context menu of a row at a screen point; returns the command chosen.
    Command ShowRowMenu(int index, QPoint screen);
    // The conversation id of a row, 0 when there is none.
    std::int32_t RowConversation(int index) const;
    int RowCount() const { return static_cast<int>(rows_.size()); }
    // The row the keyboard is on (-1 when none).
    int CurrentRow() const { return current_; }
    CListBoxWindow& List() { return list_; }

    // Where the page takes the time from (the wall clock unless set).
    void SetClock(Clock clock);
    // Works the time labels out again when the day changed since they last were.
    void CheckDay();

    void DoUI(UiContext& ctx) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnLayout(int width, int height) override;

    // The rows.
    void DrawRow(UiContext& ctx, int index, const UiRect& rect) override;
    void DrawBackground(UiContext& ctx) override;
    QString RowName(int index) override;
    LRESULT OnListMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

  private:
    void OnCreate();
    void OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) override;
    void WriteUnreadTotal();
    ConversationRecord* RecordOf(int index) const;
    // Group tiles: each active group's tile key goes into its record.
    void NameGroupTiles();
    // Moves the keyboard's row and keeps it in view.
    void MoveCurrent(int index);
    void RowMenuLater(UiContext& ctx, int index);
    std::time_t Now() const;

    CVirtualListBoxNofixLineHeight list_{this};
    CVirtualScrollBar bar_;
    CCachedPictures pictures_{list_};
    CConversationRowPainter painter_{pictures_};
    std::vector<std::int32_t> rows_;
    int current_ = -1;
    bool subscribed_ = false;
    Clock clock_;
    int labelDay_ = -1;  // the day the time labels were worked out for
};
