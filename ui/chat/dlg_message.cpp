#include "ui/chat/dlg_message.h"

#include <QFileDialog>
#include <QImageReader>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "api/api_controller.h"
#include "api/conversation_sync.h"
#include "api/login.h"
#include "api/send_message.h"
#include "api/voice_player.h"
#include "config/log.h"
#include "conversation/emoticon_table.h"
#include "conversation/page_links.h"
#include "conversation/store_sources.h"
#include "platform/window.h"
#include "storage/msg_dlg_store.h"
#include "storage/user_store.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/skin_directory.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/chat/chat_input.h"
#include "ui/chat/chat_style.h"
#include "ui/chat/draft_book.h"
#include "ui/chat/emoticon_picker.h"
#include "ui/chat/mention_match.h"
#include "ui/chat/picture_open.h"
#include "ui/chat/sends_in_flight.h"
#include "ui/main/main_wnd.h"
#include "ui/prompts/dlg_suggest.h"
#include "ui/prompts/message_box.h"
#include "ui/ui_messages.h"

namespace cs = chat_style;

namespace {

constexpr int kAreaInset = 10;
constexpr char kAnonymousProfile[] = "匿名的用户无法查看联系人详情";
constexpr char kAnonymousOn[] = "你已经进入匿名模式，现在发言将不会显示";
constexpr char kAnonymousOnMore[] = "你的头像和名字，可以放心的吐槽和爆料啦";

}  // namespace

const EmoticonTable& ChatEmoticons() {
    static const EmoticonTable table = EmoticonTable::Load(SkinDirectory().toStdString());
    return table;
}

bool IsChatEmoticon(const std::string& path) {
    return ChatEmoticons().CodeForImage(path).has_value();
}

ItemSources CDlgMessage::Sources() const {
    ItemSources sources = StoreItemSources(conversationId_);
    sources.emoticons = &ChatEmoticons();
    return sources;
}

CDlgMessage::CDlgMessage(std::int32_t conversationId, const QString& title)
    : conversationId_(conversationId), title_(title) {}

CDlgMessage::~CDlgMessage() {
    LetGo();
    *alive_ = false;
    CAsyncWorkFlow::CancelFlow(&historyFlow_);
    CAsyncWorkFlow::CancelFlow(&pictureFlow_);
    if (subscribed_) CApiController::Instance().Events().Unsubscribe(kEventMask, this);
    delete input_.data();
}

void CDlgMessage::OnCreate() {
    SetWindowText(QStringLiteral("Lumeno - ") + title_);
    input_ = new CChatInput(Surface(), m_hWnd);
    input_->setFont(TextFont(12));
    input_->setAccessibleName(QStringLiteral("输入消息"));
    // What was typed here before and not sent is back.
    account_ = MyUserId();
    if (!account_.empty()) {
        input_->SetSerialized(DraftBook::Of(account_).Get(conversationId_), IsChatEmoticon);
        // Sends made by an earlier window of this conversation that are still on their way.
        outstanding_.merge(SendsInFlight::Instance().TakeFor(account_, conversationId_));
    }
    const UiRect client = GetClientRect();
    if (page_.Create(m_hWnd, UiRect(0, 0, client.Width(),
                                    std::max(0, InputFrame().top - cs::kAreaPadding)))) {
        page_.NavigateToConversationPage();
    } else {
        WriteLogText("the conversation page could not be made");
        pageGone_ = true;
    }
    // The bars lie over the top of the page, hidden until they have something to tell.
    const UiRect bar(kAreaInset, 0, client.Width() - kAreaInset, kNoticeBarHeight);
    for (CPageUnReadMsg* notice : {&unreadBar_, &newBar_, &mentionBar_}) {
        notice->Create(m_hWnd, bar);
        // Hidden for good: made before this window shows, it would otherwise show with it.
        notice->ShowWindow(SW_HIDE);
    }
    yellowBar_.Create(m_hWnd, UiRect(0, 0, client.Width(), kNoticeBarHeight));
    yellowBar_.ShowWindow(SW_HIDE);
    if (const ConversationRecord* conversation =
            CDBMsgDlg::Instance().FindConversation(conversationId_))
        badgeAtOpen_ = conversation->badge;
    CApiController::Instance().Events().Subscribe(kEventMask, this);
    subscribed_ = true;
    SetTimer(kFirstLoadTimer, kFirstLoadDelayMs);
    OnLayout(client.Width(), client.Height());
}

