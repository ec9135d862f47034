// The voice clips of the conversation page: their playing state, unread dot and failures.
#include "api/voice_player.h"
#include "storage/msg_dlg_store.h"
#include "ui/chat/chat_input.h"
#include "ui/chat/dlg_message.h"

void CDlgMessage::ShowVoice(std::int32_t messageId, std::int32_t state) {
    const MessageRecord* message = CDBMsgDlg::Instance().FindMessage(messageId);
    if (!message || message->mid != conversationId_) return;
    using State = CQVHtmlViewEx::VoiceState;
    const State shown = state == db_event::kStarted  ? State::kPlaying
                        : state == db_event::kFailed ? State::kFailed
                                                     : State::kStopped;
    const QString reason =
        shown == State::kFailed ? QString::fromStdString(VoiceFailureText(messageId)) : QString();
    page_.ShowVoiceState(messageId, shown, message->unread != 0, reason);
}
