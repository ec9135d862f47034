// The service's answers, each read by the decoder the client gives it: the first byte of the
// input picks the answer, the rest is its body. The synchronisation's decoders run inside a work
// flow, hopping to the worker pool as they do in the client.
#include <QCoreApplication>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "api/contacts.h"
#include "api/conversation_sync.h"
#include "api/decoders.h"
#include "api/group_chat.h"
#include "api/json_access.h"
#include "api/json_fast_parse.h"
#include "api/login.h"
#include "api/pending_items.h"
#include "api/service_errors.h"
#include "api/update_check.h"
#include "flow/async_work_flow.h"
#include "fuzz/fuzz_check.h"
#include "platform/ui_thread.h"
#include "storage/user_store.h"
#include "tests/support/flow_window.h"

namespace {

enum class Answer : std::uint8_t {
    kAnyJson,
    kSignIn,
    kEnvelope,
    kSynchronisation,
    kHistory,
    kContacts,
    kProfile,
    kNewConversation,
    kPendingItems,
    kUpdateCheck,
    kTalent,
    kTryAdd,
    kCount
};

constexpr char kMe[] = "u_me";

// What the fast parser accepts, the ordinary one accepts too and reads the same.
void ParseBothWays(std::string_view text) {
    Json::Value fast;
    Json::Value plain;
    const bool fastRead = ParseJsonFast(text, fast, 256);
    const bool plainRead = ParseJsonPlain(text, plain);
    if (fastRead) {
        FUZZ_EXPECT(plainRead);
        FUZZ_EXPECT(fast == plain);
    }
}

// The synchronisation's decoders in a flow; `history` reads only the messages, as a page of
// older messages does.
void DecodeInFlow(std::string_view answer, bool history) {
    Json::Value root;
    if (!ParseJson(answer, root)) return;
    CDBMsgDlg store;
    UserMap users;
    std::vector<std::int32_t> changed;
    std::vector<std::int32_t> fresh;
    std::vector<std::int32_t> again;
    std::vector<std::int32_t> delivered;
    FlowHandle handle;
    RunFlow(&handle, [&](CAsyncWorkFlow& flow) {
        if (!history) {
            SyncSummary summary;
            DecodeSummary(root, summary, store);
            DecodeConversations(root, store, changed, users, flow, kMe);
        }
        DecodeMessages(root, store, fresh, flow, kMe, &delivered);
        if (!history) {
            DecodeSpecials(root, store, changed);
            DecodeUpdates(root, store, changed);
        }
        // A stored message never changes: the same answer again brings nothing new.
        DecodeMessages(root, store, again, flow, kMe);
    });
    FUZZ_EXPECT(
        platform::PumpMessagesUntil([&] { return !handle.Busy(); }, std::chrono::seconds(30)));
    FUZZ_EXPECT(again.empty());
    for (std::int32_t id : fresh)
        FUZZ_EXPECT(store.FindMessage(id) != nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // Continuations of work flows come back through a window, as in the client.
    static lumeno::test::FlowWindow* const window = new lumeno::test::FlowWindow;
    (void)window;
    const auto answer = static_cast<Answer>(data[0] % static_cast<std::uint8_t>(Answer::kCount));
    const std::string body(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (answer) {
        case Answer::kAnyJson:
            ParseBothWays(body);
            break;
        case Answer::kSignIn: {
            LoginRecord record;
            DecodeSignInAnswer(body, record);
            break;
        }
        case Answer::kEnvelope: {
            ErrorRecord error;
            if (CheckEnvelope(body, &error)) FUZZ_EXPECT(error.error_code == 0);
            break;
        }
        case Answer::kSynchronisation:
            DecodeInFlow(body, false);
            break;
        case Answer::kHistory:
            DecodeInFlow(body, true);
            break;
        case Answer::kContacts: {
            Json::Value root;
            if (!ParseJson(body, root)) break;
            if (const Json::Value* contacts = ArrayMember(root, "contacts")) {
                UserMap users;
                std::vector<std::string> qxids;
                const bool any = DecodeUsers(*contacts, users, qxids);
                FUZZ_EXPECT(any == !contacts->empty());
                FUZZ_EXPECT(users.size() <= qxids.size());
            }
            break;
        }
        case Answer::kProfile:
            DecodeProfileAnswer(body, "u_profile");
            CDBUser::Instance().Clear();
            break;
        case Answer::kNewConversation:
            DecodeNewConversation(body, {"u_a", "u_b"});
            CDBMsgDlg::Instance().Clear();
            break;
        case Answer::kPendingItems: {
            Json::Value root;
            if (!ParseJson(body, root)) break;
            std::vector<PendingItem> items;
            bool hasMore = false;
            DecodePendingPage(root, items, hasMore);
            for (PendingItem& item : items)
                DeriveItemTexts(item);
            break;
        }
        case Answer::kUpdateCheck: {
            UpdateInfo info;
            DecodeUpdateAnswer(body, info);
            break;
        }
        case Answer::kTalent:
            if (!DecodeTalentAnswer(body, "u_talent"))
                FUZZ_EXPECT(CDBUser::Instance().Talents().empty());
            CDBUser::Instance().Clear();
            break;
        case Answer::kTryAdd: {
            Json::Value root;
            if (!ParseJson(body, root) || !CheckParsedEnvelope(root, nullptr)) break;
            TryAddResult result;
            DecodeTryAddAnswer(root, result);
            break;
        }
        case Answer::kCount:
            break;
    }
    return 0;
}
