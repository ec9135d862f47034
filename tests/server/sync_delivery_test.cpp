// Delivery end to end: push notices, paging and marks, as a client drives them.
#include "server/seed/seeds.h"
#include "server_test_support.h"

namespace lumeno::server::testing {
namespace {

using std::chrono::milliseconds;

class ServerSyncDelivery : public ServiceFixture {
  protected:
    void SetUp() override { StartService("none"); }

    struct Person {
        std::int64_t id;
        Session session;
        SyncClient client;
    };

    Person Make(const std::string& name, const std::vector<std::int64_t>& friends = {}) {
        Person p;
        p.id = MakeUser(name, friends);
        p.session = TokenFor(std::to_string(p.id));
        return p;
    }

    // Pages until nothing more is waiting; returns the dialogue ids of every page.
    std::vector<std::vector<int>> SyncAll(Person& p, SyncClient::Kind kind, int count = 200) {
        std::vector<std::vector<int>> pages;
        for (int guard = 0; guard < 100; ++guard) {
            RawAnswer a = Call(p.session, "msg/v3/get_msg_dlg", p.client.Query(kind, count));
            EXPECT_TRUE(IsOk(a));
            std::vector<int> ids;
            for (const Json::Value& d : a.json["dialogues"])
                ids.push_back(d["id"].asInt());
            last_answer = a.json;
            pages.push_back(ids);
            p.client.Merge(a.json);
            if (!a.json["msg_hasmore"].asBool() && !a.json["dlg_hasmore"].asBool()) return pages;
        }
        ADD_FAILURE() << "paging never ended";
        return pages;
    }

    int Mid(const RawAnswer& a) { return a.json["mid"].asInt(); }

    std::vector<int> SendMany(const Session& s, int mid, int n) {
        static int sent = 0;
        std::vector<int> ids;
        for (int i = 0; i < n; ++i, ++sent) {
            RawAnswer a = RawPost(api(), "/lumeno/msg/v3/add_dialogue?" + s.auth,
                                  {{"mid", std::to_string(mid)},
                                   {"msghash", "m" + std::to_string(sent)},
                                   {"text", "message " + std::to_string(i)}});
            ids.push_back(a.json["id"].asInt());
        }
        return ids;
    }

    static std::vector<int> Flatten(const std::vector<std::vector<int>>& pages) {
        std::vector<int> all;
        for (const auto& p : pages)
            all.insert(all.end(), p.begin(), p.end());
        return all;
    }

    Json::Value last_answer;
};

TEST_F(ServerSyncDelivery, GroupMessageReachesEveryMemberAtOnceAndExactlyOnce) {
    Person a = Make("A");
    Person b = Make("B", {a.id});
    Person c = Make("C", {a.id});
    int mid =
        Mid(Call(a.session, "msg/v3/get_mid",
                 "dst_uids=" + std::to_string(b.id) + "," + std::to_string(c.id) + "&mtype=4"));
    ASSERT_GT(mid, 0);
    SyncAll(b, SyncClient::kActive);
    SyncAll(c, SyncClient::kActive);

    PushClient pb(push()), pc(push());
    auto announce = [](PushClient& client, const Person& person) {
        ASSERT_TRUE(client.Send("uid#" + std::to_string(person.id) + "#ping#"));
        ASSERT_EQ(client.ReadReply(), "ok#");
        ASSERT_TRUE(client.Send("ping#"));
        ASSERT_EQ(client.ReadReply(), "0#") << "nothing new yet";
    };
    announce(pb, b);
    announce(pc, c);

    auto sent = std::chrono::steady_clock::now();
    ASSERT_EQ(Send(a.session, mid, "大家好"), "ok");
    EXPECT_EQ(pb.ReadReply(milliseconds(5000)), "1#");
    EXPECT_EQ(pc.ReadReply(milliseconds(5000)), "1#");
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(2))
        << "the notice goes out when the message is stored, not at the next ping";

    auto expect_once = [&](Person& p, SyncClient::Kind kind) {
        std::vector<int> got = Flatten(SyncAll(p, kind));
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(p.client.messages[got[0]]["text"].asString(), "大家好");
        EXPECT_EQ(p.client.messages[got[0]]["mid"].asInt(), mid);
        EXPECT_TRUE(Flatten(SyncAll(p, kind)).empty()) << "never twice";
    };
    expect_once(b, SyncClient::kLongConnection);
    expect_once(c, SyncClient::kActive);

    // Synchronised: the next ping finds nothing new.
    ASSERT_TRUE(pb.Send("ping#"));
    EXPECT_EQ(pb.ReadReply(), "0#");
}

TEST_F(ServerSyncDelivery, FourHundredFiftyMessagesComeInThreePagesByMessageId) {
    Person a = Make("A");
    Person b = Make("B", {a.id});
    int mid = Mid(Call(a.session, "msg/v3/get_mid", "qxid=" + std::to_string(b.id) + "&mtype=1"));
    Send(a.session, mid, "hello");
    SyncAll(b, SyncClient::kLongConnection);
    std::vector<int> sent = SendMany(a.session, mid, 450);

    std::vector<std::vector<int>> pages = SyncAll(b, SyncClient::kLongConnection);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].size(), 200u);
    EXPECT_EQ(pages[1].size(), 200u);
    EXPECT_EQ(pages[2].size(), 50u);
    EXPECT_FALSE(last_answer["dlg_hasmore"].asBool());
    EXPECT_EQ(Flatten(pages), sent);
}

