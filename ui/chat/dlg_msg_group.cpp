#include "ui/chat/dlg_msg_group.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QSoundEffect>
#include <QUrl>
#include <QWidget>
#include <algorithm>

#include "api/api_controller.h"
#include "api/conversation_sync.h"
#include "api/group_chat.h"
#include "config/config.h"
#include "platform/screen.h"
#include "storage/image_cache.h"
#include "storage/msg_dlg_store.h"
#include "toolkit/elements/ui_caption.h"
#include "toolkit/skin/skin_colors.h"
#include "toolkit/skin/skin_directory.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/chat/chat_entry.h"
#include "ui/chat/chat_input.h"
#include "ui/chat/dlg_message.h"
#include "ui/main/main_wnd.h"
#include "ui/prompts/dlg_close_dialog_wnd.h"
#include "ui/prompts/message_box.h"
#include "ui/ui_messages.h"

namespace {

CDlgMsgGroup* g_instance = nullptr;

const ConversationRecord* FindConversation(std::int32_t id) {
    return CDBMsgDlg::Instance().FindConversation(id);
}

}  // namespace

CDlgMsgGroup& CDlgMsgGroup::Instance() {
    if (!g_instance) g_instance = new CDlgMsgGroup();
    return *g_instance;
}

void CDlgMsgGroup::DestroyInstance() {
    delete g_instance;
    g_instance = nullptr;
}

CDlgMsgGroup::CDlgMsgGroup() = default;

CDlgMsgGroup::~CDlgMsgGroup() {
    *alive_ = false;
    CAsyncWorkFlow::CancelFlow(&startFlow_);
    SetConversationOpener(nullptr);
    SetFrontConversationQuery(nullptr);
    chats_.clear();
    if (subscribed_) CApiController::Instance().Events().Unsubscribe(kEventMask, this);
    if (IsWindow()) DestroyWindow();
}

HWND CDlgMsgGroup::Create() {
    const UiRect work = UiRect::FromSize(200, 120, kWidth, kHeight);
    return VWindowImpl<CDlgMsgGroup>::Create(nullptr, work, QStringLiteral("Lumeno"), WS_POPUP);
}

void CDlgMsgGroup::OnCreate() {
    shadow_.Create(m_hWnd);
    SetCornerRadius(palette::kCornerRadius);
    pictures_ = std::make_unique<CCachedPictures>(*this);
    list_.SetRowHeight(kRowHeight);
    list_.Create(m_hWnd, UiRect(0, kCaptionHeight, kListWidth, kHeight));
    list_.SetOpaque(true);
    bar_.CreateSkinned(m_hWnd, list_);
    list_.ShowWindow(SW_HIDE);
    CApiController::Instance().Events().Subscribe(kEventMask, this);
    subscribed_ = true;
    SetConversationOpener([this](const ConversationRequest& request) {
        if (request.conversationId) OpenConversation(request.conversationId, true);
        CDlgMessage* chat = request.unsent.empty() ? nullptr : Chat(request.conversationId);
        if (chat && chat->Input())
            chat->Input()->Restore(SerializeText(request.unsent), IsChatEmoticon);
        if (!request.userId.empty()) StartConversation(request.userId, request.anonymous);
        if (request.closeAll) CloseAll();
    });
    SetFrontConversationQuery([this](std::int32_t conversationId) {
        const QWidget* widget = Widget();
        return chats_.count(conversationId) != 0 && conversationId == selected_ && widget &&
               widget->isVisible() && widget->isActiveWindow() && !widget->isMinimized();
    });
}

CDlgMessage* CDlgMsgGroup::Chat(std::int32_t conversationId) const {
    const auto found = chats_.find(conversationId);
    return found == chats_.end() ? nullptr : found->second.get();
}

UiRect CDlgMsgGroup::ChatArea() const {
    const UiRect client = GetClientRect();
    return UiRect(listHidden_ ? 0 : kListWidth, kCaptionHeight, client.right, client.bottom);
}

