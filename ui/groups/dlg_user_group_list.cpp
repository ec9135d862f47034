#include "ui/groups/dlg_user_group_list.h"

#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <map>

#include "api/api_controller.h"
#include "api/contacts.h"
#include "api/group_chat.h"
#include "api/login.h"
#include "storage/msg_dlg_store.h"
#include "storage/user_store.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/common/cached_pictures.h"
#include "ui/common/popup_menu.h"
#include "ui/edit/edit_ex.h"
#include "ui/groups/dlg_generate_session.h"
#include "ui/groups/group_failure.h"
#include "ui/groups/group_style.h"
#include "ui/groups/group_texts.h"
#include "ui/main/main_wnd.h"
#include "ui/prompts/message_box.h"
#include "ui/ui_messages.h"

namespace gs = group_style;

std::vector<GroupCell> GroupCells(int members, bool createdByMe, bool feedbackOnly) {
    std::vector<GroupCell> cells(static_cast<std::size_t>(std::max(members, 0)), GroupCell::Member);
    if (!feedbackOnly) cells.push_back(GroupCell::Add);
    if (createdByMe && members >= 2) cells.push_back(GroupCell::Remove);
    return cells;
}

namespace {

std::map<std::int32_t, CDlgUserGroupList*>& Windows() {
    static std::map<std::int32_t, CDlgUserGroupList*> windows;
    return windows;
}

}  // namespace

CDlgUserGroupList* CDlgUserGroupList::Find(std::int32_t conversationId) {
    const auto found = Windows().find(conversationId);
    return found == Windows().end() ? nullptr : found->second;
}

CDlgUserGroupList* CDlgUserGroupList::Open(std::int32_t conversationId) {
    const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(conversationId);
    if (!conversation || conversation->deleted == 1) return nullptr;
    auto* window = new CDlgUserGroupList(conversationId);
    if (!window->Create(nullptr, UiRect::FromSize(0, 0, gs::kInfoWidth, gs::kInfoHeight),
                        group_texts::ChatInformation())) {
        delete window;
        return nullptr;
    }
    return window;
}

CDlgUserGroupList::CDlgUserGroupList(std::int32_t conversationId)
    : conversationId_(conversationId) {
    Windows()[conversationId_] = this;
}

CDlgUserGroupList::~CDlgUserGroupList() {
    *alive_ = false;
    CAsyncWorkFlow::CancelFlow(&renameFlow_);
    CAsyncWorkFlow::CancelFlow(&removeFlow_);
    if (subscribed_) CApiController::Instance().Events().Unsubscribe(kEventMask, this);
    pictures_.reset();
    Forget();
}

void CDlgUserGroupList::Forget() {
    const auto found = Windows().find(conversationId_);
    if (found != Windows().end() && found->second == this) Windows().erase(found);
}

void CDlgUserGroupList::OnFinalMessage() {
    delete this;
}

const ConversationRecord* CDlgUserGroupList::Conversation() const {
    const ConversationRecord* conversation =
        CDBMsgDlg::Instance().FindConversation(conversationId_);
    return conversation && conversation->deleted != 1 ? conversation : nullptr;
}

UiRect CDlgUserGroupList::NameRect() const {
    return UiRect(gs::kNameLeft, gs::kNameTop, gs::kNameRight, gs::kNameBottom);
}

// ---- window ----

void CDlgUserGroupList::OnCreate() {
    SetWindowText(group_texts::ChatInformation());
    shadow_.SetDarkness(gs::kShadowDarkness);
    shadow_.SetSharpness(gs::kShadowSharpness);
    shadow_.SetSize(gs::kShadowSize);
    shadow_.SetPosition(gs::kShadowDropX, gs::kShadowDropY);
    shadow_.Create(m_hWnd);
    SetCornerRadius(palette::kCornerRadius);

    nameBox_ = new CEditEx(*this, EditKind::Search, QString());
    nameBox_->setFont(TextFont(gs::kInfoLabelPixels));
    nameBox_->SetLengthLimits(0, gs::kNameMaxLength);
    nameBox_->setAccessibleName(group_texts::NameLabel());
    nameBox_->hide();

    list_.Create(m_hWnd, UiRect(0, gs::kInfoListTop, gs::kInfoWidth, gs::kInfoHeight));
    list_.SetOpaque(true);
    bar_.CreateSkinned(m_hWnd, list_);
    pictures_ = std::make_unique<CCachedPictures>(list_);

    ResizeClient(gs::kInfoWidth, gs::kInfoHeight);
    CenterWindow();
    Rebuild();
    ShowWindow(SW_SHOW);
    if (QWidget* widget = Widget()) {
        widget->raise();
        widget->activateWindow();
    }
    list_.SetFocus();
    CApiController::Instance().Events().Subscribe(kEventMask, this);
    subscribed_ = true;
}

