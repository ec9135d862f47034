// The push protocol: its parser, and the server over raw TCP.
#include "server/push/push_protocol.h"
#include "server_test_support.h"

namespace lumeno::server::testing {
namespace {

using std::chrono::milliseconds;

std::vector<PushEvent::Kind> Kinds(const std::vector<PushEvent>& events) {
    std::vector<PushEvent::Kind> kinds;
    for (const PushEvent& e : events)
        kinds.push_back(e.kind);
    return kinds;
}

TEST(ServerPushParser, AnnouncementIsOneEventWhereverTheBytesAreSplit) {
    const std::string stream = "uid#10001#ping#ping#ping#";
    for (size_t cut = 0; cut <= stream.size(); ++cut) {
        PushParser parser;
        std::vector<PushEvent> events = parser.Feed(stream.substr(0, cut));
        std::vector<PushEvent> rest = parser.Feed(stream.substr(cut));
        events.insert(events.end(), rest.begin(), rest.end());
        ASSERT_EQ(Kinds(events), (std::vector<PushEvent::Kind>{PushEvent::kAnnounce,
                                                               PushEvent::kPing, PushEvent::kPing}))
            << "cut at " << cut;
        EXPECT_EQ(events[0].uid, "10001");
    }
}

TEST(ServerPushParser, RefusesWhatIsNotTheProtocol) {
    PushParser junk;
    EXPECT_EQ(Kinds(junk.Feed("GET / HTTP/1.1\r\n\r\n#")), (std::vector{PushEvent::kInvalid}));
    EXPECT_TRUE(junk.Feed("uid#1#").empty()) << "a failed connection stays failed";
    PushParser endless;
    EXPECT_EQ(Kinds(endless.Feed(std::string(2000, 'x'))), (std::vector{PushEvent::kInvalid}));
    PushParser empty_uid;
    EXPECT_EQ(Kinds(empty_uid.Feed("uid##")), (std::vector{PushEvent::kInvalid}));
    PushParser lenient;
    EXPECT_EQ(Kinds(lenient.Feed("uid#7#ping#hello#ping#")),
              (std::vector{PushEvent::kAnnounce, PushEvent::kPing}));
}

class ServerPush : public ServiceFixture {
  protected:
    void SetUp() override {
        StartService("none");
        user = MakeUser("Pusher");
    }

    std::unique_ptr<PushClient> Announced() {
        auto client = std::make_unique<PushClient>(push());
        EXPECT_TRUE(client->Send("uid#" + std::to_string(user) + "#ping#"));
        EXPECT_EQ(client->ReadReply(), "ok#");
        return client;
    }

    void Notify() {
        ASSERT_TRUE(IsOk(RawGet(api(), "/admin/notify?qxid=" + std::to_string(user))));
    }

    std::int64_t user = 0;
};

TEST_F(ServerPush, PingIsAnsweredAtOnceAndNewsFollowsTheMomentItArrives) {
    auto client = Announced();
    ASSERT_TRUE(client->Send("ping#"));
    EXPECT_EQ(client->ReadReply(milliseconds(1000)), "0#");
    EXPECT_EQ(client->ReadReply(milliseconds(300)), "") << "no news, no second reply";
    auto before = std::chrono::steady_clock::now();
    Notify();
    EXPECT_EQ(client->ReadReply(milliseconds(3000)), "1#");
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2))
        << "at once, not at the next ping";
}

TEST_F(ServerPush, NewsBetweenPingsIsTheAnswerToTheNextPing) {
    auto client = Announced();
    Notify();
    ASSERT_TRUE(client->Send("pi"));
    ASSERT_TRUE(client->Send("ng#"));
    EXPECT_EQ(client->ReadReply(), "1#");
}

