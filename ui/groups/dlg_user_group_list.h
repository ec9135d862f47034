#pragma once
// The conversation information window "聊天信息": the members as a grid of cards (a click opens
// a member's profile), a cell that opens the picker to add people, for the creator of a group a
// cell that switches to removing members, the group's name (edited in place), the notification
// choice, and for groups the menu with "退出群聊". There is one window per conversation, kept by
// the main window's registry; the window deletes itself after it is gone.
//
// Nothing here changes the stores by itself: a rename, a removal or a departure shows in the
// window once the service agreed and the store followed. A failure is reported over the window,
// which stays as it was (a rename's text is offered again for another try).

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "api/service_errors.h"
#include "flow/async_work_flow.h"
#include "storage/event_bus.h"
#include "toolkit/lists/list_box.h"
#include "toolkit/lists/scroll_bar.h"
#include "toolkit/window/window_impl.h"
#include "toolkit/window/wnd_shadow.h"

class CCachedPictures;
class CEditEx;
struct ConversationRecord;

// What a cell of the member grid holds.
enum class GroupCell { Member, Add, Remove };

// The cells of a grid of `members` members: the members, then the add cell (not for the feedback
// conversation alone), then the remove cell for a creator of a group of two or more.
std::vector<GroupCell> GroupCells(int members, bool createdByMe, bool feedbackOnly);

class CDlgUserGroupList final : public VWindowImpl<CDlgUserGroupList, WS_POPUP>,
                                public CMoveable<CDlgUserGroupList>,
                                public IListBoxOwner,
                                private IDBEventListener {
  public:
    static std::string_view WindowClassName() { return "QXDialogUserGroupListClass"; }
    static constexpr std::uint32_t kEventMask = db_event::kConversationSync | db_event::kContacts |
                                                db_event::kConversationChanged |
                                                db_event::kMembersChanged;
    enum class MenuCommand : int { Leave = 1 };

    // A new window for the conversation; null when the conversation is not in the store.
    static CDlgUserGroupList* Open(std::int32_t conversationId);
    // The open window of the conversation, null when there is none.
    static CDlgUserGroupList* Find(std::int32_t conversationId);

    std::int32_t ConversationId() const { return conversationId_; }
    const std::vector<std::string>& Members() const { return members_; }
    bool IsGroup() const { return isGroup_; }
    bool RemoveMode() const { return removeMode_; }
    bool EditingName() const;
    CEditEx* NameBox() const { return nameBox_; }
    CListBoxWindow& List() { return list_; }
    // The last failure, shown in the window until the next action.
    const QString& Note() const { return note_; }
    bool Busy() const { return renameFlow_.Busy() || removeFlow_.Busy(); }

    // What the elements do (a click on them calls these).
    void BeginNameEdit(const QString& text);
    void ClickAdd();
    void AskRemove(const std::string& qxid, bool leaving);
    void ShowMenu(QPoint screen);
    void Close();

    void DoUI(UiContext& ctx) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnLayout(int width, int height) override;
    void OnFinalMessage() override;

    void DrawRow(UiContext& ctx, int index, const UiRect& rect) override;
    void DrawBackground(UiContext& ctx) override;
    bool DescribesRowElements() const override { return true; }

  private:
    explicit CDlgUserGroupList(std::int32_t conversationId);
    ~CDlgUserGroupList() override;

    void OnCreate();
    void OnDestroy();
    // Leaves the lookup of open windows.
    void Forget();
    void OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) override;
    const ConversationRecord* Conversation() const;
    void Rebuild();
    // The name box lost the keyboard or the user clicked elsewhere: the rename, if any.
    void EndNameEdit();
    void Rename(const std::string& name);
    bool ReportFailure(const ErrorRecord& error, const QString& what);
    // Runs `action` from the event loop once the current event is over, while the window lives:
    // a question asked from a list row must not run inside the row's event, which the window's
    // end (a forced return to the login page while the question is up) would cut short.
    void AfterEvent(std::function<void()> action);
    QString MemberName(const std::string& qxid) const;
    UiRect NameRect() const;

    // Painting (group_list_paint.cpp).
    void DrawSettings(UiContext& ctx, UiRegion& root, const ConversationRecord& conversation);
    void DrawMember(UiContext& ctx, UiRegion& row, const UiRect& cell, const std::string& qxid);
    // The card's outline, avatar, level mark and texts (the remove mark is drawn over them).
    void DrawMemberCard(UiRegion& row, const UiRect& cell, const UiRect& avatar,
                        const std::string& qxid);

    const std::int32_t conversationId_;
    std::vector<std::string> members_;
    std::vector<GroupCell> cells_;
    bool isGroup_ = false;
    bool removeMode_ = false;
    bool subscribed_ = false;
    QString note_;
    CWndShadow shadow_;
    CVirtualListBoxNofixLineHeight list_{this};
    CVirtualScrollBar bar_;
    CEditEx* nameBox_ = nullptr;  // a child of the window's widget
    std::unique_ptr<CCachedPictures> pictures_;
    FlowHandle renameFlow_;
    FlowHandle removeFlow_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
