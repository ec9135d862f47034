// Decoding synchronisation answers into the stores, from hand-written edge answers.
#include "api/decoders.h"

#include <gtest/gtest.h>

#include "flow/async_work_flow.h"
#include "platform/ui_thread.h"
#include "tests/support/flow_window.h"

namespace {

using namespace std::chrono_literals;

class DecodersTest : public ::testing::Test {
  protected:
    void TearDown() override { store_.Clear(); }

    // Runs `decode` inside a work flow, as the synchronisation does, and waits for it.
    void InFlow(std::function<void(CAsyncWorkFlow&)> decode) {
        FlowHandle handle;
        RunFlow(&handle, [&](CAsyncWorkFlow& flow) { decode(flow); });
        ASSERT_TRUE(platform::PumpMessagesUntil([&] { return !handle.Busy(); }, 30s));
    }
    Json::Value Parse(const std::string& text) {
        Json::Value root;
        EXPECT_TRUE(ParseJson(text, root)) << text;
        return root;
    }

    lumeno::test::FlowWindow window_;
    CDBMsgDlg store_;
    UserMap users_;
    std::vector<std::int32_t> changed_;
};

TEST_F(DecodersTest, ConversationsAreStoredAndKeepWhatOnlyTheClientKnows) {
    ConversationRecord& known = store_.ConversationFor(7);
    known.notify = 0;
    known.last_dialog_id = 900;
    known.last_dialog_timestamp = 2000;
    known.last_dialog_time = "newer";
    known.text = "the newest message we hold";
    ConversationRecord* address = &known;

    Json::Value root = Parse(R"({"messages":[
        {"id":7,"type":3,"uids":"me,b,c","name":"Team","badge":4,"last_dialog_timestamp":1500,
         "text":"older summary","me_is_anony":5},
        {"id":8,"type":2,"uids":"ME,peer","badge":"3"},
        "not an object",
        {"id":9,"type":1,"uids":"x","users":[{"qxid":"u1","name":"一","dist":1,"utype":1},
                                             {"qxid":"u2","name":"二"},{"qxid":"u1","name":"dup"}]}
    ]})");
    InFlow([&](CAsyncWorkFlow& flow) {
        EXPECT_TRUE(DecodeConversations(root, store_, changed_, users_, flow, "me"));
    });
    EXPECT_EQ(changed_, (std::vector<std::int32_t>{7, 8, 9}));
    ConversationRecord* team = store_.FindConversation(7);
    ASSERT_EQ(team, address) << "updated in place";
    EXPECT_EQ(team->notify, 0);
    EXPECT_EQ(team->last_dialog_id, 900);
    EXPECT_EQ(team->text, "the newest message we hold");
    EXPECT_EQ(team->last_dialog_timestamp, 2000);
    EXPECT_EQ(team->badge, 4);
    EXPECT_EQ(team->me_is_anony, 1);
    EXPECT_EQ(team->member_ids, (std::vector<std::string>{"me", "b", "c"}));

    ConversationRecord* pair = store_.FindConversation(8);
    ASSERT_NE(pair, nullptr);
    EXPECT_EQ(pair->uids, "peer");
    EXPECT_EQ(pair->member_ids, (std::vector<std::string>{"peer"}));
    EXPECT_EQ(pair->badge, 0) << "a badge sent as text is not read";
    EXPECT_EQ(pair->notify, 1);

    ConversationRecord* withUsers = store_.FindConversation(9);
    ASSERT_NE(withUsers, nullptr);
    EXPECT_EQ(withUsers->member_ids, (std::vector<std::string>{"u1", "u2", "u1"}));
    EXPECT_EQ(withUsers->uids, "u1,u2,u1");
    ASSERT_EQ(users_.size(), 2u);
    EXPECT_EQ(users_["u1"].name, "一") << "the first element of a qxid wins";
    EXPECT_EQ(users_["u1"].contact, 1);
    EXPECT_EQ(users_["u2"].contact, 0);
}

