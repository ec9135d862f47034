// The signed-in client, real windows and all, against the local service's faults, case by case:
// while the fault lasts the windows keep running, and once it ends every message sent meanwhile
// is there, once.
#include <QUrl>
#include <chrono>
#include <cstdio>

#include "storage/msg_dlg_store.h"
#include "tests/support/box_catcher.h"
#include "tests/support/main_window_client.h"
#include "tests/support/pump.h"
#include "tests/support/stall_meter.h"

namespace lumeno::test {
namespace {

using namespace std::chrono_literals;

// Far longer than any frame the windows draw; a request made on the UI thread would show as
// seconds here. (The figures themselves are measured by the benchmarks.)
constexpr qint64 kFrozenMs = 1000;

class FaultMatrixTest : public MainWindowClientTest {
  protected:
    // The one-to-one conversation with 张伟.
    static std::int32_t ZhangWeisConversation() {
        for (const auto& [id, conversation] : CDBMsgDlg::Instance().Conversations()) {
            if (conversation->type == 3 || conversation->member_ids.size() > 2) continue;
            for (const std::string& member : conversation->member_ids)
                if (member == "10002") return id;
        }
        return 0;
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
    // How many messages of the account's store read `text`.
    static int Held(const std::string& text) {
        int count = 0;
        for (const auto& [id, message] : CDBMsgDlg::Instance().Messages())
            if (message && message->text == text) ++count;
        return count;
    }
};

TEST_F(FaultMatrixTest, BrokenSynchronisationAnswersLoseNoMessage) {
    SignInDemo();
    const std::int32_t conversation = ZhangWeisConversation();
    ASSERT_NE(conversation, 0);
    StallMeter stalls;
    for (const std::string kind : {"http500", "malformed", "truncated", "empty"}) {
        // The synchronisation that the first message wakes gets the broken answer; the next
        // one brings both.
        Fault("kind=" + kind + "&path=/lumeno/msg/v3/get_msg_dlg&count=1");
        const std::string first = "坏应答之后 " + kind + " 1";
        const std::string second = "坏应答之后 " + kind + " 2";
        Send(conversation, first);
        ASSERT_TRUE(PumpUntil([&] { return FaultsSpent(); }, 30s)) << kind;
        Send(conversation, second);
        ASSERT_TRUE(PumpUntil([&] { return Held(first) == 1 && Held(second) == 1; }, 30s))
            << kind << ": " << Held(first) << " " << Held(second);
        EXPECT_TRUE(Main().SignedIn()) << kind;
    }
    ExpectNoFreeze(stalls);
}

TEST_F(FaultMatrixTest, SlowAnswersKeepTheWindowsRunningAndTheMessageComes) {
    SignInDemo();
    const std::int32_t conversation = ZhangWeisConversation();
    ASSERT_NE(conversation, 0);
    StallMeter stalls;
    Fault("kind=delay&ms=20000&path=/lumeno/msg/v3/get_msg_dlg&count=1");
    const std::string text = "慢应答也会到";
    Send(conversation, text);
    // While the answer is held back the windows go on: pages switch, nothing freezes.
    ASSERT_TRUE(PumpUntil([] { return CApiController::Instance().conversationSync.Busy(); }, 10s));
    Main().SwitchPage(MainPage::Contacts);
    QTest::qWait(300);
    Main().SwitchPage(MainPage::Messages);
    EXPECT_TRUE(CApiController::Instance().conversationSync.Busy()) << "still waiting";
    ExpectNoFreeze(stalls);
    ASSERT_TRUE(PumpUntil([&] { return Held(text) == 1; }, 60s));
    ExpectNoFreeze(stalls);
}

TEST_F(FaultMatrixTest, PushConnectionRefusedThenBackDeliversWhatWasSent) {
    SignInDemo();
    const std::int32_t conversation = ZhangWeisConversation();
    ASSERT_NE(conversation, 0);
    StallMeter stalls;
    ASSERT_NE(service_.Get("/admin/push?mode=refuse").find("ok"), std::string::npos);
    service_.Get("/admin/push/close");
    const std::string text = "推送断开时发来的";
    Send(conversation, text);
    QTest::qWait(1500);
    ASSERT_NE(service_.Get("/admin/push?mode=normal").find("ok"), std::string::npos);
    EXPECT_TRUE(PumpUntil([&] { return Held(text) == 1; }, 90s)) << "the client reconnects";
    EXPECT_TRUE(Main().SignedIn());
    ExpectNoFreeze(stalls);
}

TEST_F(FaultMatrixTest, ServiceThatStopsAnsweringMidSessionIsWaitedOutWithoutFreezing) {
    SignInDemo();
    const std::int32_t conversation = ZhangWeisConversation();
    ASSERT_NE(conversation, 0);
    StallMeter stalls;
    service_.Pause();
    // The windows go on while every request and the push connection hang.
    Main().SwitchPage(MainPage::Contacts);
    QTest::qWait(2000);
    Main().SwitchPage(MainPage::Messages);
    QTest::qWait(1000);
    EXPECT_TRUE(Main().SignedIn());
    service_.Resume();
    const std::string text = "服务恢复之后";
    Send(conversation, text);
    EXPECT_TRUE(PumpUntil([&] { return Held(text) == 1; }, 90s)) << "the client carries on";
    ExpectNoFreeze(stalls);
}

TEST_F(FaultMatrixTest, RevokedTokenReturnsToLoginAndNothingSentMeanwhileIsLost) {
    SignInDemo();
    const std::int32_t conversation = ZhangWeisConversation();
    ASSERT_NE(conversation, 0);
    for (const std::string code : {"20001", "20002"}) {
        ASSERT_NE(service_.Get("/admin/revoke?qxid=10001&code=" + code).find("ok"),
                  std::string::npos);
        const std::string text = "令牌失效时发来的 " + code;
        {
            BoxCatcher boxes;
            Send(conversation, text);
            ASSERT_TRUE(PumpUntil([] { return !Main().SignedIn(); }, 30s)) << code;
            ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty(); })) << code;
            EXPECT_FALSE(boxes.boxes[0].text.isEmpty()) << code;
            EXPECT_NE(Login(), nullptr) << "back at the login page";
        }
        // Signing in again brings what came meanwhile.
        SignInOver(QStringLiteral("demo"));
        ASSERT_TRUE(PumpUntil([&] { return Held(text) == 1; }, 30s)) << code;
    }
}

}  // namespace
}  // namespace lumeno::test
