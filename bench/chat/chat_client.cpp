#include "bench/chat/chat_client.h"

#include <QCoreApplication>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "api/api_controller.h"
#include "api/sign_in.h"
#include "flow/async_work_flow.h"
#include "net/url_encode.h"
#include "platform/ui_thread.h"
#include "storage/msg_dlg_store.h"
#include "tests/support/client_components.h"
#include "tests/support/client_window.h"

namespace bench {

namespace t = lumeno::test;
using namespace std::chrono_literals;

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const bool held = platform::PumpMessagesUntil(done, limit);
    QCoreApplication::processEvents();
    return held || done();
}

void PumpFor(std::chrono::milliseconds time) {
    platform::PumpMessagesUntil([] { return false; }, time);
}

ChatClient::ChatClient(const char* skinDirectory) {
    platform::AddMessageLoop(&loop_);
    t::UseTempDataHome(home_);
    t::PrepareClientComponents(QString::fromUtf8(skinDirectory));
    service_.PointClientHere();
    window_ = std::make_unique<t::ClientWindow>();
}

ChatClient::~ChatClient() {
    if (signedIn_) {
        SignOut();
        PumpUntil([] { return CAsyncWorkFlow::FreeFiberCount() == CAsyncWorkFlow::FiberCount(); },
                  30s);
    }
    window_.reset();
    GetComponent(kTerminateRegistry, static_cast<IKesPlugin**>(nullptr));
    platform::RemoveMessageLoop();
}

bool ChatClient::SignIn() {
    CApiController& controller = CApiController::Instance();
    t::EventRecorder events(db_event::kSignIn | db_event::kConversationSync | db_event::kContacts);
    ::SignIn("demo", "lumeno123", false, false);
    signedIn_ = true;
    const bool ready = PumpUntil(
        [&] {
            return events.Saw(db_event::kSignIn, db_event::kFailed) ||
                   (events.Count(db_event::kConversationSync, db_event::kDone) >= 2 &&
                    !controller.conversationSync.Busy() && !controller.signIn.Busy() &&
                    (events.Saw(db_event::kContacts, db_event::kDone) ||
                     events.Saw(db_event::kContacts, db_event::kFailed)));
        },
        60s);
    if (!ready || !events.Saw(db_event::kSignIn, db_event::kDone)) {
        std::fprintf(stderr, "the client did not sign in\n");
        return false;
    }
    if (!PumpUntil(
            [&] {
                return service_.Get("/admin/push/sessions?qxid=demo").find("\"sessions\":1") !=
                       std::string::npos;
            },
            20s)) {
        std::fprintf(stderr, "the client has no push connection\n");
        return false;
    }
    return true;
}

std::int32_t ChatClient::ConversationWith(const std::string& name) {
    for (const auto& [id, conversation] : CDBMsgDlg::Instance().Conversations()) {
        if (conversation->type != kGroupConversationType && conversation->deleted == 0 &&
            conversation->name == name)
            return id;
    }
    return 0;
}

std::size_t ChatClient::HeldMessages(std::int32_t conversationId) {
    const MessageIndexEntry* index = CDBMsgDlg::Instance().FindIndexEntry(conversationId);
    return index ? index->ids.size() : 0;
}

void ChatClient::WaitIdle() {
    PumpUntil([] { return !CApiController::Instance().conversationSync.Busy(); }, 30s);
}

bool ChatClient::SendMessages(std::int32_t conversationId, const std::string& from, int count,
                              const std::function<std::string(int)>& text) {
    const std::size_t wanted = HeldMessages(conversationId) + static_cast<std::size_t>(count);
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        paths.push_back("/admin/send?mid=" + std::to_string(conversationId) + "&from=" + from +
                        "&text=" + UrlEncode(text(i)));
    }
    std::atomic<bool> finished = false, failed = false;
    std::thread sender([&] {
        for (const std::string& path : paths) {
            if (service_.Get(path).find("\"id\"") == std::string::npos) failed = true;
        }
        finished = true;
    });
    const bool held = PumpUntil(
        [&] {
            return (finished && failed) || (finished && HeldMessages(conversationId) >= wanted &&
                                            !CApiController::Instance().conversationSync.Busy());
        },
        300s);
    sender.join();
    const bool sent = !failed;
    if (!sent || !held) {
        std::fprintf(stderr, "the client holds %zu of %zu messages\n", HeldMessages(conversationId),
                     wanted);
        return false;
    }
    return true;
}

}  // namespace bench
