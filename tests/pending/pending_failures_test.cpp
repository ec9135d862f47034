// The pending-items window when answers and the list fail: a spoiled answer, none in time, an
// item answered elsewhere, a withdrawn sign-in, and a return to the login page under an open
// dialog. Each failure is told over the window, which stays usable and changes nothing.
#include "net/w3_client.h"
#include "tests/support/box_catcher.h"
#include "tests/support/pending_window.h"
#include "ui/pending/dlg_special_recommend.h"
#include "ui/ui_messages.h"

namespace lumeno::test {
namespace {

constexpr char kIgnorePath[] = "/lumeno/user/v3/ignore_task";

// The card still offers both answers: nothing changed.
void ExpectUnanswered(std::int32_t id) {
    const PendingItem* item = FindPendingItem(id);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->ignore.used, 0);
    EXPECT_EQ(item->action.used, 0);
    EXPECT_EQ(item->action.shown, 1);
}

TEST_F(PendingWindowTest, FailedAnswersAreToldAndChangeNothing) {
    SignInDemo();
    OpenLoaded();
    const std::int32_t id = ItemOfType(pending_type::kGroupInvitation)->id;
    RequestLimits limits = DefaultRequestLimits();
    limits.totalSeconds = 2;
    SetDefaultRequestLimits(limits);
    for (const std::string fault : {"kind=http500", "kind=malformed", "kind=delay&ms=4000"}) {
        ASSERT_NE(
            service_.Get("/admin/fault?" + fault + "&count=1&path=" + kIgnorePath).find("\"ok\""),
            std::string::npos);
        BoxCatcher boxes;
        ASSERT_TRUE(PressButton(id, QStringLiteral("忽略"))) << fault;
        ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty(); }, std::chrono::seconds(20)))
            << fault << ": the window says so";
        EXPECT_EQ(boxes.boxes[0].caption, QStringLiteral("出错啦~~"));
        EXPECT_FALSE(boxes.boxes[0].text.trimmed().isEmpty());
        ExpectUnanswered(id);
        EXPECT_TRUE(CardShows(id, QStringLiteral("忽略"))) << "the user can try again";
    }
    SetDefaultRequestLimits(RequestLimits());

    // Answered elsewhere in the meantime: the service's refusal is shown, the card stays.
    const std::string elsewhere = service_.Get(std::string(kIgnorePath) +
                                               "?type=6&id=" + std::to_string(id) + "&" + MyAuth());
    ASSERT_NE(elsewhere.find("\"ok\""), std::string::npos) << elsewhere;
    {
        BoxCatcher boxes;
        ASSERT_TRUE(PressButton(id, QStringLiteral("加入")));
        ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty(); }));
        EXPECT_TRUE(boxes.boxes[0].text.contains(QStringLiteral("错误码")))
            << boxes.boxes[0].text.toStdString();
        ExpectUnanswered(id);
    }

    // A withdrawn sign-in: told, then the client returns to the login page and the window
    // hides with the items forgotten.
    ASSERT_NE(
        service_.Get("/admin/revoke?qxid=" + CDBLogin::Instance().Record().qxid).find("\"ok\""),
        std::string::npos);
    const std::int32_t job = ItemOfType(pending_type::kJobOffer)->id;
    BoxCatcher boxes;
    ASSERT_TRUE(PressButton(job, QStringLiteral("不感兴趣")));
    ASSERT_TRUE(PumpUntil([&] { return !Main().SignedIn(); }));
    ASSERT_FALSE(boxes.boxes.empty());
    ASSERT_TRUE(PumpUntil([] { return !Window().IsWindowVisible(); }));
    EXPECT_TRUE(PendingItemIds().empty());
    EXPECT_TRUE(Window().Rows().empty());
}

TEST_F(PendingWindowTest, FailedListIsToldAndCanBeFetchedAgain) {
    SignInDemo();
    ASSERT_NE(service_.Get("/admin/fault?kind=malformed&count=1&path=/lumeno/user/v3/tasks")
                  .find("\"ok\""),
              std::string::npos);
    BoxCatcher boxes;
    Main().OpenPendingItems();
    ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty(); }));
    EXPECT_TRUE(Window().LoadFailed());
    EXPECT_TRUE(Window().Rows().empty());
    ASSERT_TRUE(
        Activate(Window().List(), UiRole::Link, QString::fromUtf8(CDlgSpecials::kRetryText)));
    ASSERT_TRUE(PumpUntil([] { return !Window().Rows().empty(); }));
    EXPECT_FALSE(Window().LoadFailed());
}

TEST_F(PendingWindowTest, ReturnToLoginClosesTheOpenDialogFirst) {
    SignInDemo();
    OpenLoaded();
    const std::int32_t id = ItemOfType(pending_type::kRecommendation)->id;
    // While the reason is asked for, the account is sent back to the login page.
    DialogAnswerer<CDlgSpecialRecommend> interrupt(
        [](CDlgSpecialRecommend&) { Main().PostMessage(UM_RETURN_TO_LOGIN, 0, 1); });
    ASSERT_TRUE(PressButton(id, QStringLiteral("转达")));
    ASSERT_TRUE(interrupt.Seen());
    ASSERT_TRUE(PumpUntil([] { return !Main().SignedIn() && !Window().IsWindowVisible(); }));
    EXPECT_FALSE(Window().AnswerRunning()) << "nothing was sent for the closed dialog";
    // The recommendation still waits on the service.
    const std::string tasks = service_.Get("/lumeno/user/v3/tasks?pending=1&" + [&] {
        Json::Value root;
        ParseJson(service_.Get("/admin/token?account=demo"), root);
        return "u=" + root["qxid"].asString() + "&access_token=" + root["token"].asString();
    }());
    EXPECT_NE(tasks.find("\"id\":" + std::to_string(id)), std::string::npos)
        << tasks.substr(0, 200);
}

}  // namespace
}  // namespace lumeno::test
