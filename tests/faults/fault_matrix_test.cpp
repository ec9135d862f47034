// The signed-in client, real windows and all, against the local service's faults, case by case:
// while the fault lasts the windows keep running, and once it ends every message sent meanwhile
// is there, once.
#include "tests/faults/fault_matrix.h"
#include "config/config.h"
#include "tests/support/box_catcher.h"
#include "tests/support/tcp_gate.h"

namespace lumeno::test {
namespace {

using namespace std::chrono_literals;

TEST_F(FaultMatrixTest, BrokenSynchronisationAnswersLoseNoMessage) {
    SignInDemo();
    const std::int32_t conversation = ZhangWeisConversation();
    ASSERT_NE(conversation, 0);
    StallMeter stalls;
    Announcements announced;
    std::vector<std::string> texts;
    // Last, the answer before is replayed: it brings again what was announced already.
    for (const std::string kind : {"http500", "malformed", "truncated", "empty", "repeat"}) {
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
        texts.insert(texts.end(), {first, second});
    }
    // Each message told once, however many answers brought it.
    announced.ExpectOnceEach(texts);
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

TEST_F(FaultMatrixTest, ServiceDownAtStartIsToldAndSigningInWorksOnceItIsBack) {
    // The client reaches the service through gates that are shut: nothing answers there yet.
    TcpGate api(service_.ApiPort());
    TcpGate push(service_.PushPort());
    WriteConfigString("main", "msg", api.Address());
    WriteConfigString("main", "long", push.Address());
    StallMeter stalls;
    {
        BoxCatcher boxes;
        ASSERT_TRUE(PumpUntil([] { return QApplication::focusWidget() == Login()->AccountBox(); }));
        Type(QStringLiteral("demo"));
        Key(Qt::Key_Tab);
        ASSERT_TRUE(
            PumpUntil([] { return QApplication::focusWidget() == Login()->PasswordBox(); }));
        Type(QStringLiteral("lumeno123"));
        Key(Qt::Key_Return);
        ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty(); }, 60s));
        EXPECT_EQ(boxes.boxes[0].text, QString::fromUtf8(CMainWnd::kUnreachableText));
    }
    ASSERT_TRUE(PumpUntil([] { return !CApiController::Instance().signIn.Busy(); }));
    EXPECT_FALSE(Main().SignedIn());
    ASSERT_NE(Login(), nullptr) << "the login page stays, ready to try again";
    EXPECT_EQ(Login()->AccountBox()->text(), QStringLiteral("demo")) << "nothing typed is lost";
    ASSERT_TRUE(PumpUntil([] { return QApplication::focusWidget() == Login()->PasswordBox(); }))
        << "typing goes on where it was before the message";
    ExpectNoFreeze(stalls);

    // The service is back at the same address: Enter again signs in, and messages flow.
    api.Open();
    push.Open();
    Key(Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([] { return Main().SignedIn() && Main().IsWindowVisible(); }, 60s));
    ASSERT_TRUE(PumpUntil([] { return !CApiController::Instance().conversationSync.Busy(); }));
    const std::int32_t conversation = ZhangWeisConversation();
    ASSERT_NE(conversation, 0);
    const std::string text = "服务回来之后";
    Send(conversation, text);
    EXPECT_TRUE(PumpUntil([&] { return Held(text) == 1; }, 60s));
    ExpectNoFreeze(stalls);
    SignOut();  // before the gates go
}

TEST_F(FaultMatrixTest, PushConnectionClosedOrSilentStillDeliversEverything) {
    SignInDemo();
    const std::int32_t conversation = ZhangWeisConversation();
    ASSERT_NE(conversation, 0);
    StallMeter stalls;
    Announcements announced;
    // Closed under the client in the middle of the session.
    service_.Get("/admin/push/close");
    const std::string afterClose = "推送被关闭之后";
    Send(conversation, afterClose);
    EXPECT_TRUE(PumpUntil([&] { return Held(afterClose) == 1; }, 90s)) << "the client reconnects";
    // A connection that reads everything and answers nothing: the client waits it out.
    ASSERT_NE(service_.Get("/admin/push?mode=silent").find("ok"), std::string::npos);
    service_.Get("/admin/push/close");
    const std::string whileSilent = "推送沉默时发来的";
    Send(conversation, whileSilent);
    QTest::qWait(2000);
    ASSERT_NE(service_.Get("/admin/push?mode=normal").find("ok"), std::string::npos);
    EXPECT_TRUE(PumpUntil([&] { return Held(whileSilent) == 1; }, 90s));
    EXPECT_EQ(Held(afterClose), 1) << "nothing twice";
    // Each told once, however many passes brought it.
    announced.ExpectOnceEach({afterClose, whileSilent});
    EXPECT_TRUE(Main().SignedIn());
    ExpectNoFreeze(stalls);
}

TEST_F(FaultMatrixTest, ClockJumpsOfTheServiceLoseNoMessage) {
    SignInDemo();
    const std::int32_t conversation = ZhangWeisConversation();
    ASSERT_NE(conversation, 0);
    StallMeter stalls;
    Announcements announced;
    // A day ahead, then an hour behind the real time (a clock put right), then back to it: the
    // messages of each are newer in order but not in time.
    for (const char* offset : {"86400", "-3600", "0"}) {
        ASSERT_NE(service_.Get(std::string("/admin/clock?offset=") + offset).find("ok"),
                  std::string::npos);
        const std::string text = std::string("时钟跳到 ") + offset;
        Send(conversation, text);
        ASSERT_TRUE(PumpUntil([&] { return Held(text) == 1; }, 30s)) << offset;
    }
    EXPECT_EQ(Held("时钟跳到 86400"), 1) << "nothing twice";
    announced.ExpectOnceEach({"时钟跳到 86400", "时钟跳到 -3600", "时钟跳到 0"});
    EXPECT_TRUE(Main().SignedIn());
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
