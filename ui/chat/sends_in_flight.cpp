#include "ui/chat/sends_in_flight.h"

#include "api/api_controller.h"
#include "config/log.h"
#include "conversation/message_items.h"
#include "ui/chat/draft_book.h"
#include "ui/chat/input_markers.h"

SendsInFlight& SendsInFlight::Instance() {
    // Never destroyed: the event bus keeps its address until the process ends.
    static SendsInFlight* instance = new SendsInFlight;
    return *instance;
}

void SendsInFlight::Keep(const std::string& account, std::int32_t conversationId,
                         std::int32_t localNumber, const MessageRecord& message) {
    if (account.empty()) return;
    if (!subscribed_) {
        CApiController::Instance().Events().Subscribe(db_event::kSending | db_event::kNewMessage,
                                                      this);
        subscribed_ = true;
    }
    held_[localNumber] = Send{account, conversationId, message};
}

std::map<std::int32_t, MessageRecord> SendsInFlight::TakeFor(const std::string& account,
                                                             std::int32_t conversationId) {
    std::map<std::int32_t, MessageRecord> taken;
    for (auto it = held_.begin(); it != held_.end();) {
        if (it->second.account == account && it->second.conversationId == conversationId) {
            taken.emplace(it->first, it->second.message);
            it = held_.erase(it);
        } else {
            ++it;
        }
    }
    return taken;
}

void SendsInFlight::OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) {
    const auto found = held_.find(first);
    if (found == held_.end()) return;
    if (kind == db_event::kNewMessage) {
        held_.erase(found);  // it went
        return;
    }
    if (kind != db_event::kSending || second != db_event::kFailed) return;
    const Send failed = std::move(found->second);
    held_.erase(found);
    PutBackIntoDraft(failed.account, failed.conversationId, SentBack(failed.message));
}

void SendsInFlight::KeepUnansweredAsDrafts() {
    const CApiController& api = CApiController::Instance();
    for (const auto& [local, send] : held_) {
        if (!api.SendUnanswered(local)) continue;  // the service has it: it comes back later
        PutBackIntoDraft(send.account, send.conversationId, SentBack(send.message));
        WriteLogText("a send cancelled on its way is kept in the draft of conversation " +
                     std::to_string(send.conversationId));
    }
    held_.clear();
}

void PutBackIntoDraft(const std::string& account, std::int32_t conversationId,
                      const std::string& serialized) {
    if (account.empty() || serialized.empty()) return;
    DraftBook& book = DraftBook::Of(account);
    const std::string draft = book.Get(conversationId);
    book.Put(conversationId, draft.empty() ? serialized : serialized + "\n" + draft);
}

std::string SentBack(const MessageRecord& message) {
    if (message.type == static_cast<std::int32_t>(MessageKind::kPicture))
        return message.file.local_path.empty() ? std::string()
                                               : PictureMarker(message.file.local_path);
    std::string text = message.text;
    const std::string suffix = "  (来自PC版)";
    if (text.size() >= suffix.size() &&
        text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0)
        text.resize(text.size() - suffix.size());
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        plain += text[i];
    }
    return SerializeText(plain);
}