void CDlgMsgGroup::OnLayout(int width, int height) {
    if (list_.IsWindow()) list_.MoveWindow(0, kCaptionHeight, kListWidth, height - kCaptionHeight);
    const UiRect area = ChatArea();
    for (auto& [id, chat] : chats_) {
        if (chat && chat->IsWindow())
            chat->MoveWindow(area.left, area.top, std::max(0, width - area.left), area.Height());
    }
}

void CDlgMsgGroup::OpenConversation(std::int32_t conversationId, bool activate) {
    if (!IsWindow()) return;
    if (!chats_.count(conversationId)) {
        const ConversationRecord* conversation = FindConversation(conversationId);
        if (!conversation || conversation->deleted == 1) return;
        auto chat = std::make_unique<CDlgMessage>(conversationId,
                                                  QString::fromStdString(conversation->name));
        const UiRect area = ChatArea();
        if (!chat->Create(m_hWnd, area, QString(), WS_CHILD)) return;
        chats_[conversationId] = std::move(chat);
        order_.insert(order_.begin(), conversationId);
        if (activate || order_.size() == 1) SelectConversation(conversationId);
        UpdateListState();
    } else if (!IsWindowVisible() || activate) {
        SelectConversation(conversationId);
    }
    if (activate) {
        ShowWindow(IsIconic() ? SW_RESTORE : SW_SHOW);
        if (QWidget* widget = Widget()) {
            widget->raise();
            widget->activateWindow();
        }
        PostMessage(UM_MARK_READ, 0, 0);
        UpdateTitle(selected_);
        return;
    }
    // Opened by an arrival: shown without the keyboard, asking for attention once.
    if (!IsWindowVisible()) {
        if (QWidget* widget = Widget()) {
            widget->setAttribute(Qt::WA_ShowWithoutActivating);
            widget->showMinimized();
        }
    }
    if (QWidget* widget = Widget()) QApplication::alert(widget);
    ++alerts_;
    UpdateTitle(conversationId == selected_ ? selected_ : conversationId);
}

void CDlgMsgGroup::StartConversation(const std::string& userId, bool anonymous) {
    RunFlowOnce(startFlow_, [this, alive = alive_, userId, anonymous](CAsyncWorkFlow& flow) {
        ErrorRecord error;
        const std::int32_t id = GetConversationId(&error, anonymous, flow, {userId});
        if (!*alive) return;
        if (id > 0) {
            PostMessage(UM_OPEN_TAB, 0, id);
        } else if (error.error_code > 0) {
            ShowMessageBox(m_hWnd,
                           error.error_msg + " (错误码: " + std::to_string(error.error_code) + ")",
                           "出错啦~~", MB_OK);
        }
    });
}

void CDlgMsgGroup::SelectConversation(std::int32_t conversationId) {
    if (std::find(order_.begin(), order_.end(), conversationId) == order_.end()) return;
    selected_ = conversationId;
    const UiRect client = GetClientRect();
    OnLayout(client.Width(), client.Height());
    for (auto& [id, chat] : chats_) {
        if (id != conversationId && chat->IsWindow()) chat->ShowWindow(SW_HIDE);
    }
    if (CDlgMessage* chat = Chat(conversationId)) chat->ShowWindow(SW_SHOW);
    list_.Invalidate(false);
    PostMessage(UM_MARK_READ, 0, 0);
    UpdateTitle(selected_);
    Invalidate(false);
}

void CDlgMsgGroup::CloseConversation(std::int32_t conversationId) {
    const auto at = std::find(order_.begin(), order_.end(), conversationId);
    if (at == order_.end()) return;
    const bool closingSelected = conversationId == selected_;
    std::int32_t next = at + 1 != order_.end() ? *(at + 1) : 0;
    order_.erase(at);
    // The chat window goes after the current event: the close may come from inside it.
    if (auto found = chats_.find(conversationId); found != chats_.end()) {
        std::shared_ptr<CDlgMessage> going(found->second.release());
        chats_.erase(found);
        going->LetGo();
        going->ShowWindow(SW_HIDE);
        QMetaObject::invokeMethod(
            qApp, [going] { going->DestroyWindow(); }, Qt::QueuedConnection);
    }
    if (closingSelected) {
        selected_ = 0;
        if (next == 0 && !order_.empty()) next = order_.back();
        if (next) SelectConversation(next);
    }
    UpdateListState();
    UpdateTitle(selected_);
}