void CDlgUserGroupList::OnDestroy() {
    CAsyncWorkFlow::CancelFlow(&renameFlow_);
    CAsyncWorkFlow::CancelFlow(&removeFlow_);
    if (subscribed_) CApiController::Instance().Events().Unsubscribe(kEventMask, this);
    subscribed_ = false;
    Forget();
    CMainWnd::Instance().CloseGroupInfoWindow(conversationId_);
}

void CDlgUserGroupList::Close() {
    CAsyncWorkFlow::CancelFlow(&renameFlow_);
    CAsyncWorkFlow::CancelFlow(&removeFlow_);
    if (IsWindow()) DestroyWindow();
}

void CDlgUserGroupList::OnLayout(int width, int height) {
    (void)height;
    if (!list_.IsWindow()) return;
    const int room = isGroup_ ? gs::kInfoListGroupRoom : gs::kInfoListOtherRoom;
    list_.MoveWindow(0, gs::kInfoListTop, width, std::max(0, gs::kInfoHeight - room));
    bar_.Place();
    if (nameBox_) nameBox_->Place(NameRect());
}

bool CDlgUserGroupList::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                        LRESULT& result) {
    switch (message) {
        case WM_KEYDOWN:
            if (wParam != VK_ESCAPE) return false;
            Close();
            return true;
        case WM_CREATE:
            OnCreate();
            return false;
        case WM_DESTROY:
            OnDestroy();
            return false;
        case WM_CLOSE:
            Close();
            result = 0;
            return true;
        case UM_RETURN_TO_LOGIN:
            Close();
            return true;
        case WM_LBUTTONDOWN:
            // A press outside the name box ends its edit; the press goes on as usual.
            if (EditingName()) {
                nameBox_->hide();
                SetFocus();
                EndNameEdit();
            }
            return false;
        case UM_EDIT_LEAVE:
            EndNameEdit();
            return true;
        case UM_EDIT_RETURN:
            if (static_cast<EditReturn>(lParam) == EditReturn::Enter && EditingName()) {
                nameBox_->hide();
                SetFocus();
                EndNameEdit();
            }
            return true;
        default:
            return false;
    }
}

void CDlgUserGroupList::OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) {
    switch (kind) {
        case db_event::kConversationChanged:
            if (first == conversationId_) {
                Rebuild();
                Invalidate(false);
            }
            break;
        case db_event::kConversationSync:
            if (second == db_event::kDone) {
                Rebuild();
                Invalidate(false);
            }
            break;
        case db_event::kContacts:
            if (second == db_event::kDone) list_.Invalidate(false);
            break;
        case db_event::kMembersChanged:
            // The user left: the window goes (after the current event).
            if (second == db_event::kDone && first == conversationId_) PostMessage(WM_CLOSE);
            break;
        default:
            break;
    }
}

void CDlgUserGroupList::Rebuild() {
    const ConversationRecord* conversation = Conversation();
    if (!conversation) {
        // The conversation is gone from the store (deleted, or the account changed).
        PostMessage(WM_CLOSE);
        return;
    }
    members_ = conversation->member_ids;
    // Members the store does not know yet are asked for; the contacts event repaints them.
    for (const std::string& qxid : members_)
        GetUser(qxid);
    const bool wasGroup = isGroup_;
    isGroup_ = conversation->type == kGroupConversationType;
    const bool feedbackOnly = members_.size() == 1 && members_.front() == kFeedbackQxid;
    cells_ =
        GroupCells(static_cast<int>(members_.size()), conversation->init_by_me != 0, feedbackOnly);
    if (std::find(cells_.begin(), cells_.end(), GroupCell::Remove) == cells_.end())
        removeMode_ = false;
    if (!isGroup_ && nameBox_) nameBox_->hide();
    if (!list_.IsWindow()) return;
    const int top = list_.GetTopIndex();
    list_.SetRedraw(false);
    list_.ResetContent();
    list_.SetRowHeight(gs::kInfoRowHeight);
    const int rows = (static_cast<int>(cells_.size()) + 1) / 2;
    list_.SetCount(rows);
    if (rows > 0) list_.SetTopIndex(std::clamp(top, 0, rows - 1));
    list_.SetRedraw(true);
    list_.Invalidate(false);
    bar_.Synchronise();
    if (wasGroup != isGroup_ || !list_.IsWindowVisible()) {
        const UiRect client = GetClientRect();
        OnLayout(client.Width(), client.Height());
    }
}

QString CDlgUserGroupList::MemberName(const std::string& qxid) const {
    if (const UserRecord* user = FindUser(qxid)) {
        if (!user->name.empty()) return QString::fromStdString(user->name);
    }
    const LoginRecord& me = CDBLogin::Instance().Record();
    if (qxid == MyUserId(me)) {
        return QString::fromStdString(!me.wbname.empty() ? me.wbname : me.username);
    }
    return QString::fromStdString(qxid);
}

// ---- the name ----

bool CDlgUserGroupList::EditingName() const {
    return nameBox_ && nameBox_->isVisible();
}