TEST_F(ServerPush, NewsNoSyncPickedUpIsSignalledAgain) {
    auto client = Announced();
    Notify();
    ASSERT_TRUE(client->Send("ping#"));
    ASSERT_EQ(client->ReadReply(), "1#");
    ASSERT_TRUE(client->Send("ping#"));
    EXPECT_EQ(client->ReadReply(), "0#");
    // The client could not act on it (its synchronisation was busy); a second later it hears
    // again, because no synchronisation has covered the news.
    EXPECT_EQ(client->ReadReply(milliseconds(4000)), "1#");
    Session s = TokenFor(std::to_string(user));
    SyncClient sync;
    ASSERT_TRUE(IsOk(Call(s, "msg/v3/get_msg_dlg", sync.Query(SyncClient::kActive))));
    ASSERT_TRUE(client->Send("ping#"));
    EXPECT_EQ(client->ReadReply(), "0#");
    EXPECT_EQ(client->ReadReply(milliseconds(1800)), "") << "covered: no more repeats";
}

TEST_F(ServerPush, EveryConnectionOfTheUserHearsTheNews) {
    auto first = Announced();
    auto second = Announced();
    for (auto* c : {first.get(), second.get()}) {
        ASSERT_TRUE(c->Send("ping#"));
        ASSERT_EQ(c->ReadReply(), "0#");
    }
    Notify();
    EXPECT_EQ(first->ReadReply(), "1#");
    EXPECT_EQ(second->ReadReply(), "1#");
    EXPECT_EQ(
        RawGet(api(), "/admin/push/sessions?qxid=" + std::to_string(user)).json["sessions"].asInt(),
        2);
}

TEST_F(ServerPush, UnknownUsersAndPingsBeforeTheAnnouncementAreTurnedAway) {
    PushClient stranger(push());
    ASSERT_TRUE(stranger.Send("uid#424242#ping#"));
    EXPECT_EQ(stranger.ReadReply(), "err#");
    EXPECT_EQ(stranger.ReadReply(), "<closed>");
    PushClient hasty(push());
    ASSERT_TRUE(hasty.Send("ping#"));
    EXPECT_EQ(hasty.ReadReply(), "<closed>");
    PushClient junk(push());
    ASSERT_TRUE(junk.Send(std::string("\0\x01\xff garbage \r\n#", 15)));
    EXPECT_EQ(junk.ReadReply(), "<closed>");
    auto fine = Announced();  // the server goes on serving
    ASSERT_TRUE(fine->Send("ping#"));
    EXPECT_EQ(fine->ReadReply(), "0#");
}

TEST_F(ServerPush, SilentModeAnswersNothing) {
    auto client = Announced();
    ASSERT_TRUE(IsOk(RawGet(api(), "/admin/push?mode=silent")));
    ASSERT_TRUE(client->Send("ping#"));
    Notify();
    EXPECT_EQ(client->ReadReply(milliseconds(1500)), "");
    ASSERT_TRUE(IsOk(RawGet(api(), "/admin/push?mode=normal")));
    ASSERT_TRUE(client->Send("ping#"));
    EXPECT_EQ(client->ReadReply(), "1#");
}

TEST_F(ServerPush, RefuseRejectAndCloseFaults) {
    ASSERT_TRUE(IsOk(RawGet(api(), "/admin/push?mode=refuse")));
    EXPECT_FALSE(CanConnect(push()));
    ASSERT_TRUE(IsOk(RawGet(api(), "/admin/clear")));
    EXPECT_TRUE(CanConnect(push())) << "listening again on the same port";

    ASSERT_TRUE(IsOk(RawGet(api(), "/admin/push?mode=reject")));
    PushClient rejected(push());
    rejected.Send("uid#" + std::to_string(user) + "#ping#");
    EXPECT_EQ(rejected.ReadReply(), "<closed>");
    ASSERT_TRUE(IsOk(RawGet(api(), "/admin/push?mode=normal")));

    auto client = Announced();
    RawAnswer closed = RawGet(api(), "/admin/push/close?qxid=" + std::to_string(user));
    EXPECT_EQ(closed.json["closed"].asInt(), 1);
    EXPECT_EQ(client->ReadReply(), "<closed>");
    EXPECT_TRUE(IsErrorEnvelope(RawGet(api(), "/admin/push?mode=sleepy"), 10001));
}

}  // namespace
}  // namespace lumeno::server::testing
