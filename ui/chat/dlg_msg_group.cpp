#include "ui/chat/dlg_msg_group.h"

#include <QApplication>
#include <QIcon>
#include <QKeySequence>
#include <QPainter>
#include <QPixmap>
#include <QShortcut>
#include <QSoundEffect>
#include <QUrl>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "api/api_controller.h"
#include "api/conversation_sync.h"
#include "api/group_chat.h"
#include "config/config.h"
#include "platform/screen.h"
#include "storage/image_cache.h"
#include "storage/msg_dlg_store.h"
#include "toolkit/elements/text_draw.h"
#include "toolkit/elements/ui_caption.h"
#include "toolkit/skin/skin_colors.h"
#include "toolkit/skin/skin_directory.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "toolkit/window/resize_border.h"
#include "ui/chat/chat_entry.h"
#include "ui/chat/chat_input.h"
#include "ui/chat/dlg_message.h"
#include "ui/common/unread_badge.h"
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
    list_.Create(m_hWnd, UiRect(kResizeBand, kCaptionHeight, kResizeBand + kListWidth,
                                kHeight - kResizeBand));
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
        return chats_.count(conversationId) != 0 && conversationId == selected_ && InFront();
    });
    // Ctrl+Tab goes through the conversations wherever the keyboard is in the window (the box,
    // the page, the tabs); without this it would walk the window's buttons as Tab does.
    if (QWidget* widget = Widget()) {
        const auto add = [this, widget](const QKeySequence& keys, bool down) {
            auto* shortcut = new QShortcut(keys, widget);
            shortcut->setContext(Qt::WindowShortcut);
            const auto select = [this, alive = alive_, down] {
                if (*alive) SelectNeighbour(down);
            };
            // Where a platform reads Ctrl+Shift+Tab as both of its forms, both shortcuts match.
            QObject::connect(shortcut, &QShortcut::activated, select);
            QObject::connect(shortcut, &QShortcut::activatedAmbiguously, select);
        };
        add(QKeySequence(Qt::CTRL | Qt::Key_Tab), true);
        add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), false);
        add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), false);
    }
}

bool CDlgMsgGroup::InFront() const {
    const QWidget* widget = Widget();
    return widget && widget->isVisible() && widget->isActiveWindow() && !widget->isMinimized();
}

void CDlgMsgGroup::SelectNeighbour(bool down) {
    const auto at = std::find(order_.begin(), order_.end(), selected_);
    if (order_.size() < 2 || at == order_.end()) return;
    const auto count = static_cast<std::ptrdiff_t>(order_.size());
    const std::ptrdiff_t index = ((at - order_.begin()) + (down ? 1 : count - 1)) % count;
    SelectConversation(order_[static_cast<std::size_t>(index)]);
}

CDlgMessage* CDlgMsgGroup::Chat(std::int32_t conversationId) const {
    const auto found = chats_.find(conversationId);
    return found == chats_.end() ? nullptr : found->second.get();
}

UiRect CDlgMsgGroup::ChatArea() const {
    const UiRect client = GetClientRect();
    return ChatArea(client.Width(), client.Height());
}

UiRect CDlgMsgGroup::ChatArea(int width, int height) const {
    // A band along the window's sides and bottom stays free of child windows: pressed there,
    // the window is resized.
    const int left = kResizeBand + (listHidden_ ? 0 : kListWidth);
    return UiRect(left, kCaptionHeight, std::max(left, width - kResizeBand),
                  std::max(kCaptionHeight, height - kResizeBand));
}

