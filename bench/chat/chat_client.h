#pragma once
// The client for the chat window's benchmarks: components, skin and fonts as start-up prepares
// them, a data folder of its own, the local service with the demo world, and the demo account
// signed in for real (first synchronisation and push connection). No window is open but the
// stand-in for the main window that carries the work flows and delivers the event bus, so that a
// measurement without a chat window has nothing else drawing either.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/message_loop.h"
#include "tests/support/local_service.h"
#include "tests/support/temp_dir.h"

namespace lumeno::test {
class ClientWindow;
}

namespace bench {

class ChatClient {
  public:
    // Needs the application object; `skinDirectory` is the build's skin folder.
    explicit ChatClient(const char* skinDirectory);
    ~ChatClient();
    ChatClient(const ChatClient&) = delete;
    ChatClient& operator=(const ChatClient&) = delete;

    // Signs in to the demo account and waits for the first synchronisation, the contacts and the
    // push connection. False, with the reason on stderr, when any of them does not come.
    bool SignIn();
    // The one-to-one conversation with the person of that name, 0 when there is none.
    static std::int32_t ConversationWith(const std::string& name);
    // Messages the client holds for the conversation.
    static std::size_t HeldMessages(std::int32_t conversationId);
    // Waits until the client's synchronisation is idle.
    static void WaitIdle();

    // `count` messages sent by `from` (an account of the demo world) into the conversation through
    // the service, one after the other from a worker thread while the client runs; the text of
    // message i is text(i). Waits until the client holds them all. False when it does not.
    bool SendMessages(std::int32_t conversationId, const std::string& from, int count,
                      const std::function<std::string(int)>& text);

    lumeno::test::LocalService& Service() { return service_; }

  private:
    platform::CMessageLoop loop_;
    lumeno::test::TempDir home_;
    lumeno::test::LocalService service_;
    std::unique_ptr<lumeno::test::ClientWindow> window_;
    bool signedIn_ = false;
};

// Runs the UI thread's loop until `done` holds or `limit` passes; true when it held.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(30));
// Runs the UI thread's loop for a while.
void PumpFor(std::chrono::milliseconds time);

}  // namespace bench