UiRect CDlgMessage::InputFrame() const {
    const UiRect client = GetClientRect();
    const int right = client.Width() - cs::kSendWidth - cs::kSendRight - cs::kAreaPadding - 1;
    int lines = 1;
    if (input_) {
        // The lines as the person sees them in the box (wrapped ones count); a photo stands as
        // high as the most lines, an emoticon only as high as its line.
        lines = input_->HoldsPhoto()
                    ? cs::kInputMaxLines
                    : input_->LinesAt(right - cs::kToolStripWidth - 2 * cs::kInputInsetX);
    }
    lines = std::clamp(lines, 1, cs::kInputMaxLines);
    const int height = cs::kInputFirstLine + cs::kInputLineHeight * (lines - 1);
    const int bottom = client.Height() - cs::kInputBottom;
    return UiRect(cs::kToolStripWidth, bottom - height, right, bottom);
}

void CDlgMessage::OnLayout(int width, int height) {
    if (!input_) return;
    const UiRect frame = InputFrame();
    const QPoint origin = ClientOrigin();
    input_->setGeometry(frame.left + cs::kInputInsetX + origin.x(),
                        frame.top + cs::kInputInsetY + origin.y(),
                        std::max(0, frame.Width() - 2 * cs::kInputInsetX),
                        std::max(0, frame.Height() - 2 * cs::kInputInsetY));
    PlacePage(width, std::min(height, frame.top - cs::kAreaPadding));
}

int CDlgMessage::PageTop() const {
    return yellowBar_.IsWindow() && yellowBar_.IsWindowVisible() ? kNoticeBarHeight : 0;
}

void CDlgMessage::PlacePage(int width, int bottom) {
    const int top = PageTop();
    VWindow(page_.Handle()).MoveWindow(0, top, width, std::max(0, bottom - top));
    if (yellowBar_.IsWindow()) yellowBar_.MoveWindow(0, 0, width, kNoticeBarHeight);
    // The count of unread messages and a mention at the top of the page, one under the other;
    // the preview of a new message at its bottom, where new messages come in.
    const int barWidth = std::max(0, width - 2 * kAreaInset);
    int barTop = top;
    for (CPageUnReadMsg* bar : {&unreadBar_, &mentionBar_}) {
        if (!bar->IsWindow()) continue;
        bar->MoveWindow(kAreaInset, barTop, barWidth, kNoticeBarHeight);
        if (bar->IsWindowVisible()) barTop += kNoticeBarHeight;
    }
    if (newBar_.IsWindow())
        newBar_.MoveWindow(kAreaInset, std::max(top, bottom - kNoticeBarHeight), barWidth,
                           kNoticeBarHeight);
}

bool CDlgMessage::OffersAnonymity() const {
    const ConversationRecord* conversation =
        CDBMsgDlg::Instance().FindConversation(conversationId_);
    return conversation && conversation->member_ids.size() >= 2;
}

bool CDlgMessage::Anonymous() const {
    const ConversationRecord* conversation =
        CDBMsgDlg::Instance().FindConversation(conversationId_);
    return conversation && conversation->type == 3 && conversation->me_is_anony != 0;
}

void CDlgMessage::ToggleAnonymity() {
    if (!OffersAnonymity()) return;
    ::ToggleAnonymous(conversationId_);
    Invalidate(false);
    const ConversationRecord* conversation =
        CDBMsgDlg::Instance().FindConversation(conversationId_);
    if (!conversation || !conversation->me_is_anony || anonymousBoxShown_) return;
    anonymousBoxShown_ = true;
    CDlgMesssageBox box(QString::fromUtf8(kAnonymousOn), QString::fromUtf8(kAnonymousOnMore));
    box.SetButtonCaptions(QString(), QStringLiteral("我知道了"));
    box.DoModal(m_hWnd);
}