TEST_F(DecodersTest, NewerServerSummaryReplacesAnOlderLocalOne) {
    ConversationRecord& known = store_.ConversationFor(5);
    known.last_dialog_id = 10;
    known.last_dialog_timestamp = 100;
    known.text = "old";
    Json::Value root = Parse(R"({"messages":[{"id":5,"last_dialog_timestamp":200,"text":"new"}]})");
    InFlow([&](CAsyncWorkFlow& flow) {
        DecodeConversations(root, store_, changed_, users_, flow, "me");
    });
    EXPECT_EQ(store_.FindConversation(5)->text, "new");
    EXPECT_EQ(store_.FindConversation(5)->last_dialog_id, 10);
}

TEST_F(DecodersTest, MessagesAreAddedOnceAndRaiseTheirConversation) {
    store_.ConversationFor(3).last_dialog_id = 50;
    std::vector<std::int32_t> fresh;
    Json::Value root = Parse(R"({"dialogues":[
        {"id":60,"mid":3,"text":"hi \ud83d\ude04","is_me":1,"qxid":"ignored","uptimestamp":1700000000,
         "uptime":"2023-11-14 22:13:20","msghash":"h1"},
        {"id":40,"mid":3,"text":"older","is_me":0,"qxid":"peer"},
        {"id":61,"mid":3,"text":"","type":101,"is_me":0,"qxid":"peer",
         "file":{"url":"http://x/a.jpg","xsize":640,"ysize":"480"},
         "job":{"id":5,"position":"工程师","user":{"qxid":"boss","name":"老板"}},
         "resume_user":{"realname":"李四","work_time":3},
         "reveal_user":{"qxid":"r","is_realname":0}},
        {"id":60,"mid":3,"text":"changed copy"}
    ]})");
    InFlow([&](CAsyncWorkFlow& flow) {
        EXPECT_TRUE(DecodeMessages(root, store_, fresh, flow, "me"));
    });
    EXPECT_EQ(fresh, (std::vector<std::int32_t>{60, 40, 61}));
    MessageRecord* mine = store_.FindMessage(60);
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(mine->text, "hi [smiles_01_01]");
    EXPECT_EQ(mine->qxid, "me");
    MessageRecord* card = store_.FindMessage(61);
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->text, "[人脉名片]");
    EXPECT_EQ(card->file.url, "http://x/a.jpg");
    EXPECT_EQ(card->file.xsize, 640);
    EXPECT_EQ(card->file.ysize, 0);
    EXPECT_EQ(card->job.position, "工程师");
    EXPECT_EQ(card->job.poster.name, "老板");
    EXPECT_EQ(card->resume_user.realname, "李四");
    EXPECT_EQ(card->resume_user.work_time, 3);
    EXPECT_EQ(card->reveal_user.is_realname, 0);
    const ConversationRecord* conversation = store_.FindConversation(3);
    EXPECT_EQ(conversation->last_dialog_id, 61);
    EXPECT_EQ(conversation->text, "[人脉名片]");

    // The same answer again adds nothing and changes nothing.
    std::vector<std::int32_t> again;
    InFlow([&](CAsyncWorkFlow& flow) { DecodeMessages(root, store_, again, flow, "me"); });
    EXPECT_TRUE(again.empty());
    EXPECT_EQ(store_.FindMessage(60)->text, "hi [smiles_01_01]");
}

TEST_F(DecodersTest, ConversationSummaryKeepsTheEmojiTheMessageLoses) {
    store_.ConversationFor(4);
    std::vector<std::int32_t> fresh;
    Json::Value root = Parse(R"({"dialogues":[{"id":1,"mid":4,"text":"\ud83d\ude0a"}]})");
    InFlow([&](CAsyncWorkFlow& flow) { DecodeMessages(root, store_, fresh, flow, "me"); });
    EXPECT_EQ(store_.FindConversation(4)->text, "\xF0\x9F\x98\x8A");
    EXPECT_EQ(store_.FindMessage(1)->text, "[smiles_01_02]");
}

