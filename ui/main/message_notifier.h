#pragma once
// The desktop notifications of new messages, owned by the main window while someone is signed in.
// A message from someone else in a conversation the user is not looking at raises (or updates)
// that conversation's one notification: the sender, the text on one line with pictures, voice
// clips and emoticons as their captions, the sender's avatar, and the count of unread messages
// once there are several. Muted conversations never notify; the sound stays the program's own
// (its setting decides). Reading the conversation withdraws the notification, clicking it opens
// the conversation, and an inline reply (where the notification server offers one) is sent as a
// message of the conversation.

#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "storage/event_bus.h"
#include "storage/records.h"

namespace platform {
class DesktopNotifications;
}

class CMessageNotifier final : private IDBEventListener {
  public:
    static constexpr std::uint32_t kEventMask =
        db_event::kNewMessage | db_event::kConversationChanged | db_event::kSending;
    // Replies whose fate is still watched.
    static constexpr std::size_t kWatchedReplies = 32;
    // Texts longer than this are cut, with an ellipsis.
    static constexpr int kBodyCharacters = 120;

    CMessageNotifier();
    ~CMessageNotifier();
    CMessageNotifier(const CMessageNotifier&) = delete;
    CMessageNotifier& operator=(const CMessageNotifier&) = delete;

    // The notification's text for a message: one line, cut to kBodyCharacters.
    static QString BodyText(const MessageRecord& message);

    platform::DesktopNotifications& Notifications() { return *notifications_; }

    // Before signing out or quitting cancels the sends: every reply the service has not answered
    // goes into its conversation's draft.
    void KeepUnansweredReplies();

  private:
    void OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) override;
    void OnNewMessage(const MessageRecord& message);
    void Reply(std::int32_t conversationId, const QString& text);

    std::unique_ptr<platform::DesktopNotifications> notifications_;
    // The messages each shown notification tells of.
    std::map<std::int32_t, int> counts_;
    struct SentReply {
        std::string account;
        std::int32_t conversationId;
        std::string text;
    };
    // The replies sent, by local number: a failed one goes back to its conversation's box, or
    // into its draft when the conversation does not open any more.
    std::map<std::int32_t, SentReply> replies_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