TEST_F(ServerSyncDelivery, PagingByTimeMarkSplitsOneSecondWithoutLossOrRepeat) {
    Person a = Make("A");
    Person b = Make("B", {a.id});
    int mid = Mid(Call(a.session, "msg/v3/get_mid", "qxid=" + std::to_string(b.id) + "&mtype=1"));
    Send(a.session, mid, "hello");
    SyncAll(b, SyncClient::kActive);
    // The clock stands still, so that all of them share one second.
    ASSERT_TRUE(IsOk(RawGet(api(), "/admin/clock?freeze=-1")));
    std::vector<int> sent = SendMany(a.session, mid, 450);
    std::vector<std::vector<int>> pages = SyncAll(b, SyncClient::kActive);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].size(), 200u);
    EXPECT_EQ(pages[2].size(), 50u);
    EXPECT_EQ(Flatten(pages), sent);
}

TEST_F(ServerSyncDelivery, MessagesStoredInTheSecondOfTheLastAnswerAreNotSkipped) {
    Person a = Make("A");
    Person b = Make("B", {a.id});
    int mid = Mid(Call(a.session, "msg/v3/get_mid", "qxid=" + std::to_string(b.id) + "&mtype=1"));
    std::vector<int> sent, got;
    for (int round = 0; round < 20; ++round) {
        sent.push_back(SendMany(a.session, mid, 1)[0]);
        std::vector<int> page =
            Flatten(SyncAll(b, round % 2 ? SyncClient::kActive : SyncClient::kLongConnection));
        got.insert(got.end(), page.begin(), page.end());
    }
    EXPECT_EQ(got, sent);
}

TEST_F(ServerSyncDelivery, FirstSyncOfManyConversationsSendsEachMessageAfterItsConversation) {
    {
        auto lock = app().store().Lock();
        Transaction tx(app().store().Db());
        SeedBulk(app().store(), {450, 3, 500, 2});
        tx.Commit();
    }
    Person bench;
    bench.session = SignIn("bench");
    int pages = 0;
    std::set<int> messages;
    for (int guard = 0; guard < 100; ++guard) {
        RawAnswer r =
            Call(bench.session, "msg/v3/get_msg_dlg", bench.client.Query(SyncClient::kActive));
        ASSERT_TRUE(IsOk(r));
        ++pages;
        EXPECT_LE(r.json["messages"].size(), 200u);
        EXPECT_LE(r.json["dialogues"].size(), 200u);
        for (const Json::Value& c : r.json["messages"])
            bench.client.conversations.insert(c["id"].asInt());
        for (const Json::Value& d : r.json["dialogues"]) {
            EXPECT_TRUE(bench.client.conversations.count(d["mid"].asInt()))
                << "message " << d["id"] << " came before its conversation";
            EXPECT_TRUE(messages.insert(d["id"].asInt()).second) << "repeated " << d["id"];
        }
        bench.client.Merge(r.json);
        if (!r.json["msg_hasmore"].asBool() && !r.json["dlg_hasmore"].asBool()) break;
    }
    EXPECT_EQ(bench.client.conversations.size(), 450u);
    EXPECT_EQ(messages.size(), 1350u);
    EXPECT_GE(pages, 7);
}

TEST_F(ServerSyncDelivery, MarksFromAnEarlierSessionBringOnlyWhatIsNew) {
    Person a = Make("A");
    Person b = Make("B", {a.id});
    int mid = Mid(Call(a.session, "msg/v3/get_mid", "qxid=" + std::to_string(b.id) + "&mtype=1"));
    SendMany(a.session, mid, 5);
    SyncAll(b, SyncClient::kLongConnection);
    std::vector<int> later = SendMany(a.session, mid, 3);
    // A restarted client keeps its marks but no messages, and starts with an active query.
    SyncClient restarted = b.client;
    restarted.messages.clear();
    b.client = restarted;
    EXPECT_EQ(Flatten(SyncAll(b, SyncClient::kActive)), later);
}

TEST_F(ServerSyncDelivery, HistoryNeverRunsAheadOfTheSync) {
    Person a = Make("A");
    Person b = Make("B", {a.id});
    int mid = Mid(Call(a.session, "msg/v3/get_mid", "qxid=" + std::to_string(b.id) + "&mtype=1"));
    std::vector<int> first = SendMany(a.session, mid, 3);
    SyncAll(b, SyncClient::kLongConnection);
    std::vector<int> unsynced = SendMany(a.session, mid, 2);
    RawAnswer history = Call(b.session, "msg/v3/get_message",
                             "mid=" + std::to_string(mid) + "&before_id=0&count=50");
    std::vector<int> ids;
    for (const Json::Value& d : history.json["dialogues"])
        ids.push_back(d["id"].asInt());
    EXPECT_EQ(ids, first);
    EXPECT_EQ(Flatten(SyncAll(b, SyncClient::kLongConnection)), unsynced);
}

TEST_F(ServerSyncDelivery, ReadOnAnotherDeviceUpdatesTheBadge) {
    Person a = Make("A");
    Person b = Make("B", {a.id});
    int mid = Mid(Call(a.session, "msg/v3/get_mid", "qxid=" + std::to_string(b.id) + "&mtype=1"));
    SendMany(a.session, mid, 4);
    SyncAll(b, SyncClient::kLongConnection);
    bool badge4 = false;
    for (const Json::Value& u : last_answer["update_msgs"])
        badge4 |= u["mid"].asInt() == mid && u["count"].asInt() == 4;
    EXPECT_TRUE(badge4);
    Session other_device = TokenFor(std::to_string(b.id));
    ASSERT_TRUE(IsOk(
        Call(other_device, "msg/v3/clear_badge", "mid=" + std::to_string(mid) + "&last_did=0")));
    SyncAll(b, SyncClient::kLongConnection);
    bool cleared = false;
    for (const Json::Value& u : last_answer["update_msgs"])
        cleared |= u["mid"].asInt() == mid && u["count"].asInt() == 0;
    EXPECT_TRUE(cleared);
}

}  // namespace
}  // namespace lumeno::server::testing
