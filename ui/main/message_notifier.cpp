#include "ui/main/message_notifier.h"

#include <QRegularExpression>

#include "api/api_controller.h"
#include "api/avatar_files.h"
#include "api/conversation_sync.h"
#include "api/login.h"
#include "api/record_rules.h"
#include "api/send_message.h"
#include "config/log.h"
#include "conversation/message_items.h"
#include "platform/desktop_notifications.h"
#include "storage/msg_dlg_store.h"
#include "storage/user_store.h"
#include "ui/chat/chat_entry.h"
#include "ui/chat/input_markers.h"
#include "ui/chat/sends_in_flight.h"

namespace {

constexpr char kPictureCaption[] = "[图片]";
constexpr char kVoiceCaption[] = "[语音]";
constexpr char kEmoticonCaption[] = "[表情]";
constexpr char kAnonymousSender[] = "匿名用户";
constexpr char kReplyPlaceholder[] = "回复…";

const UserRecord* Sender(const MessageRecord& message) {
    return message.anonym ? nullptr : CDBUser::Instance().Find(message.qxid);
}

QString SenderName(const MessageRecord& message, const ConversationRecord& conversation) {
    if (message.anonym) return QString::fromUtf8(kAnonymousSender);
    if (const UserRecord* user = Sender(message); user && !user->name.empty())
        return QString::fromStdString(user->name);
    return QString::fromStdString(conversation.name);
}

}  // namespace

CMessageNotifier::CMessageNotifier() {
    notifications_ = std::make_unique<platform::DesktopNotifications>(
        QStringLiteral("Lumeno"), QStringLiteral("lumeno"),
        [](platform::DesktopNotifications::Key key) {
            OpenConversation(static_cast<std::int32_t>(key));
        },
        [this, alive = alive_](platform::DesktopNotifications::Key key, const QString& text) {
            if (*alive) Reply(static_cast<std::int32_t>(key), text);
        },
        [] { WriteLogText("no notification server: new messages raise no desktop notification"); });
    if (!notifications_->BusConnected())
        WriteLogText("no session bus: new messages raise no desktop notification");
    CApiController::Instance().Events().Subscribe(kEventMask, this);
}

CMessageNotifier::~CMessageNotifier() {
    *alive_ = false;
    CApiController::Instance().Events().Unsubscribe(kEventMask, this);
}

QString CMessageNotifier::BodyText(const MessageRecord& message) {
    QString text;
    switch (static_cast<MessageKind>(message.type)) {
        case MessageKind::kPicture:
            text = QString::fromUtf8(kPictureCaption);
            break;
        case MessageKind::kAudio:
            text = QString::fromUtf8(kVoiceCaption);
            break;
        default: {
            std::string plain = message.text;
            SummaryTextForType(plain, message.type);
            text = QString::fromStdString(plain);
            break;
        }
    }
    static const QRegularExpression emoticon(QStringLiteral("\\[[a-z]+_[0-9]+_[0-9]+\\]"));
    static const QRegularExpression spaces(QStringLiteral("\\s+"));
    text.replace(emoticon, QString::fromUtf8(kEmoticonCaption));
    text = text.replace(spaces, QStringLiteral(" ")).trimmed();
    if (text.size() > kBodyCharacters) text = text.left(kBodyCharacters - 1) + QChar(0x2026);
    return text;
}

void CMessageNotifier::OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) {
    if (kind == db_event::kSending && second == db_event::kFailed) {
        // Nothing typed is lost: the conversation opens with the reply in its box.
        const auto found = replies_.find(first);
        if (found == replies_.end()) return;
        const SentReply reply = found->second;
        replies_.erase(found);
        const ConversationRecord* conversation =
            CDBMsgDlg::Instance().FindConversation(reply.conversationId);
        if (conversation && conversation->deleted != 1) {
            WriteLogText("a reply from a notification was not sent; it goes back to its box");
            OpenConversationWithUnsent(reply.conversationId, reply.text);
        } else {
            // The conversation is gone (left, removed): the reply waits in its draft.
            WriteLogText(
                "a reply from a notification was not sent; its conversation is gone, "
                "the reply is kept in its draft");
            PutBackIntoDraft(reply.account, reply.conversationId, SerializeText(reply.text));
        }
    } else if (kind == db_event::kNewMessage && first == 0) {
        if (const MessageRecord* message = CDBMsgDlg::Instance().FindMessage(second))
            OnNewMessage(*message);
    } else if (kind == db_event::kConversationChanged && first > 0) {
        // Read here or elsewhere, deleted, or muted: its notification goes.
        const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(first);
        if (!conversation || conversation->badge < 1 || conversation->deleted == 1 ||
            conversation->notify == 0) {
            notifications_->Withdraw(first);
            counts_.erase(first);
        }
    }
}

void CMessageNotifier::OnNewMessage(const MessageRecord& message) {
    if (message.is_me) return;
    const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(message.mid);
    if (!conversation || conversation->deleted == 1 || conversation->notify == 0) return;
    if (ConversationInFront(message.mid)) return;
    platform::DesktopNote note;
    const QString sender = SenderName(message, *conversation);
    QString body = BodyText(message);
    if (conversation->type == 3) {
        note.summary = QString::fromStdString(conversation->name);
        body = sender + QStringLiteral(": ") + body;
    } else {
        note.summary = sender;
    }
    // A notification closed on the server's side starts counting again.
    int& count = counts_[message.mid];
    count = notifications_->ServerId(message.mid) == 0 && !notifications_->Pending(message.mid)
                ? 1
                : count + 1;
    if (count > 1) body = QStringLiteral("[%1条] ").arg(count) + body;
    note.body = body;
    if (const UserRecord* user = Sender(message))
        note.iconPath = QString::fromStdString(AvatarFile(user->avatar));
    note.replyPlaceholder = QString::fromUtf8(kReplyPlaceholder);
    notifications_->Show(message.mid, note);
}

void CMessageNotifier::KeepUnansweredReplies() {
    const CApiController& api = CApiController::Instance();
    for (const auto& [local, reply] : replies_) {
        if (!api.SendUnanswered(local)) continue;
        WriteLogText("a reply cancelled on its way is kept in the draft of conversation " +
                     std::to_string(reply.conversationId));
        PutBackIntoDraft(reply.account, reply.conversationId, SerializeText(reply.text));
    }
    replies_.clear();
}

void CMessageNotifier::Reply(std::int32_t conversationId, const QString& text) {
    const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(conversationId);
    if (!conversation || text.trimmed().isEmpty()) return;
    const MessageRecord message = OutgoingTextMessage(*conversation, text.toStdString());
    const std::int32_t local = AdvanceSendSequence();
    replies_[local] = SentReply{MyUserId(), conversationId, text.toStdString()};
    while (replies_.size() > kWatchedReplies)
        replies_.erase(replies_.begin());
    SendTextMessage(message);
    // Answered: the conversation counts as read.
    MarkConversationRead(conversationId);
}
