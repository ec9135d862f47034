#include "ui/groups/dlg_generate_session.h"

#include <QWidget>
#include <algorithm>
#include <map>

#include "api/group_chat.h"
#include "storage/msg_dlg_store.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/chat/chat_entry.h"
#include "ui/common/cached_pictures.h"
#include "ui/edit/edit_ex.h"
#include "ui/groups/group_failure.h"
#include "ui/groups/group_style.h"
#include "ui/groups/group_texts.h"
#include "ui/main/main_wnd.h"
#include "ui/prompts/message_box.h"
#include "ui/ui_messages.h"

namespace gs = group_style;

namespace {

std::map<std::int32_t, CDlgGenerateSession*>& Pickers() {
    static std::map<std::int32_t, CDlgGenerateSession*> pickers;
    return pickers;
}

QString Text(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

bool IsGroup(std::int32_t conversationId) {
    const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(conversationId);
    return conversation && conversation->type == kGroupConversationType;
}

}  // namespace

// ---- the registry ----

CDlgGenerateSession* CDlgGenerateSession::Open(std::int32_t conversationId) {
    if (conversationId < 0) conversationId = 0;
    if (CDlgGenerateSession* open = Find(conversationId)) {
        open->ShowWindow(open->IsIconic() ? SW_RESTORE : SW_SHOW);
        if (QWidget* widget = open->Widget()) {
            widget->raise();
            widget->activateWindow();
        }
        if (open->search_) open->search_->setFocus(Qt::ActiveWindowFocusReason);
        return open;
    }
    auto* picker = new CDlgGenerateSession(conversationId);
    const UiRect rect = UiRect::FromSize(0, 0, gs::kPickerWidth, gs::kPickerHeight);
    if (!picker->Create(nullptr, rect, QString())) {
        delete picker;
        return nullptr;
    }
    return picker;
}

CDlgGenerateSession* CDlgGenerateSession::Find(std::int32_t conversationId) {
    const auto found = Pickers().find(conversationId);
    return found == Pickers().end() ? nullptr : found->second;
}

void CDlgGenerateSession::CloseAll() {
    for (const auto& [id, picker] : std::map(Pickers())) {
        if (picker->IsWindow()) picker->DestroyWindow();
    }
}

CDlgGenerateSession::CDlgGenerateSession(std::int32_t conversationId)
    : conversationId_(conversationId) {
    Pickers()[conversationId_] = this;
}

CDlgGenerateSession::~CDlgGenerateSession() {
    *alive_ = false;
    CAsyncWorkFlow::CancelFlow(&confirmFlow_);
    const auto found = Pickers().find(conversationId_);
    if (found != Pickers().end() && found->second == this) Pickers().erase(found);
    rowPictures_.reset();
    stripPictures_.reset();
}

void CDlgGenerateSession::OnFinalMessage() {
    delete this;
}

// ---- window ----

QString CDlgGenerateSession::Title() const {
    return conversationId_ > 0 ? group_texts::AddParticipants() : group_texts::StartChat();
}

void CDlgGenerateSession::OnCreate() {
    SetWindowText(QStringLiteral("Lumeno - %1").arg(Title()));
    shadow_.SetDarkness(gs::kShadowDarkness);
    shadow_.SetSharpness(gs::kShadowSharpness);
    shadow_.SetSize(gs::kShadowSize);
    shadow_.SetPosition(gs::kShadowDropX, gs::kShadowDropY);
    shadow_.Create(m_hWnd);
    SetCornerRadius(palette::kCornerRadius);

    search_ = new CEditEx(*this, EditKind::Search, group_texts::SearchPlaceholder());
    search_->setFont(TextFont(gs::kSearchPixels));
    search_->SetColours(gs::kSearchBackground, gs::kSearchText, gs::kSearchPlaceholder);
    search_->setAccessibleName(group_texts::SearchPlaceholder());

    list_.Create(m_hWnd, UiRect(0, gs::kListTop, gs::kPickerWidth, gs::kPickerHeight));
    list_.SetOpaque(true);
    bar_.CreateSkinned(m_hWnd, list_);
    rowPictures_ = std::make_unique<CCachedPictures>(list_);
    stripPictures_ = std::make_unique<CCachedPictures>(*this);

    ResizeClient(gs::kPickerWidth, gs::kPickerHeight);
    CenterWindow();
    candidates_.Build(conversationId_);
    FillList();
    ShowWindow(SW_SHOW);
    if (QWidget* widget = Widget()) {
        widget->raise();
        widget->activateWindow();
    }
    search_->setFocus(Qt::OtherFocusReason);
}

void CDlgGenerateSession::OnDestroy() {
    CAsyncWorkFlow::CancelFlow(&confirmFlow_);
    const auto found = Pickers().find(conversationId_);
    if (found != Pickers().end() && found->second == this) Pickers().erase(found);
}

void CDlgGenerateSession::OnLayout(int width, int height) {
    if (search_) {
        search_->Place(UiRect::FromSize(gs::kSearchBoxLeft, gs::kSearchBoxTop,
                                        width - gs::kSearchBoxLeft - gs::kSearchBoxRightMargin,
                                        gs::kSearchBoxHeight));
    }
    if (!list_.IsWindow()) return;
    const int strip = candidates_.Selected().empty() ? 0 : gs::kStripHeight;
    list_.MoveWindow(0, gs::kListTop, width,
                     std::max(0, height - gs::kListTop - gs::kListBottomMargin - strip));
    bar_.Place();
}

bool CDlgGenerateSession::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                          LRESULT& result) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return false;
        case WM_DESTROY:
            OnDestroy();
            return false;
        case WM_CLOSE:
            DestroyWindow();
            result = 0;
            return true;
        case WM_SHOWWINDOW:
            if (wParam) Invalidate(false);
            return false;
        case UM_EDIT_CHANGED:
            OnSearchChanged();
            return true;
        case UM_EDIT_RETURN:
            if (static_cast<EditReturn>(lParam) != EditReturn::Enter) return true;
            // Enter ticks the first result; on an empty box it confirms what is ticked.
            if (candidates_.Searching()) {
                TickFirstResult();
            } else if (!candidates_.Selected().empty()) {
                Confirm();
            }
            return true;
        case WM_KEYDOWN:
            if (wParam != VK_ESCAPE) return false;
            DestroyWindow();
            return true;
        default:
            return false;
    }
}