void CDlgMsgGroup::OnLayout(int width, int height) {
    if (list_.IsWindow()) {
        list_.MoveWindow(kResizeBand, kCaptionHeight, kListWidth,
                         std::max(0, height - kCaptionHeight - kResizeBand));
    }
    const UiRect area = ChatArea(width, height);
    for (auto& [id, chat] : chats_) {
        if (chat && chat->IsWindow())
            chat->MoveWindow(area.left, area.top, area.Width(), area.Height());
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
    // Opened by an arrival: shown without the keyboard, asking for attention once. A minimised
    // window switches to the conversation; one in the background names it in its title.
    if (!IsWindowVisible()) ShowMinimisedQuietly();
    AskForAttention();
    if (InFront() || conversationId == selected_) {
        UpdateTitle(selected_);
    } else {
        PointToNews(conversationId);
    }
}

void CDlgMsgGroup::PointToNews(std::int32_t conversationId) {
    if (IsIconic()) {
        SelectConversation(conversationId);
    } else {
        UpdateTitle(conversationId);
    }
}

void CDlgMsgGroup::ShowMinimisedQuietly() {
    QWidget* widget = Widget();
    if (!widget) return;
    // The window system is told not to hand this window the keyboard when it maps it: the
    // widget's attribute reaches a window that exists already only through its handle.
    widget->setAttribute(Qt::WA_ShowWithoutActivating);
    QWindow* handle = widget->windowHandle();
    if (handle) handle->setProperty("_q_showWithoutActivating", true);
    // Shown first and minimised once there: a window minimised before it is mapped is mapped as
    // a normal one by the window manager (which then gives it the keyboard), and a hidden one
    // would hear of its size only while minimised and keep laying out for the size it had.
    widget->show();
    widget->showMinimized();
    if (handle) handle->setProperty("_q_showWithoutActivating", QVariant());
    widget->setAttribute(Qt::WA_ShowWithoutActivating, false);
}

void CDlgMsgGroup::AskForAttention() {
    if (QWidget* widget = Widget()) QApplication::alert(widget);
    ++alerts_;
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
    // Back to one conversation's size while still shown, so that the window lays itself out for
    // the size it has when it comes back.
    if (IsZoomed()) ShowWindow(SW_RESTORE);
    listHidden_ = true;
    list_.ShowWindow(SW_HIDE);
    // Without the column it may be narrower again.
    ApplySizeLimits();
    ResizeClient(kWidth, kHeight);
    ShowWindow(SW_HIDE);
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
    titleId_ = 0;
    SetWindowText(QString());
}

void CDlgMsgGroup::UpdateListState() {
    const std::size_t open = chats_.size();
    if (open == 0) {
        ShowWindow(SW_HIDE);
        return;
    }
    const bool hide = open <= 1;
    // The window grows by the column's width, or gives it back; a maximised one keeps its size.
    // The least size follows, after growing and before shrinking.
    const bool resize = hide != listHidden_ && !IsZoomed();
    const UiRect before = GetClientRect();
    listHidden_ = hide;
    if (resize && !hide) ResizeClient(before.Width() + kListWidth, before.Height());
    ApplySizeLimits();
    if (resize && hide) ResizeClient(before.Width() - kListWidth, before.Height());
    list_.ShowWindow(listHidden_ ? SW_HIDE : SW_SHOW);
    list_.SetCount(static_cast<int>(order_.size()));
    const UiRect client = GetClientRect();
    OnLayout(client.Width(), client.Height());
    list_.Invalidate(false);
    Invalidate(false);
}

void CDlgMsgGroup::UpdateTitle(std::int32_t conversationId) {
    if (const ConversationRecord* conversation = FindConversation(conversationId)) {
        title_ = QString::fromStdString(conversation->name);
        titleId_ = conversationId;
    }
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
    // The anonymous member's picture; else the conversation's picture once it is in memory, the
    // default picture until then.
    QImage image;
    std::string source;
    if (CKesBitmap* anonymous = anonymous_.For(*conversation)) {
        image = QImage(anonymous->FrameWidth(), anonymous->FrameHeight(),
                       QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        anonymous->Draw(painter, 0, 0);
        painter.end();
        source = "anonymous:" + anonymous->Path().toStdString();
    } else {
        const std::string& url =
            conversation->type == 3 ? std::string() : conversation->peer_avatar;
        const QImage* picture = url.empty() ? nullptr : pictures_->Find(url, kSmallAvatarPixels);
        source = picture ? url : std::string();
        image = picture ? *picture : QImage(SkinFilePath(QStringLiteral("main_icon_default.png")));
    }
    if (iconSet_ && source == iconSource_) return;
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
        OnNewMessage(second);
    } else if (kind == db_event::kConversationChanged || kind == db_event::kConversationSync) {
        list_.Invalidate(false);
        // The shown conversation may have a new name; a title naming another one with news
        // stays until the person comes to the window.
        if (kind == db_event::kConversationChanged && first == selected_ && titleId_ == selected_)
            UpdateTitle(selected_);
    } else if (kind == db_event::kMembersChanged && second == db_event::kDone &&
               chats_.count(first)) {
        // The conversation was left or removed: nothing can be sent there any more.
        PostMessage(UM_CLOSE_TAB, 0, first);
    }
}

void CDlgMsgGroup::OnNewMessage(std::int32_t messageId) {
    const MessageRecord* message = CDBMsgDlg::Instance().FindMessage(messageId);
    if (!message) return;
    const std::int32_t id = message->mid;
    bool newTab = true;
    if (chats_.count(id) && !order_.empty()) {
        // What arrives in the conversation being read is read; the tab goes to the top.
        if (const auto at = std::find(order_.begin(), order_.end(), id); at != order_.end()) {
            PostMessage(UM_MARK_READ, 0, 0);
            newTab = false;
            order_.erase(at);
        }
        order_.insert(order_.begin(), id);
        list_.Invalidate(false);
        Invalidate(false);
    }
    const ConversationRecord* conversation = FindConversation(id);
    if (message->is_me || !conversation || conversation->notify == 0 || conversation->deleted == 1)
        return;
    if (newTab) {
        OpenConversation(id, false);
        PlayNotifySound();
        return;
    }
    const bool inFront = InFront();
    if (inFront && id == selected_) return;
    // A busy group would sound at every message: it only asks for attention.
    AskForAttention();
    if (conversation->type != kGroupConversationType) PlayNotifySound();
    if (inFront || id == selected_) return;
    PointToNews(id);
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
        case UM_MARK_READ:
            if (selected_ && FindConversation(selected_) && InFront())
                MarkConversationRead(selected_);
            return true;
        case WM_ACTIVATE:
            // The person is here: the title names the conversation shown, which is now read.
            if (wParam) {
                UpdateTitle(selected_);
                PostMessage(UM_MARK_READ, 0, 0);
            }
            return false;
        case WM_SIZE:
            // Shown again (restored from minimised, say): what is on screen is read.
            if (wParam != SIZE_MINIMIZED) PostMessage(UM_MARK_READ, 0, 0);
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
        case WM_NCHITTEST: {
            // Resized from its edges and corners; maximised it is all client area.
            result = HTCLIENT;
            if (IsZoomed()) return true;
            const UiRect client = GetClientRect();
            result = NcHitResult(
                BorderHitAt(ScreenToClient(QPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))),
                            client.Width(), client.Height(), kResizeBand));
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
    UiImage(root, UiRect(0, 0, client.right, kCaptionHeight), SkinImage("main_top_bg.png"));
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
    // Below the caption: the frame around the column and the conversation (and all of it while
    // no conversation is open).
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
    if (!conversation) return;
    const int avatar = 32;
    const UiRect picture =
        UiRect::FromSize(rect.left + 8, rect.top + (kRowHeight - avatar) / 2, avatar, avatar);
    const QString name = QString::fromStdString(conversation->name);
    CKesBitmap& fallback = SkinImage("main_icon_default.png");
    if (CKesBitmap* anonymous = anonymous_.For(*conversation)) {
        UiImage(root, picture, *anonymous);
    } else if (conversation->type == 3) {
        pictures_->DrawGroupTile(root, picture, id, conversation->member_ids, fallback, name);
    } else {
        pictures_->Draw(root, picture, conversation->peer_avatar, kSmallAvatarPixels, fallback,
                        name);
        // The selected conversation's picture has come: it becomes the window's icon.
        if (chosen && iconSource_ != conversation->peer_avatar &&
            pictures_->Find(conversation->peer_avatar, kSmallAvatarPixels))
            ctx.Later([this, alive = alive_] {
                if (*alive) UpdateIcon();
            });
    }
    // The right end of the name: left of the close button, or of the badge.
    const UiRect close = TabCloseButton(rect);
    const bool closeShown = hovered || chosen;
    const int badge = chosen ? 0 : conversation->badge;
    int right = close.left - kTabGap;
    if (!closeShown && badge > 0)
        right = rect.right - kTabCloseRight - UnreadBadgePicture(badge).FrameWidth() - kTabGap;
    const int textLeft = picture.right + 8;
    const QFont& face = TextFont(13);
    const int nameWidth = std::min(right - textLeft, TextWidth(face, name));
    UiLabel(root, UiRect(textLeft, rect.top, textLeft + nameWidth, rect.bottom), name, &face,
            palette::kTextStrong, DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    // A verified peer: the "V" mark after the name, where it fits.
    if (conversation->peer_judge != 0 && !name.isEmpty()) {
        CKesBitmap& mark = SkinImage("icon_v1.png");
        const int markLeft = textLeft + nameWidth + kTabMarkGap;
        if (markLeft + mark.FrameWidth() <= right) {
            UiImage(root,
                    UiRect::FromSize(markLeft, rect.top + (kRowHeight - mark.FrameHeight()) / 2,
                                     mark.FrameWidth(), mark.FrameHeight()),
                    mark);
        }
    }
    if (!closeShown && badge > 0) {
        CKesBitmap& badgePicture = UnreadBadgePicture(badge);
        DrawUnreadBadge(root, rect.right - kTabCloseRight - badgePicture.FrameWidth(),
                        rect.top + (kRowHeight - badgePicture.FrameHeight()) / 2, badge);
    }
    // The row takes a click anywhere its close button does not: the button lies on top of it.
    if (UiHitArea(root, rect)) {
        ctx.Later([this, alive = alive_, id] {
            if (*alive) SelectConversation(id);
        });
        return;
    }
    // The tab's close button, in the skin's looks for normal, hovered and pressed; named for
    // readers by its tooltip.
    if (closeShown && UiButton(root, close, QString(), QStringLiteral("关闭 ") + name,
                               kUiTakesMouse, &SkinImage("dlgLeftClose_btn.png"))) {
        ctx.Later([this, alive = alive_, id] {
            if (*alive) CloseConversation(id);
        });
    }
}

UiRect CDlgMsgGroup::TabCloseButton(const UiRect& row) {
    CKesBitmap& picture = SkinImage("dlgLeftClose_btn.png");
    const int width = picture.FrameWidth();
    const int height = picture.FrameHeight();
    return UiRect::FromSize(row.right - width - kTabCloseRight,
                            row.top + (row.Height() - height) / 2, width, height);
}

QRect CDlgMsgGroup::TabCloseButtonOnScreen(int row) const {
    if (!list_.IsWindow() || !list_.IsWindowVisible() || row < 0 ||
        row >= static_cast<int>(order_.size()))
        return QRect();
    const UiRect close = TabCloseButton(list_.GetItemRect(row));
    return QRect(list_.ClientToScreen(QPoint(close.left, close.top)), close.ToQRect().size());
}

QString CDlgMsgGroup::RowName(int index) {
    if (index < 0 || index >= static_cast<int>(order_.size())) return QString();
    const std::int32_t id = order_[static_cast<std::size_t>(index)];
    const ConversationRecord* conversation = FindConversation(id);
    if (!conversation) return QString();
    // As the badge shows it: none on the selected tab.
    const int badge = id == selected_ ? 0 : conversation->badge;
    const QString name = QString::fromStdString(conversation->name);
    return badge > 0 ? name + QStringLiteral("，%1条未读").arg(UnreadBadgeText(badge)) : name;
}