void CDlgMessage::DoUI(UiContext& ctx) {
    UiRegion root(ctx);
    const UiRect client = ctx.client;
    const UiRect frame = InputFrame();
    const int areaTop = frame.top - cs::kAreaPadding;
    UiFill(root, UiRect(0, areaTop, client.right, client.bottom),
           Anonymous() ? cs::kAnonymousBackground : cs::kBackground);
    UiLine(root, cs::kSeparator, QPoint(0, areaTop), QPoint(client.right, areaTop));
    if (pageGone_) {
        const int inset = cs::kAreaPadding * 3;
        UiFill(root, UiRect(0, 0, client.right, areaTop), cs::kBackground);
        UiTextBlock(root, UiRect(inset, inset, client.right - inset, areaTop - inset),
                    QString::fromUtf8(cs::kPageGone), &TextFont(12), cs::kPageGoneText);
    }
    UiFill(root, frame, cs::kInputFrame);
    UiFill(root, UiRect(frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1),
           cs::kInputBackground);

    // The tool strip: an icon button each, spread evenly over the room left of the box.
    enum class Tool { kEmoticons, kAnonymous, kPicture };
    std::vector<Tool> tools{Tool::kEmoticons};
    if (OffersAnonymity()) tools.push_back(Tool::kAnonymous);
    tools.push_back(Tool::kPicture);
    const int toolTop = frame.top + (cs::kInputFirstLine - cs::kToolButton) / 2;
    const int cell = (cs::kToolStripWidth - cs::kAreaPadding) / static_cast<int>(tools.size());
    int cellLeft = cs::kAreaPadding / 2;
    for (const Tool tool : tools) {
        const UiRect rect = UiRect::FromSize(cellLeft + (cell - cs::kToolButton) / 2, toolTop,
                                             cs::kToolButton, cs::kToolButton);
        cellLeft += cell;
        const char* picture = tool == Tool::kEmoticons   ? "send_dlg_face.png"
                              : tool == Tool::kAnonymous ? "send_dlg_anony.png"
                                                         : "send_dlg_image.png";
        const QString name = tool == Tool::kEmoticons   ? QStringLiteral("表情")
                             : tool == Tool::kAnonymous ? QStringLiteral("匿名模式")
                                                        : QStringLiteral("传图");
        // Anonymous mode stands out while it is on.
        if (tool == Tool::kAnonymous && Anonymous()) UiFill(root, rect, cs::kToolOn);
        if (!UiButton(root, rect, QString(), name, kUiTakesMouse, &SkinImage(picture))) continue;
        ctx.Later([this, alive = alive_, tool] {
            if (!*alive) return;
            if (tool == Tool::kEmoticons) {
                CDlgExpression::Instance().ShowPicker(m_hWnd, GetWindowRect().ToQRect());
            } else if (tool == Tool::kAnonymous) {
                ToggleAnonymity();
            } else {
                const QString path = QFileDialog::getOpenFileName(
                    Surface(), QStringLiteral("选择图片"), QString(),
                    QStringLiteral("图片文件(*.bmp; *.gif; *.jpeg; *.jpg; *.png)"));
                if (*alive && !path.isEmpty()) SendPicture(path.toStdString());
            }
        });
    }

    const bool canSend = input_ && !input_->Blank();
    const int sendLeft = client.right - cs::kSendRight - cs::kSendWidth;
    const int sendTop = frame.top + (cs::kInputFirstLine - cs::kSendHeight) / 2;
    if (UiSkinButton(
            root, UiRect(sendLeft, sendTop, sendLeft + cs::kSendWidth, sendTop + cs::kSendHeight),
            &SkinImage("small_blue_btn.png"), QStringLiteral("发送"), QString(), &TextFont(12),
            palette::kTextOnBrand, -1, kUiTakesMouse | (canSend ? 0u : kUiDisabled))) {
        ctx.Later([this, alive = alive_] {
            if (*alive) Send();
        });
    }
}

