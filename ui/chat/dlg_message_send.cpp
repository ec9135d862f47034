#include "ui/chat/dlg_message.h"

// Sending from a chat window: what the box holds goes as pictures and a text, each shown at once
// under its local number; a failure marks its item and gives what was written back.

#include <QImageReader>
#include <algorithm>
#include <ctime>

#include "api/api_controller.h"
#include "api/login.h"
#include "api/send_message.h"
#include "conversation/emoticon_table.h"
#include "conversation/store_sources.h"
#include "storage/msg_dlg_store.h"
#include "storage/user_store.h"
#include "ui/chat/chat_input.h"
#include "ui/chat/chat_style.h"
#include "ui/chat/pasted_pictures.h"
#include "ui/chat/sends_in_flight.h"
#include "ui/prompts/message_box.h"

namespace cs = chat_style;

namespace {

bool Blank(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

}  // namespace

void CDlgMessage::ShowFailed(std::int32_t localNumber) {
    const auto found = outstanding_.find(localNumber);
    if (found == outstanding_.end()) return;
    const MessageRecord failed = found->second;
    outstanding_.erase(found);
    std::string reason = cs::kSendFailed;
    if (const ErrorRecord* error = CApiController::Instance().LastErrorOf(db_event::kSending)) {
        if (!error->error_msg.empty()) {
            reason = error->error_msg;
            if (error->error_code != 0)
                reason += " (错误码: " + std::to_string(error->error_code) + ")";
        }
    }
    page_.MarkSendFailed(localNumber, QString::fromStdString(reason));
    // What was written is not lost: it goes back into the box, ready to be sent again.
    if (input_) input_->Restore(SentBack(failed), IsChatEmoticon);
}

void CDlgMessage::ShowSent(MessageRecord& message, std::int32_t localNumber) {
    StampJustSent(message, std::time(nullptr));
    const ItemSources sources = Sources();
    if (!sources.conversation) return;
    page_.ShowItems(SentEnvelope(BelowData(message, sources, marks_, localNumber)));
}

void CDlgMessage::Send() {
    if (!input_) return;
    const SerializedParts parts =
        SplitSerialized(input_->Serialized(), [](const std::string& path) {
            return ChatEmoticons().CodeForImage(path).value_or(std::string());
        });
    ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(conversationId_);
    if (!conversation) {
        ShowMessageBox(m_hWnd, cs::kConversationGone, cs::kErrorCaption, MB_OK);
        return;
    }
    // Whatever is sent leaves the box, pictures included, and the draft with it.
    input_->clear();
    KeepDraft();
    for (const std::string& picture : parts.pictures)
        SendPicture(picture);
    if (Blank(parts.text)) return;
    MessageRecord message = OutgoingTextMessage(*conversation, parts.text);
    const std::int32_t local = AdvanceSendSequence();
    outstanding_[local] = message;
    ShowSent(message, local);
    SendTextMessage(message);
    input_->setFocus(Qt::OtherFocusReason);
}

void CDlgMessage::SendPicture(const std::string& path) {
    MessageRecord message;
    message.type = static_cast<std::int32_t>(MessageKind::kPicture);
    message.is_me = 1;
    message.mid = conversationId_;
    message.qxid = CDBLogin::Instance().Record().qxid;
    message.file.local_path = path;
    const QSize size = QImageReader(QString::fromStdString(path)).size();
    message.file.xsize = size.width();
    message.file.ysize = size.height();
    const std::int32_t local = AdvanceSendSequence();
    if (!SendPictureMessage(message)) {
        ShowMessageBox(m_hWnd, cs::kConversationGone, cs::kErrorCaption, MB_OK);
        return;
    }
    outstanding_[local] = message;
    PastedPictures::Instance().Sending(local, path);
    ShowSent(message, local);
}