TEST_F(DecodersTest, LargeAnswersDecodeAcrossManyChunks) {
    std::string json = R"({"messages":[)";
    for (int i = 0; i < 300; ++i)
        json += (i ? "," : "") + std::string(R"({"id":)") + std::to_string(i + 2) + "}";
    json += R"(],"dialogues":[)";
    for (int i = 0; i < 1000; ++i) {
        json += (i ? "," : "") + std::string(R"({"id":)") + std::to_string(i + 1) + R"(,"mid":)" +
                std::to_string(i % 300 + 2) + "}";
    }
    json += "]}";
    Json::Value root = Parse(json);
    std::vector<std::int32_t> fresh;
    InFlow([&](CAsyncWorkFlow& flow) {
        DecodeConversations(root, store_, changed_, users_, flow, "me");
        DecodeMessages(root, store_, fresh, flow, "me");
    });
    EXPECT_EQ(changed_.size(), 300u);
    EXPECT_EQ(fresh.size(), 1000u);
    EXPECT_EQ(store_.FindConversation(2)->last_dialog_id, 901);
}

TEST_F(DecodersTest, CancelledDecodingLeavesNoHalfRecords) {
    Json::Value root = Parse(R"({"messages":[{"id":70,"name":"x"}],"dialogues":[{"id":71}]})");
    FlowHandle handle;
    std::vector<std::int32_t> fresh;
    RunFlow(&handle, [&](CAsyncWorkFlow& flow) {
        DecodeConversations(root, store_, changed_, users_, flow, "me");
        DecodeMessages(root, store_, fresh, flow, "me");
    });
    CAsyncWorkFlow::CancelFlow(&handle);  // while its first chunk is on a worker
    platform::PumpMessagesUntil([] { return false; }, 100ms);
    EXPECT_EQ(store_.FindConversation(70), nullptr);
    EXPECT_EQ(store_.FindMessage(71), nullptr);
}

TEST_F(DecodersTest, UpdatesSpecialsAndSummary) {
    ConversationRecord& a = store_.ConversationFor(10);
    a.badge = 9;
    a.last_dialog_id = 33;
    store_.ConversationFor(11).badge = 2;
    changed_ = {11};
    Json::Value root = Parse(R"({
        "update_msgs":[{"mid":10,"count":5,"last_read_did":33},{"mid":11},{"mid":99,"count":1}],
        "specials":[{"title":"first","badge":1},{"title":"待处理","badge":3,"text":"2 new",
                     "uptime":"10:00","uptimestamp":77}],
        "msg_hasmore":false,"dlg_hasmore":1,"now":"2026-12-09 10:00:00","nowstamp":1765274400,
        "msg_count":12,"error_code":"5","result":"ok"})");
    EXPECT_TRUE(DecodeUpdates(root, store_, changed_));
    EXPECT_EQ(store_.FindConversation(10)->badge, 0) << "read up to the newest message";
    EXPECT_EQ(store_.FindConversation(11)->badge, 0) << "no count means no unread";
    EXPECT_EQ(changed_, (std::vector<std::int32_t>{11, 10, 99}));

    EXPECT_TRUE(DecodeSpecials(root, store_, changed_));
    const ConversationRecord* pending = store_.FindConversation(kPendingItemsConversationId);
    ASSERT_NE(pending, nullptr);
    EXPECT_EQ(pending->name, "待处理");
    EXPECT_EQ(pending->badge, 3);
    EXPECT_EQ(pending->last_dialog_timestamp, 77);

    SyncSummary summary;
    DecodeSummary(root, summary, store_);
    EXPECT_EQ(summary.msg_hasmore, 0);
    EXPECT_EQ(summary.dlg_hasmore, 0) << "an integer is not a boolean: no more is said";
    summary.msg_hasmore = summary.dlg_hasmore = 1;
    DecodeSummary(Parse(R"({"result":"ok"})"), summary, store_);
    EXPECT_EQ(summary.msg_hasmore, 0) << "flags do not carry over from an earlier answer";
    EXPECT_EQ(summary.dlg_hasmore, 0);
    EXPECT_EQ(summary.msg_count, 12);
    EXPECT_EQ(summary.error_code, 0) << "sent as text";
    EXPECT_EQ(store_.MaxDialogTime().text, "2026-12-09 10:00:00");
    EXPECT_FALSE(DecodeUpdates(Parse("{}"), store_, changed_));
}

}  // namespace