void CDlgMsgGroup::CloseAll() {
    if (!IsWindow()) return;
    for (auto& [id, chat] : chats_) {
        std::shared_ptr<CDlgMessage> going(chat.release());
        going->LetGo();
        going->ShowWindow(SW_HIDE);
        QMetaObject::invokeMethod(
            qApp, [going] { going->DestroyWindow(); }, Qt::QueuedConnection);
    }
    chats_.clear();
    order_.clear();
    selected_ = 0;
    title_.clear();
    listHidden_ = true;
    list_.ShowWindow(SW_HIDE);
    ShowWindow(SW_HIDE);
    ResizeClient(kWidth, kHeight);
}

void CDlgMsgGroup::UpdateListState() {
    const std::size_t open = chats_.size();
    if (open == 0) {
        ShowWindow(SW_HIDE);
        return;
    }
    const bool hide = open <= 1;
    if (hide != listHidden_) {
        // The column takes its width from the conversation, or gives it back.
        const UiRect client = GetClientRect();
        ResizeClient(client.Width() + (hide ? -kListWidth : kListWidth), client.Height());
    }
    listHidden_ = hide;
    list_.ShowWindow(listHidden_ ? SW_HIDE : SW_SHOW);
    list_.SetCount(static_cast<int>(order_.size()));
    const UiRect client = GetClientRect();
    OnLayout(client.Width(), client.Height());
    list_.Invalidate(false);
    Invalidate(false);
}

void CDlgMsgGroup::UpdateTitle(std::int32_t conversationId) {
    if (const ConversationRecord* conversation = FindConversation(conversationId))
        title_ = QString::fromStdString(conversation->name);
    const QString text =
        order_.size() < 2
            ? title_
            : QStringLiteral("%1等%2个会话").arg(title_).arg(static_cast<int>(order_.size()));
    SetWindowText(text);
    UpdateIcon();
    Invalidate(false);
}

void CDlgMsgGroup::UpdateIcon() {
    QWidget* widget = Widget();
    const ConversationRecord* conversation = FindConversation(selected_);
    if (!widget || !conversation) return;
    // The conversation's picture once it is in memory, the default picture until then.
    const std::string& url = conversation->type == 3 ? std::string() : conversation->peer_avatar;
    const QImage* picture = url.empty() ? nullptr : pictures_->Find(url, kSmallAvatarPixels);
    const std::string source = picture ? url : std::string();
    if (iconSet_ && source == iconSource_) return;
    const QImage image =
        picture ? *picture : QImage(SkinFilePath(QStringLiteral("main_icon_default.png")));
    if (image.isNull()) return;
    widget->setWindowIcon(QIcon(QPixmap::fromImage(image)));
    iconSource_ = source;
    iconSet_ = true;
}

void CDlgMsgGroup::PlayNotifySound() {
    if (!ReadConfigFlag(config_keys::kSoundNotify)) return;
    ++sounds_;
    static QSoundEffect* effect = [] {
        auto* sound = new QSoundEffect(qApp);
        sound->setSource(QUrl::fromLocalFile(SkinDirectory() + QStringLiteral("/notify.wav")));
        return sound;
    }();
    effect->play();
}