bool CDlgMessage::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return false;
        case WM_TIMER:
            if (wParam == kDraftTimer) {
                KillTimer(kDraftTimer);
                KeepDraft();
                return true;
            }
            if (wParam == kBackAtEndTimer) {
                page_.ReadScroll([this, alive = alive_](const PageScroll& scroll) {
                    if (!*alive || scroll.ScrolledUp()) return;
                    newBar_.Hide(false);
                    KillTimer(kBackAtEndTimer);
                });
                return true;
            }
            if (wParam != kFirstLoadTimer) return false;
            KillTimer(kFirstLoadTimer);
            LoadHistory(Position::kBottom);
            return true;
        case UM_NOTICE_CLICKED:
            if (wParam == static_cast<WPARAM>(NoticeKind::UnreadCount)) {
                LoadHistory(Position::kTop);
            } else if (wParam == static_cast<WPARAM>(NoticeKind::Preview)) {
                page_.ScrollToEnd();
                KillTimer(kBackAtEndTimer);
            } else if (wParam == static_cast<WPARAM>(NoticeKind::Mention) && lParam > 0) {
                page_.ScrollTo(static_cast<int>(lParam));
            }
            PlaceBars();
            return true;
        case UM_NOTICE_HIDE:
            // The anonymous notice was closed, or its time is up: it stays away.
            anonymousNoticeClosed_ = true;
            yellowBar_.ShowWindow(SW_HIDE);
            PlaceBars();
            return true;
        case UM_HISTORY_READY:
            ShowHistory(static_cast<Position>(wParam));
            return true;
        case UM_WEB_NAVIGATE:
            Dispatch(page_.NavigatingUrl());
            result = CQVHtmlViewEx::kNavigationHandled;
            return true;
        case UM_WEB_PAGE_GONE:
            ShowPageGone();
            return true;
        case UM_CHAT_INPUT_SEND:
            Send();
            return true;
        case UM_CHAT_INPUT_ESCAPE:
            // Inside the conversation window Escape closes this conversation (its draft is kept);
            // a window of its own stays.
            if (HWND holder = GetParent(); holder && platform::IsWindow(holder))
                VWindow(holder).PostMessage(UM_CLOSE_TAB, 0, conversationId_);
            return true;
        case UM_CHAT_INPUT_CHANGED: {
            const UiRect client = GetClientRect();
            OnLayout(client.Width(), client.Height());
            Invalidate(false);
            OfferMentions();
            SetTimer(kDraftTimer, kDraftDelayMs);
            return true;
        }
        case UM_EMOTICON_CHOSEN:
            if (const EmoticonEntry* chosen = CDlgExpression::Instance().Chosen(); chosen && input_)
                input_->InsertPicture(QString::fromStdString(chosen->imagePath), true);
            return true;
        case UM_MENTION_CHOSEN:
            if (wParam == kMentionPicked && input_)
                CompleteMentionInBox(CDlgSuggest::Instance().ChosenName());
            return true;
        case WM_SHOWWINDOW:
            if (wParam && input_) input_->setFocus(Qt::OtherFocusReason);
            if (!wParam) KeepDraft();
            return false;
        case WM_DESTROY:
            KeepDraft();
            StopVoiceOfConversation(conversationId_);
            return false;
        default:
            return false;
    }
}

void CDlgMessage::ShowPageGone() {
    if (pageGone_) return;
    pageGone_ = true;
    if (QWidget* view = page_.NativeWidget()) view->hide();
    Invalidate(false);
}

void CDlgMessage::LetGo() {
    if (letGo_) return;
    KeepDraft();
    letGo_ = true;
    // Sends still on their way are answered without the window: what fails goes to the draft.
    for (const auto& [local, message] : outstanding_)
        SendsInFlight::Instance().Keep(account_, conversationId_, local, message);
    outstanding_.clear();
}

