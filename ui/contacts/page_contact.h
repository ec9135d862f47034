#pragma once
// The contacts page of the main window: the collapsible group-chat section, then the contacts
// under the initial letter of their names ("#" last), and the results of the main window's
// search box (name, pinyin, initials, career; groups after contacts). A double click opens the
// conversation; the right button offers the conversation and the profile or group information.
// The page follows the event bus: contact refreshes, synchronisations and member changes
// rebuild it (a search in progress is run again over the new rows); a group's rename only
// renames its row.

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "storage/event_bus.h"
#include "toolkit/lists/list_box.h"
#include "toolkit/lists/scroll_bar.h"
#include "toolkit/window/window_impl.h"
#include "ui/contacts/contact_entries.h"

class CCachedPictures;

// What the pointer did on a row.
enum class RowAction { None, Toggle, Open, Menu };

class CPageContact : public VWindowImpl<CPageContact>,
                     public IListBoxOwner,
                     private IDBEventListener {
  public:
    static std::string_view WindowClassName() { return "LumenoPageContactClass"; }
    // The bus kinds the page follows: synchronisation, contacts, conversation changes, members.
    static constexpr std::uint32_t kEventMask = db_event::kConversationSync | db_event::kContacts |
                                                db_event::kConversationChanged |
                                                db_event::kMembersChanged;
    // The context menu's commands.
    enum class Command : int { Talk = 1001, Details = 1002 };

    CPageContact();
    ~CPageContact() override;

    // A child of the main window over its page area.
    HWND Create(HWND parent, const UiRect& rect);
    // Shows the results for a non-empty search text (entering search mode).
    void Search(const QString& text);
    bool InSearchMode() const;
    // Leaves search mode and returns to the first row shown before the search began.
    void LeaveSearch();
    // Enter in the search box: opens the conversation of the first result, if any.
    void OpenFirstResult();
    // Back to the signed-out state: search off, groups collapsed, no rows.
    void Clear();

    bool GroupsCollapsed() const { return collapsed_; }
    CListBoxWindow& List() { return list_; }
    // The avatars and group tiles the rows draw.
    const CCachedPictures* Pictures() const { return pictures_.get(); }
    // The entry a list row shows, null outside the list.
    const ContactListEntry* EntryAt(int listRow) const;

    void DoUI(UiContext& ctx) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnLayout(int width, int height) override;

    // The list's rows.
    void DrawRow(UiContext& ctx, int index, const UiRect& rect) override;
    void DrawEmpty(UiContext& ctx) override;
    QString RowName(int index) override;

  private:
    enum class Position { Top, Keep };

    void OnCreate();
    void OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) override;
    // Builds the entries again and fills the list; a search in progress is run again.
    void Rebuild(Position position);
    void FillList(const std::vector<int>& rows, int top);
    void RunSearch();
    void RenameGroup(std::int32_t conversationId);
    void ToggleGroups();
    void Open(const ContactListEntry& entry);
    void ShowMenu(const ContactListEntry& entry, QPoint screen);
    const std::vector<int>& ShownRows() const { return searching_ ? results_ : rows_.display; }

    void DrawHeader(UiRegion& row, const ContactListEntry& entry, const UiRect& rect);
    void DrawItem(UiRegion& row, const ContactListEntry& entry, const UiRect& rect, bool hovered);

    CVirtualListBoxNofixLineHeight list_{this};
    CVirtualScrollBar bar_;
    std::unique_ptr<CCachedPictures> pictures_;
    ContactRows rows_;
    std::vector<int> results_;
    std::string searchText_;
    bool searching_ = false;
    bool collapsed_ = true;
    int savedTop_ = 0;
    bool subscribed_ = false;
};