void CDlgMsgGroup::OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) {
    if (kind == db_event::kNewMessage && first == 0) {
        const MessageRecord* message = CDBMsgDlg::Instance().FindMessage(second);
        if (!message || message->is_me) return;
        const ConversationRecord* conversation = FindConversation(message->mid);
        if (!conversation || conversation->deleted == 1) return;
        const bool open = chats_.count(message->mid) != 0;
        const QWidget* widget = Widget();
        const bool watching = open && message->mid == selected_ && widget &&
                              widget->isActiveWindow() && !widget->isMinimized();
        if (!open && conversation->notify != 0) OpenConversation(message->mid, false);
        if (!watching && conversation->notify != 0) PlayNotifySound();
        list_.Invalidate(false);
    } else if (kind == db_event::kConversationChanged || kind == db_event::kConversationSync) {
        list_.Invalidate(false);
        UpdateTitle(selected_);
    }
}

void CDlgMsgGroup::CloseRequest() {
    if (order_.size() > 1) {
        bool cancelled = false;
        const bool all = AskCloseAllConversations(m_hWnd, cancelled);
        if (cancelled) return;
        if (!all) {
            CloseConversation(selected_);
            return;
        }
    }
    CloseAll();
}

bool CDlgMsgGroup::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return false;
        case WM_CLOSE:
            CloseRequest();
            result = 0;
            return true;
        case UM_OPEN_TAB:
            OpenConversation(static_cast<std::int32_t>(lParam), wParam != 1);
            return true;
        case UM_CLOSE_TAB:
            CloseConversation(static_cast<std::int32_t>(lParam));
            return true;
        case UM_MARK_READ: {
            const QWidget* widget = Widget();
            if (selected_ && FindConversation(selected_) && IsWindowVisible() && widget &&
                widget->isActiveWindow() && !widget->isMinimized())
                MarkConversationRead(selected_);
            return true;
        }
        case WM_ACTIVATE:
            if (wParam) PostMessage(UM_MARK_READ, 0, 0);
            return false;
        case WM_GETMINMAXINFO: {
            // Room for a chat window, and for the tab column while it shows.
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            limits->ptMinTrackSize = {listHidden_ ? kWidth : kWidth + kListWidth, kHeight};
            const UiRect window = GetWindowRect();
            const platform::ScreenRect work =
                platform::WorkAreaOf({window.left, window.top, window.right, window.bottom});
            limits->ptMaxPosition = {work.left - 2, work.top - 2};
            limits->ptMaxSize = {work.Width() + 4, work.Height() + 4};
            return true;
        }
        case WM_LBUTTONDBLCLK:
            ShowWindow(IsZoomed() ? SW_RESTORE : SW_MAXIMIZE);
            return true;
        case WM_DESTROY:
            if (subscribed_) CApiController::Instance().Events().Unsubscribe(kEventMask, this);
            subscribed_ = false;
            return false;
        default:
            return false;
    }
}

void CDlgMsgGroup::DoUI(UiContext& ctx) {
    UiRegion root(ctx);
    const UiRect client = ctx.client;
    UiFill(root, UiRect(0, 0, client.right, kCaptionHeight), palette::kBrand);
    // A group (or a conversation of several) offers its information before the title.
    int captionLeft = 0;
    const ConversationRecord* selected = FindConversation(selected_);
    if (selected && (selected->type == 2 || selected->type == 3)) {
        const UiRect info = UiRect::FromSize(kInfoButtonLeft, (kCaptionHeight - kInfoButton) / 2,
                                             kInfoButton, kInfoButton);
        captionLeft = info.right;
        if (UiButton(root, info, QString(), QStringLiteral("聊天信息"), kUiTakesMouse,
                     &SkinImage("dlg_left_btn.png"))) {
            ctx.Later([this, alive = alive_] {
                if (*alive && selected_) CMainWnd::Instance().OpenGroupInfoWindow(selected_);
            });
        }
    }
    const CaptionResult caption =
        UiCaption(root, UiRect(captionLeft, 0, client.right, kCaptionHeight), GetWindowText(),
                  CaptionButtons::Close | CaptionButtons::Maximise | CaptionButtons::Minimise,
                  IsZoomed(), &TextFont(14), palette::kTextOnBrand);
    if (caption.hit != CaptionHit::None) {
        ctx.Later([this, alive = alive_, hit = caption.hit] {
            if (!*alive) return;
            if (hit == CaptionHit::Close) PostMessage(WM_CLOSE, 0, 0);
            if (hit == CaptionHit::Maximise) ShowWindow(IsZoomed() ? SW_RESTORE : SW_MAXIMIZE);
            if (hit == CaptionHit::Minimise) ShowWindow(SW_MINIMIZE);
        });
    }
    if (chats_.empty())
        UiFill(root, UiRect(0, kCaptionHeight, client.right, client.bottom), palette::kPage);
}

