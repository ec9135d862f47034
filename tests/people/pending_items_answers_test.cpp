// Pending items on scripted answers: kinds that are dropped, the job-offer texts, link markup,
// dates, paging, failures that keep the list, and the completion address.
#include <gtest/gtest.h>

#include "api/pending_items.h"
#include "tests/people/people_steps.h"
#include "tests/people/scripted_service.h"

namespace {

using lumeno::test::EventRecorder;
using lumeno::test::RunStep;

class PendingItemsAnswersTest : public lumeno::test::ScriptedServiceTest {
  protected:
    bool Refresh(std::int32_t expectedState) {
        EventRecorder events(db_event::kPendingItems);
        RefreshPendingItems();
        return platform::PumpMessagesUntil(
            [&] { return events.Saw(db_event::kPendingItems, expectedState); },
            std::chrono::seconds(30));
    }
};

TEST_F(PendingItemsAnswersTest, OnlyShownKindsAreKeptWithTheirDerivedTexts) {
    Answer("/lumeno/user/v3/tasks",
           R"({"result":"OK","hasmore":false,"requests":[)"
           R"({"id":11,"type":2,"title":"t"},{"id":12,"type":7,"title":"t"},)"
           R"({"id":13,"type":5,"btn_action":1,"btn_action_text":"申请","action_text":"好",)"
           R"("uptime":"2026-12-09 10:00:00"},)"
           R"({"id":14,"type":1,"uptime":"2026-12-09","qxids":"a,b",)"
           R"("rtext":"来自<dref v=q9 >赵磊</dref><dref>请求添加你为好友</dref>（LV2）",)"
           R"("confirm":{"post":1,"text":"确定？","btn_action":7,"btn_ignore":0}},)"
           R"({"id":15,"type":3,"rtext":"只有一个<dref v=x>标记</dref>结束"},"not an object"]})");
    ASSERT_TRUE(Refresh(db_event::kDone));
    EXPECT_EQ(PendingItemIds(), (std::vector<std::int32_t>{13, 14, 15}));
    const PendingItem* offer = FindPendingItem(13);
    EXPECT_EQ(offer->action.text, "投递简历");
    EXPECT_EQ(offer->action.done_text, "已投递");
    EXPECT_EQ(offer->date, "2026-12-09");
    const PendingItem* request = FindPendingItem(14);
    EXPECT_EQ(request->date, "") << "no space in the uptime";
    EXPECT_EQ(request->qxids, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(request->link_pieces,
              (std::vector<std::string>{"来自 ", "赵磊", "请求添加你为好友 ", "（LV2）"}));
    EXPECT_EQ(request->link_value, "q9");
    EXPECT_EQ(request->confirm_post, 1);
    EXPECT_EQ(request->confirm_text, "确定？");
    EXPECT_EQ(request->confirm_action.shown, 1);
    EXPECT_EQ(request->confirm_ignore.shown, 0);
    EXPECT_TRUE(FindPendingItem(15)->link_pieces.empty()) << "one closing mark gives no link";
    EXPECT_TRUE(FindPendingItem(15)->link_value.empty());
}

TEST_F(PendingItemsAnswersTest, PagesAreFetchedUntilNothingMoreWaits) {
    Answer("/lumeno/user/v3/tasks?pending=1&page=0",
           R"({"result":"ok","hasmore":true,"requests":[{"id":1,"type":1},{"id":2,"type":3}]})");
    Answer("/lumeno/user/v3/tasks?pending=1&page=1",
           R"({"result":"ok","hasmore":false,"requests":[{"id":3,"type":4}]})");
    ASSERT_TRUE(Refresh(db_event::kDone));
    EXPECT_EQ(PendingItemIds(), (std::vector<std::int32_t>{1, 2, 3}));
    const std::vector<std::string> lines = RequestLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("page=1&count=50&u=me&access_token=t"), std::string::npos);

    // A later refresh whose second page fails keeps the list as it was.
    Answer("/lumeno/user/v3/tasks?pending=1&page=0",
           R"({"result":"ok","hasmore":true,"requests":[{"id":9,"type":1}]})");
    Answer("/lumeno/user/v3/tasks?pending=1&page=1", "not json");
    ASSERT_TRUE(Refresh(db_event::kFailed));
    EXPECT_EQ(PendingItemIds(), (std::vector<std::int32_t>{1, 2, 3}));
    Answer("/lumeno/user/v3/tasks?pending=1&page=0", R"({"result":"fail","requests":[]})");
    ASSERT_TRUE(Refresh(db_event::kFailed));
    EXPECT_EQ(PendingItemIds().size(), 3u);
}

TEST_F(PendingItemsAnswersTest, CompletionAddressCarriesTheLevelLast) {
    EXPECT_EQ(CompleteItemUrl(1, 7, 0).substr(CompleteItemUrl(1, 7, 0).find('?')),
              "?type=1&id=7&u=me&access_token=t");
    const std::string withLevel = CompleteItemUrl(4, 8, 2);
    EXPECT_EQ(withLevel.substr(withLevel.find('?')), "?type=4&id=8&u=me&access_token=t&lv=2");

    Answer("/lumeno/user/v3/complete_task", R"({"result":"ok"})");
    bool completed = false;
    ASSERT_TRUE(RunStep([&](CAsyncWorkFlow& flow) {
        completed = CompleteItem(nullptr, 3, 5, 0, "推荐理由 & 说明", flow);
    }));
    EXPECT_TRUE(completed);
    const std::string request = server_.Requests().back();
    EXPECT_EQ(request.rfind("POST /lumeno/user/v3/complete_task?type=3&id=5&u=me", 0), 0u);
    EXPECT_NE(lumeno::test::RequestBody(request).find("推荐理由 & 说明"), std::string::npos);
}

}  // namespace