// ---- the list and the search ----

void CDlgGenerateSession::FillList() {
    if (!list_.IsWindow()) return;
    list_.SetRedraw(false);
    list_.ResetContent();
    list_.SetRowHeight(gs::kRowHeight);
    list_.SetCount(candidates_.ShownCount());
    list_.SetRedraw(true);
    list_.Invalidate(false);
    bar_.Synchronise();
}

void CDlgGenerateSession::OnSearchChanged() {
    if (!search_) return;
    const std::string text = search_->text().trimmed().toStdString();
    if (text.empty() && !candidates_.Searching()) return;
    candidates_.Search(text);
    FillList();
}

void CDlgGenerateSession::TickFirstResult() {
    if (!candidates_.Searching() || candidates_.ShownCount() == 0) return;
    const std::string qxid = candidates_.ShownAt(0)->qxid;
    if (!candidates_.IsSelected(qxid)) Toggle(qxid);
    // The next name can be typed at once.
    search_->ClearAsUser();
}

void CDlgGenerateSession::Toggle(const std::string& qxid) {
    if (Confirming() || !candidates_.Toggle(qxid)) return;
    const UiRect client = GetClientRect();
    OnLayout(client.Width(), client.Height());
    Invalidate(false);
    list_.Invalidate(false);
}

// ---- the confirmation ----

void CDlgGenerateSession::Confirm() {
    if (Confirming()) return;
    const std::vector<std::string> qxids = candidates_.Selected();
    if (qxids.empty()) {
        DestroyWindow();
        return;
    }
    note_.clear();
    RunFlowOnce(confirmFlow_, [this, qxids](CAsyncWorkFlow& flow) {
        if (conversationId_ > 0 && IsGroup(conversationId_)) {
            AddOneByOne(flow, qxids);
        } else {
            StartChat(flow, qxids);
        }
    });
    Invalidate(false);
}

void CDlgGenerateSession::StartChat(CAsyncWorkFlow& flow, std::vector<std::string> qxids) {
    // A one-to-one conversation grows into the conversation of its peer and the new people.
    if (conversationId_ > 0) {
        const ConversationRecord* conversation =
            CDBMsgDlg::Instance().FindConversation(conversationId_);
        if (!conversation) {
            ReportFailure(ErrorRecord{}, group_texts::ConversationGone());
            return;
        }
        qxids.insert(qxids.end(), conversation->member_ids.begin(), conversation->member_ids.end());
    }
    const auto alive = alive_;
    ErrorRecord error;
    const std::int32_t id = GetConversationId(&error, false, flow, qxids);
    if (!*alive) return;
    if (id > 0) {
        OpenConversation(id);
        PostMessage(WM_CLOSE);
        return;
    }
    ReportFailure(error,
                  conversationId_ > 0 ? group_texts::AddFailed() : group_texts::StartFailed());
}

void CDlgGenerateSession::AddOneByOne(CAsyncWorkFlow& flow, std::vector<std::string> qxids) {
    const auto alive = alive_;
    for (std::size_t i = 0; i < qxids.size(); ++i) {
        ErrorRecord error;
        const bool added = AddMembers(conversationId_, &error, flow, {qxids[i]});
        if (!*alive) return;
        if (added) continue;
        const ContactListEntry* who = candidates_.Find(qxids[i]);
        const QString name = who ? Text(who->name) : Text(qxids[i]);
        const std::vector<std::string> remaining(qxids.begin() + static_cast<std::ptrdiff_t>(i),
                                                 qxids.end());
        KeepTicked(remaining);
        ReportFailure(error, group_texts::AddOneFailed(name, static_cast<int>(i)));
        return;
    }
    PostMessage(WM_CLOSE);
}

void CDlgGenerateSession::KeepTicked(const std::vector<std::string>& remaining) {
    const std::string text = candidates_.SearchText();
    candidates_.Build(conversationId_);
    for (const std::string& qxid : remaining)
        candidates_.Toggle(qxid);
    candidates_.Search(text);
    FillList();
    const UiRect client = GetClientRect();
    OnLayout(client.Width(), client.Height());
}

bool CDlgGenerateSession::ReportFailure(const ErrorRecord& error, const QString& what) {
    const auto alive = alive_;
    note_ = group_texts::FailureNote(what, error);
    Invalidate(false);
    ShowGroupFailure(m_hWnd, error, what, note_);
    return *alive;
}
