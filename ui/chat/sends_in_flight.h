#pragma once
// Sends still on their way when the window that made them went. A send that then fails is put
// back into its conversation's draft, so that what was written is in the box when the
// conversation opens again; a window opened again on the conversation takes its sends back and
// answers them itself. Signing out and quitting cancel the sends still on their way: what the
// service has not answered then goes back into the draft too.

#include <cstdint>
#include <map>
#include <string>

#include "storage/event_bus.h"
#include "storage/records.h"

class SendsInFlight final : private IDBEventListener {
  public:
    static SendsInFlight& Instance();

    // Holds a send of `account` in `conversationId` under its local number until it is answered.
    void Keep(const std::string& account, std::int32_t conversationId, std::int32_t localNumber,
              const MessageRecord& message);
    // The held sends of a conversation, handed over (and no longer held here).
    std::map<std::int32_t, MessageRecord> TakeFor(const std::string& account,
                                                  std::int32_t conversationId);
    std::size_t Held() const { return held_.size(); }
    // Before the sends are cancelled (signing out, quitting; the windows closed first): every held
    // send the service has not answered goes back into its conversation's draft, and nothing of
    // the account stays held.
    void KeepUnansweredAsDrafts();

  private:
    SendsInFlight() = default;
    void OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) override;

    struct Send {
        std::string account;
        std::int32_t conversationId = 0;
        MessageRecord message;
    };
    std::map<std::int32_t, Send> held_;
    bool subscribed_ = false;
};

// A message that did not go, in the input box's serialized form: its text as it was typed, or
// its picture.
std::string SentBack(const MessageRecord& message);
// Puts what did not go in front of the conversation's draft in the account's book.
void PutBackIntoDraft(const std::string& account, std::int32_t conversationId,
                      const std::string& serialized);