void CDlgMessage::KeepDraft() {
    // Once let go the draft is the book's: a send put back into it must not be overwritten by
    // the box as the window goes.
    if (!input_ || account_.empty() || letGo_) return;
    DraftBook::Of(account_).Put(conversationId_,
                                input_->Blank() ? std::string() : input_->Serialized());
}

void CDlgMessage::OfferMentions() {
    CDlgSuggest& picker = CDlgSuggest::Instance();
    const ConversationRecord* conversation =
        CDBMsgDlg::Instance().FindConversation(conversationId_);
    const QString text = input_ ? input_->toPlainText() : QString();
    if (!conversation || conversation->type != 3 || conversation->deleted == 1 ||
        !text.contains(QLatin1Char('@'))) {
        if (picker.Owner() == m_hWnd) picker.Hide();
        return;
    }
    const std::vector<std::string> members = MatchMentionMembers(
        MentionFragment(text.toStdString()), conversation->member_ids,
        [](const std::string& qxid) { return CDBUser::Instance().Find(qxid); },
        CDBLogin::Instance().Record().qxid);
    const QPoint caret = input_->mapToGlobal(input_->cursorRect().bottomLeft());
    picker.Show(m_hWnd, members, caret);
}

void CDlgMessage::CompleteMentionInBox(const QString& name) {
    // What follows the last "@" becomes the name and a space; pictures before it stay.
    const int at = input_->toPlainText().lastIndexOf(QLatin1Char('@'));
    if (at < 0) return;
    QTextCursor cursor(input_->document());
    cursor.setPosition(at + 1);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.insertText(name + QLatin1Char(' '));
    input_->setTextCursor(cursor);
    input_->setFocus(Qt::OtherFocusReason);
}

void CDlgMessage::PlaceBars() {
    const UiRect client = GetClientRect();
    OnLayout(client.Width(), client.Height());
}

void CDlgMessage::Dispatch(const QUrl& url) {
    const PageLink link = ParsePageLink(url.toString(QUrl::FullyEncoded).toStdString());
    PageContents contents;
    contents.findMessage = [this](std::int32_t id) -> const MessageRecord* {
        const MessageRecord* message = CDBMsgDlg::Instance().FindMessage(id);
        return message && message->mid == conversationId_ ? message : nullptr;
    };
    contents.showsPicture = [this](const std::string& address) {
        return std::find(picturesShown_.begin(), picturesShown_.end(), address) !=
               picturesShown_.end();
    };
    if (!PageLinkAllowed(link, contents)) return;
    switch (link.click) {
        case PageClick::kMore:
            if (hasMore_) LoadHistory(Position::kUp);
            break;
        case PageClick::kPicture:
            OpenPagePicture(link.text, pictureFlow_, m_hWnd);
            break;
        case PageClick::kAvatar: {
            const MessageRecord* message = contents.findMessage(link.id);
            if (message && (message->anonym || message->qxid.empty()) && !message->is_me) {
                ShowMessageBox(m_hWnd, kAnonymousProfile, "提示", MB_OK);
            } else if (message && !message->is_me) {
                CMainWnd::Instance().OpenProfileWindow(message->qxid);
            } else {
                // A message of our own, or one just sent under its send number.
                CMainWnd::Instance().OpenProfileWindow(CDBLogin::Instance().Record().qxid);
            }
            break;
        }
        case PageClick::kCard:
            if (const MessageRecord* message = contents.findMessage(link.id)) {
                // Someone at the third degree is known from the card alone.
                const UserRecord card = message->reveal_user;
                if (card.dist == 3) {
                    CMainWnd::Instance().OpenProfileWindow(card);
                } else {
                    CMainWnd::Instance().OpenProfileWindow(card.qxid);
                }
            }
            break;
        case PageClick::kMention:
            CMainWnd::Instance().OpenProfileWindow(link.text);
            break;
        case PageClick::kVoice:
            PlayVoice(link.id);
            break;
        default:
            // Nothing else of the page is acted on.
            break;
    }
}
