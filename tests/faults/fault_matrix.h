// The fault matrix's client: signed in against the local service, with the means to break the
// service and to count what arrived.
#pragma once

#include <QUrl>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "api/api_controller.h"
#include "platform/private_files.h"
#include "storage/msg_dlg_store.h"
#include "storage/sqlite_helper.h"
#include "tests/support/box_catcher.h"
#include "tests/support/chat_window.h"
#include "tests/support/pump.h"
#include "tests/support/stall_meter.h"

namespace lumeno::test {

// Far longer than any frame the windows draw; a request made on the UI thread would show as
// seconds here. (The figures themselves are measured by the benchmarks.)
inline constexpr qint64 kFrozenMs = 1000;

class FaultMatrixTest : public ChatWindowTest {
  protected:
    // Signs in whatever the login page remembers, and fails, instead of waiting on it, when a
    // message box comes up on the way.
    void SignInWithoutABox() {
        BoxCatcher boxes;
        SignInOver(QStringLiteral("demo"));
        for (const BoxCatcher::Box& box : boxes.boxes)
            ADD_FAILURE() << "message box: " << box.text.toStdString();
    }
    // The one-to-one conversation with 张伟.
    static std::int32_t ZhangWeisConversation() {
        for (const auto& [id, conversation] : CDBMsgDlg::Instance().Conversations()) {
            if (conversation->type == 3 || conversation->member_ids.size() > 2) continue;
            for (const std::string& member : conversation->member_ids)
                if (member == "10002") return id;
        }
        return 0;
    }
    // A group that 张伟 is in: a second conversation he can write to.
    static std::int32_t ZhangWeisGroup() {
        for (const auto& [id, conversation] : CDBMsgDlg::Instance().Conversations()) {
            if (conversation->type != 3 || conversation->deleted == 1) continue;
            for (const std::string& member : conversation->member_ids)
                if (member == "10002") return id;
        }
        return 0;
    }
    static const ConversationRecord& Conversation(std::int32_t id) {
        static const ConversationRecord none;
        const ConversationRecord* found = CDBMsgDlg::Instance().FindConversation(id);
        EXPECT_NE(found, nullptr) << id;
        return found ? *found : none;
    }
    // 张伟 sends `text` into the conversation.
    void Send(std::int32_t conversation, const std::string& text) {
        const std::string encoded =
            QUrl::toPercentEncoding(QString::fromStdString(text)).toStdString();
        ASSERT_NE(service_
                      .Get("/admin/send?mid=" + std::to_string(conversation) +
                           "&from=zhangwei&text=" + encoded)
                      .find("\"id\""),
                  std::string::npos);
    }
    void Fault(const std::string& query) {
        ASSERT_NE(service_.Get("/admin/fault?" + query).find("ok"), std::string::npos) << query;
    }
    bool FaultsSpent() {
        return service_.Get("/admin/faults").find("\"faults\":[]") != std::string::npos;
    }
    // The figure goes into the test's output for the record.
    static void ExpectNoFreeze(const StallMeter& stalls) {
        EXPECT_LT(stalls.LongestMs(), kFrozenMs);
        std::printf("longest stall of the UI thread: %lld ms\n",
                    static_cast<long long>(stalls.LongestMs()));
    }
    // The file's bytes; empty when it can't be read.
    static std::string ReadWholeFile(const std::string& path) {
        return platform::ReadWholeFile(path).value_or(std::string());
    }
    // Every announcement of a new message (kind 0x10) while it lives, by message id.
    class Announcements final : private IDBEventListener {
      public:
        Announcements() {
            CApiController::Instance().Events().Subscribe(db_event::kNewMessage, this);
        }
        virtual ~Announcements() {
            CApiController::Instance().Events().Unsubscribe(db_event::kNewMessage, this);
        }
        Announcements(const Announcements&) = delete;
        Announcements& operator=(const Announcements&) = delete;
        // How often the message with this text was announced.
        int Of(const std::string& text) const {
            int count = 0;
            for (const auto& [id, times] : times_) {
                const MessageRecord* message = CDBMsgDlg::Instance().FindMessage(id);
                if (message && message->text == text) count += times;
            }
            return count;
        }

        // Each text was announced, once: the announcements are waited for, then given a moment to
        // come a second time.
        void ExpectOnceEach(const std::vector<std::string>& texts) const {
            for (const std::string& text : texts)
                EXPECT_TRUE(PumpUntil([&] { return Of(text) > 0; }, std::chrono::seconds(10)))
                    << text << " was never announced";
            PumpUntil([] { return false; }, std::chrono::milliseconds(500));
            for (const std::string& text : texts)
                EXPECT_EQ(Of(text), 1) << text << " was announced more than once";
        }

      private:
        void OnDBEvent(std::uint32_t, std::int32_t, std::int32_t id) override { ++times_[id]; }
        std::map<std::int32_t, int> times_;
    };
    // The last text of each conversation as the account's database on disk holds it (signed out,
    // before anything is synchronised again).
    static std::map<std::int32_t, std::string> TextsOnDisk(const std::string& account) {
        std::map<std::int32_t, std::string> texts;
        CSQLiteHelper& database = CSQLiteHelper::Instance();
        EXPECT_FALSE(database.IsOpen());
        if (!database.OpenAccount(account)) {
            ADD_FAILURE() << "the account database does not open";
            return texts;
        }
        CDBMsgDlg& store = CDBMsgDlg::Instance();
        store.Clear();
        database.LoadConversations(store);
        for (const auto& [id, conversation] : store.Conversations())
            texts[id] = conversation->text;
        store.Clear();
        database.CloseAccount();
        return texts;
    }
    // How many messages of the account's store read `text`.
    static int Held(const std::string& text) {
        int count = 0;
        for (const auto& [id, message] : CDBMsgDlg::Instance().Messages())
            if (message && message->text == text) ++count;
        return count;
    }
};

}  // namespace lumeno::test
