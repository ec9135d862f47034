// Contacts and profiles on answers the local service never gives: missing arrays, odd members,
// the own profile with a new avatar.
#include <gtest/gtest.h>

#include "api/contacts.h"
#include "storage/msg_dlg_store.h"
#include "tests/people/people_steps.h"
#include "tests/people/scripted_service.h"

namespace {

using lumeno::test::EventRecorder;
using lumeno::test::RunStep;

class ContactsAnswersTest : public lumeno::test::ScriptedServiceTest {};

UserRecord Contact(const std::string& qxid, const std::string& py) {
    UserRecord user;
    user.qxid = qxid;
    user.py = py;
    user.name = qxid;
    user.dist = 1;
    user.utype = 1;
    return user;
}

TEST_F(ContactsAnswersTest, AnswerWithoutContactsChangesNothing) {
    CDBUser::Instance().Users()["a"] = Contact("a", "li");
    Answer("/lumeno/contact/v3/d1", R"({"result":"ok","count":0})");
    EventRecorder events(db_event::kContacts);
    RefreshContactList();
    ASSERT_TRUE(platform::PumpMessagesUntil(
        [&] { return events.Saw(db_event::kContacts, db_event::kFailed); },
        std::chrono::seconds(30)));
    EXPECT_EQ(FindUser("a")->dist, 1);
}

TEST_F(ContactsAnswersTest, UsersWithTheSamePinyinStandTogetherInQxidOrder) {
    Answer("/lumeno/contact/v3/d1",
           R"({"contacts":[{"qxid":"q3","name":"李娜","py":"lina","dist":1,"utype":1},)"
           R"({"qxid":"q1","name":"李娜","py":"lina","dist":1,"utype":1},)"
           R"({"qxid":"q2","name":"Anna","py":"anna","dist":1,"utype":1},)"
           R"({"qxid":"6","name":"小秘书","py":"xiaomishu","dist":1,"utype":1},)"
           R"({"qxid":"q4","name":"王五","py":"wangwu","dist":2,"utype":1}]})");
    EventRecorder events(db_event::kContacts);
    RefreshContactList();
    ASSERT_TRUE(platform::PumpMessagesUntil(
        [&] { return events.Saw(db_event::kContacts, db_event::kDone); },
        std::chrono::seconds(30)));
    std::vector<std::string> order;
    for (const auto& [py, users] : CDBUser::Instance().ContactIndex())
        for (const UserRecord* user : users)
            order.push_back(user->qxid);
    EXPECT_EQ(order, (std::vector<std::string>{"q2", "q1", "q3"}));
    EXPECT_EQ(CDBUser::Instance().Users().size(), 5u);
}

TEST_F(ContactsAnswersTest, ProfileEntriesAreNormalised) {
    Answer(
        "/lumeno/contact/v3/detail",
        R"({"result":"ok","card":{"qxid":"p1","name":"周杰","dist":2,"avatar":"http://x/a.png"},)"
        R"("tags":[{"me":5,"n":3,"text":"架构"},7],)"
        R"("areas":[{"l":"联系方式","d":[{"type":-1,"k":"邮箱","v":"a@b"},)"
        R"({"type":-1,"k":"手机号","v":"138"},{"type":-1,"k":"微信","v":"w"},{"k":"QQ"}]},)"
        R"({"l":"人脉动态","d":[{"type":-4,"k":"k","v":"v"},"skip"]},)"
        R"({"l":"背景","d":[{"company":"北辰","start":2008}]},{"l":"别的","d":[{}]}],)"
        R"("button":{"t":"加为好友"}})");
    ProfileRecord* profile = nullptr;
    ASSERT_TRUE(
        RunStep([&](CAsyncWorkFlow& flow) { profile = FetchUserDetail(nullptr, "p1", flow); }));
    ASSERT_NE(profile, nullptr);
    ASSERT_EQ(profile->contacts.size(), 4u);
    EXPECT_EQ(profile->contacts[0].type, kContactEmail);
    EXPECT_EQ(profile->contacts[1].type, kContactMobile);
    EXPECT_EQ(profile->contacts[2].type, -1);
    EXPECT_EQ(profile->contacts[3].type, 0);
    ASSERT_EQ(profile->timeline.size(), 1u);
    EXPECT_EQ(profile->timeline[0].type, 0);
    ASSERT_EQ(profile->tags.size(), 1u);
    EXPECT_EQ(profile->tags[0].me, 1);
    ASSERT_EQ(profile->background.size(), 1u);
    EXPECT_EQ(profile->background[0].start, 2008);
    EXPECT_EQ(profile->button_text, "加为好友");
    EXPECT_EQ(profile->user, FindUser("p1"));
    EXPECT_EQ(FindUser("p1")->contact, 0);

    // An answer that is no object leaves the profile as it was.
    Answer("/lumeno/contact/v3/detail", "<html>busy</html>");
    ErrorRecord error;
    ASSERT_TRUE(
        RunStep([&](CAsyncWorkFlow& flow) { profile = FetchUserDetail(&error, "p1", flow); }));
    ASSERT_NE(profile, nullptr);
    EXPECT_EQ(profile->button_text, "加为好友");
    EXPECT_EQ(error.error_code, 0);
}

TEST_F(ContactsAnswersTest, OwnNewAvatarReachesTheAccountAndItsConversations) {
    CDBUser::Instance().Users()["me"] = Contact("me", "wo");
    CDBUser::Instance().Users()["p2"] = Contact("p2", "ta");
    ConversationRecord& direct = CDBMsgDlg::Instance().ConversationFor(70);
    direct.member_ids = {"p2"};
    direct.type = 2;
    ConversationRecord& group = CDBMsgDlg::Instance().ConversationFor(71);
    group.member_ids = {"p2"};
    group.type = kGroupConversationType;
    Answer(
        "/lumeno/contact/v3/detail?u2=me",
        R"({"result":"ok","card":{"qxid":"me","dist":1,"utype":1,"avatar":"http://x/new.png"}})");
    Answer("/lumeno/contact/v3/detail?u2=p2",
           R"({"result":"ok","card":{"qxid":"p2","dist":1,"utype":1,"avatar":"http://x/p2.png"}})");
    EventRecorder events(db_event::kContacts | db_event::kConversationChanged);
    ASSERT_TRUE(RunStep([&](CAsyncWorkFlow& flow) {
        FetchUserDetail(nullptr, "me", flow);
        FetchUserDetail(nullptr, "p2", flow);
    }));
    EXPECT_EQ(CDBLogin::Instance().Record().avatar, "http://x/new.png");
    EXPECT_EQ(direct.peer_avatar, "http://x/p2.png");
    EXPECT_EQ(group.peer_avatar, "") << "groups have no peer";
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return events.events.size() >= 3; },
                                            std::chrono::seconds(10)));
    EXPECT_EQ(events.Count(db_event::kContacts, db_event::kDone), 2);
    EXPECT_EQ(events.Count(db_event::kConversationChanged, db_event::kDone), 1);
}