void CDlgUserGroupList::BeginNameEdit(const QString& text) {
    if (!isGroup_ || !nameBox_ || renameFlow_.Busy()) return;
    nameBox_->SetText(text);
    nameBox_->Place(NameRect());
    nameBox_->show();
    nameBox_->setFocus(Qt::MouseFocusReason);
    nameBox_->setCursorPosition(static_cast<int>(text.size()));
    Invalidate(false);
}

void CDlgUserGroupList::EndNameEdit() {
    if (!nameBox_ || !isGroup_) return;
    // The box reports its leaving once it is hidden; a second report finds nothing to do.
    if (nameBox_->isVisible()) {
        if (nameBox_->hasFocus()) return;
        nameBox_->hide();
    }
    const QString typed = nameBox_->text();
    nameBox_->SetText(QString());
    Invalidate(false);
    const QString text = typed.trimmed();
    if (text.isEmpty()) return;
    const ConversationRecord* conversation = Conversation();
    if (!conversation || text.toStdString() == conversation->name) return;
    if (text.size() > gs::kNameMaxLength) {
        const auto alive = alive_;
        CDlgMesssageBox box(group_texts::NameTooLong());
        box.SetButtonCaptions(QString(), group_texts::GotIt());
        box.DoModal(m_hWnd);
        if (*alive) BeginNameEdit(typed);
        return;
    }
    Rename(text.toStdString());
}

void CDlgUserGroupList::Rename(const std::string& name) {
    note_.clear();
    RunFlowOnce(renameFlow_, [this, name](CAsyncWorkFlow& flow) {
        const auto alive = alive_;
        ErrorRecord error;
        const bool renamed = RenameConversation(&error, conversationId_, name, flow);
        if (!*alive) return;
        if (renamed) {
            Rebuild();
            Invalidate(false);
            return;
        }
        // The typed name is offered again once this flow has ended, so that nothing typed is
        // lost.
        if (!ReportFailure(error, group_texts::RenameFailed())) return;
        QMetaObject::invokeMethod(
            Widget(),
            [this, alive, name] {
                if (*alive) BeginNameEdit(QString::fromStdString(name));
            },
            Qt::QueuedConnection);
    });
}

// ---- members ----

void CDlgUserGroupList::ClickAdd() {
    const ConversationRecord* conversation = Conversation();
    if (conversation && !MayAddMembers(conversationId_)) {
        CDlgMesssageBox box(group_texts::NotAdministrator());
        box.SetButtonCaptions(QString(), group_texts::GotIt());
        box.DoModal(m_hWnd);
        return;
    }
    CDlgGenerateSession::Open(conversationId_);
}

void CDlgUserGroupList::AskRemove(const std::string& qxid, bool leaving) {
    if (removeFlow_.Busy()) return;
    const QString name = MemberName(qxid);
    const auto alive = alive_;
    CDlgMesssageBox box(leaving ? group_texts::LeaveLine1() : group_texts::ConfirmRemove(name),
                        leaving ? group_texts::LeaveLine2() : QString());
    const int answer = box.DoModal(m_hWnd);
    // The window may have gone while the question was up (a forced return to the login page).
    if (!*alive || !IsWindow()) return;
    if (answer != CDlgMesssageBox::kSecondButton || removeFlow_.Busy()) return;
    note_.clear();
    RunFlowOnce(removeFlow_, [this, qxid, name, leaving](CAsyncWorkFlow& flow) {
        const auto running = alive_;
        ErrorRecord error;
        const bool removed = RemoveMembers(conversationId_, &error, leaving, flow, {qxid});
        if (!*running) return;
        if (!removed) {
            ReportFailure(error,
                          leaving ? group_texts::LeaveFailed() : group_texts::RemoveFailed(name));
            return;
        }
        if (leaving) PostMessage(WM_CLOSE);
    });
}

void CDlgUserGroupList::ShowMenu(QPoint screen) {
    if (!isGroup_) return;
    const std::vector<PopupItem> items = {
        {static_cast<int>(MenuCommand::Leave), group_texts::LeaveGroup()}};
    const auto alive = alive_;
    const int chosen = TrackPopup(m_hWnd, items, screen.x(), screen.y());
    if (!*alive || !IsWindow()) return;
    if (static_cast<MenuCommand>(chosen) == MenuCommand::Leave) AskRemove(MyUserId(), true);
}

void CDlgUserGroupList::AfterEvent(std::function<void()> action) {
    QMetaObject::invokeMethod(
        qApp,
        [this, alive = alive_, action = std::move(action)] {
            if (*alive && IsWindow()) action();
        },
        Qt::QueuedConnection);
}

bool CDlgUserGroupList::ReportFailure(const ErrorRecord& error, const QString& what) {
    const auto alive = alive_;
    note_ = group_texts::FailureNote(what, error);
    Invalidate(false);
    ShowGroupFailure(m_hWnd, error, what, note_);
    return *alive && IsWindow();
}
