// Decoding the local service's own answers: every kind of conversation and message comes out
// with its fields, and the stores agree with the answer.
#include <gtest/gtest.h>

#include <map>

#include "api/api_controller.h"
#include "api/decoders.h"
#include "api/login.h"
#include "api/sign_in.h"
#include "net/http_request.h"
#include "platform/ui_thread.h"
#include "tests/support/signed_in_client.h"

namespace {

class ServiceAnswersTest : public lumeno::test::SignedInClientTest {
  protected:
    void SetUp() override {
        SignedInClientTest::SetUp();
        SignInOnly("demo");
    }
};

TEST_F(ServiceAnswersTest, FullSynchronisationAnswerDecodesEveryKind) {
    CDBMsgDlg store;
    UserMap users;
    SyncSummary summary;
    std::vector<std::int32_t> changed, fresh;
    std::string answer;
    const std::string me = CDBLogin::Instance().Record().qxid;
    FlowHandle handle;
    RunFlow(&handle, [&](CAsyncWorkFlow& flow) {
        const std::string url = ApiUrl("msg", "get_msg_dlg") + "?" + AuthQuery() +
                                "&after_d_time=0&last_c_time=0&count=500";
        answer = PoolScope::Run(flow, [&] { return HttpGetText(url); });
        Json::Value root;
        ASSERT_TRUE(ParseJson(answer, root));
        DecodeSummary(root, summary, store);
        EXPECT_TRUE(DecodeConversations(root, store, changed, users, flow, me));
        EXPECT_TRUE(DecodeMessages(root, store, fresh, flow, me));
        DecodeUpdates(root, store, changed);
        DecodeSpecials(root, store, changed);
    });
    ASSERT_TRUE(PumpUntil([&] { return !handle.Busy(); }));

    EXPECT_EQ(summary.result, "ok");
    EXPECT_GT(summary.nowstamp, 0);
    EXPECT_NE(summary.now, "2000-01-01 10:10:10");
    ASSERT_FALSE(changed.empty());
    ASSERT_FALSE(fresh.empty());
    EXPECT_FALSE(users.empty()) << "conversations bring their members";

    std::map<std::int32_t, std::int32_t> newestPerConversation;
    int pictures = 0, voices = 0, jobs = 0, resumes = 0, cards = 0;
    for (std::int32_t id : fresh) {
        const MessageRecord* m = store.FindMessage(id);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->id, id);
        EXPECT_GT(m->crtimestamp, 0);
        if (m->is_me) {
            EXPECT_EQ(m->qxid, me);
        }
        if (store.FindConversation(m->mid)) {
            newestPerConversation[m->mid] = std::max(newestPerConversation[m->mid], id);
        }
        if (m->file_type == 1) {
            ++pictures;
            EXPECT_FALSE(m->file.url.empty());
            EXPECT_GT(m->file.xsize, 0);
            EXPECT_GT(m->file.ysize, 0);
        }
        if (m->file_type == 2) {
            ++voices;
            EXPECT_GT(m->file.duration, 0);
        }
        if (!m->job.position.empty()) {
            ++jobs;
            EXPECT_FALSE(m->job.company.empty());
            EXPECT_GT(m->job.id, 0);
        }
        if (!m->resume_user.realname.empty()) ++resumes;
        if (m->type >= 100 && m->type <= 105) {
            ++cards;
            EXPECT_FALSE(m->text.empty()) << "cards always have a summary text";
        }
    }
    EXPECT_GT(pictures, 0);
    EXPECT_GT(voices, 0);
    EXPECT_GT(jobs, 0);
    EXPECT_GT(resumes, 0);
    EXPECT_GT(cards, 0);

    for (std::int32_t id : changed) {
        const ConversationRecord* c = store.FindConversation(id);
        if (!c || id == kPendingItemsConversationId) continue;
        EXPECT_GT(c->crtimestamp, 0) << id;
        if (c->type == kGroupConversationType) {
            EXPECT_GE(c->member_ids.size(), 2u) << id;
        } else {
            ASSERT_EQ(c->member_ids.size(), 1u) << id;
            EXPECT_NE(c->member_ids[0], me);
        }
        if (newestPerConversation.count(id)) {
            EXPECT_EQ(c->last_dialog_id, newestPerConversation[id]) << id;
        }
    }
    const ConversationRecord* pending = store.FindConversation(kPendingItemsConversationId);
    ASSERT_NE(pending, nullptr) << "the demo account has pending items";
    EXPECT_FALSE(pending->name.empty());
}

}  // namespace