TEST_F(ContactsAnswersTest, TryAddWithoutMutualContactsIsAnEmptyList) {
    Answer("/lumeno/contact/v3/try_add", R"({"result":"ok","dist":3,"reconly":0,"hint":"h"})");
    TryAddResult result;
    bool ok = false;
    ASSERT_TRUE(RunStep([&](CAsyncWorkFlow& flow) { ok = TryAdd(nullptr, "p3", result, flow); }));
    EXPECT_TRUE(ok);
    EXPECT_TRUE(result.mutual.empty());
    EXPECT_EQ(result.dist, 3);
    EXPECT_EQ(result.hint, "h");

    Answer("/lumeno/contact/v3/try_add",
           R"({"result":"fail","error_code":40301,"error_msg":"不行"})");
    ErrorRecord error;
    ASSERT_TRUE(RunStep([&](CAsyncWorkFlow& flow) { ok = TryAdd(&error, "p3", result, flow); }));
    EXPECT_FALSE(ok);
    EXPECT_EQ(error.error_code, 40301);
    EXPECT_EQ(error.error_msg, "不行");
}

TEST_F(ContactsAnswersTest, FriendRequestWithAMessageIsPosted) {
    Answer("/lumeno/contact/v3/init_req", R"({"result":"ok"})");
    bool withText = false, withoutText = false;
    ASSERT_TRUE(RunStep([&](CAsyncWorkFlow& flow) {
        withText = SendFriendRequest(nullptr, "p4", "你好 & hi", 3, flow);
        withoutText = SendFriendRequest(nullptr, "p4", "", 1, flow);
    }));
    EXPECT_TRUE(withText);
    EXPECT_TRUE(withoutText);
    const std::vector<std::string> lines = RequestLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("POST /lumeno/contact/v3/init_req?u2=p4&lv=3&u=me&access_token=t", 0),
              0u)
        << lines[0];
    EXPECT_EQ(lines[1].rfind("GET /lumeno/contact/v3/init_req?u2=p4&lv=1&u=me", 0), 0u) << lines[1];
    EXPECT_NE(lumeno::test::RequestBody(server_.Requests()[0]).find("你好 & hi"),
              std::string::npos);
}

}  // namespace