void CDlgMsgGroup::DrawBackground(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, palette::kRow);
}

void CDlgMsgGroup::DrawRow(UiContext& ctx, int index, const UiRect& rect) {
    if (index < 0 || index >= static_cast<int>(order_.size())) return;
    const std::int32_t id = order_[static_cast<std::size_t>(index)];
    const ConversationRecord* conversation = FindConversation(id);
    UiRegion root(ctx);
    const bool chosen = id == selected_;
    const bool hovered = list_.HoverRow() == index;
    UiFill(root, rect, chosen ? palette::kBrandTint : hovered ? palette::kRowHover : palette::kRow);
    const int avatar = 32;
    const UiRect picture =
        UiRect::FromSize(rect.left + 8, rect.top + (kRowHeight - avatar) / 2, avatar, avatar);
    const QString name = conversation ? QString::fromStdString(conversation->name) : QString();
    if (conversation && conversation->type == 3) {
        pictures_->DrawGroupTile(root, picture, id, conversation->member_ids,
                                 SkinImage("main_icon_default.png"), name);
    } else if (conversation) {
        pictures_->Draw(root, picture, conversation->peer_avatar, kSmallAvatarPixels,
                        SkinImage("main_icon_default.png"), name);
        // The selected conversation's picture has come: it becomes the window's icon.
        if (chosen && iconSource_ != conversation->peer_avatar &&
            pictures_->Find(conversation->peer_avatar, kSmallAvatarPixels))
            ctx.Later([this, alive = alive_] {
                if (*alive) UpdateIcon();
            });
    }
    const int textLeft = picture.right + 8;
    const int closeSize = 18;
    UiLabel(root, UiRect(textLeft, rect.top, rect.right - closeSize - 12, rect.bottom), name,
            &TextFont(13), palette::kTextStrong, DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    const int badge = conversation && id != selected_ ? conversation->badge : 0;
    if (badge > 0) {
        const UiRect dot = UiRect::FromSize(picture.right - 8, picture.top - 3, 14, 14);
        UiFill(root, dot, palette::kAlert);
        UiLabel(root, dot, badge > 99 ? QStringLiteral("…") : QString::number(badge), &TextFont(10),
                palette::kTextOnBrand, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    const UiRect close = UiRect::FromSize(
        rect.right - closeSize - 8, rect.top + (kRowHeight - closeSize) / 2, closeSize, closeSize);
    // The tab's close button: a grey cross, named for readers by its tooltip.
    const bool closeShown = hovered || chosen;
    const bool closeClicked =
        closeShown &&
        UiButton(root, close, QString(), QStringLiteral("关闭 ") + name, kUiTakesMouse, nullptr);
    if (closeShown) {
        UiLabel(root, close, QStringLiteral("×"), &TextFont(14), palette::kIcon,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    if (closeClicked) {
        ctx.Later([this, alive = alive_, id] {
            if (*alive) CloseConversation(id);
        });
        return;
    }
    if (UiHitArea(root, rect)) {
        ctx.Later([this, alive = alive_, id] {
            if (*alive) SelectConversation(id);
        });
    }
}

QString CDlgMsgGroup::RowName(int index) {
    if (index < 0 || index >= static_cast<int>(order_.size())) return QString();
    const ConversationRecord* conversation =
        FindConversation(order_[static_cast<std::size_t>(index)]);
    return conversation ? QString::fromStdString(conversation->name) : QString();
}
