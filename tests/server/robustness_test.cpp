// Bad requests of every sort get an error envelope, and the service goes on serving.
#include <atomic>
#include <thread>

#include "server_test_support.h"

namespace lumeno::server::testing {
namespace {

class ServerRobustness : public ServiceFixture {
  protected:
    void SetUp() override {
        StartService("demo");
        me = SignIn("demo");
    }
    Session me;
};

TEST_F(ServerRobustness, BadNumbersAndMissingFieldsAreRefusedWithTheEnvelope) {
    const char* const cases[] = {"msg/v3/get_message?mid=abc",
                                 "msg/v3/get_message?mid=",
                                 "msg/v3/get_message",
                                 "msg/v3/get_message?mid=99999999999",
                                 "msg/v3/get_message?mid=-3",
                                 "msg/v3/get_message?mid=1000&count=0",
                                 "msg/v3/get_message?mid=1000&before_id=1e5",
                                 "msg/v3/get_msg_dlg?count=ten",
                                 "msg/v3/get_msg_dlg?after_did=-1",
                                 "msg/v3/get_msg_dlg?after_d_time=yesterday",
                                 "msg/v3/get_msg_dlg?last_c_time=2024-13-45+99:99:99",
                                 "msg/v3/clear_badge?mid=0x10",
                                 "msg/v3/get_mid?mtype=1",
                                 "msg/v3/get_mid?qxid=10002",
                                 "msg/v3/get_mid?qxid=10002&mtype=2147483648",
                                 "msg/v3/set_msg_name?mid=1004",
                                 "msg/v3/add_user?mid=1004",
                                 "msg/v3/add_user?mid=1004&uids=,,,",
                                 "msg/v3/remove_user?uids=10002",
                                 "contact/v3/detail?u2=",
                                 "contact/v3/init_req?u2=10013&lv=x",
                                 "user/v3/tasks?count=-5",
                                 "user/v3/tasks?page=99999999",
                                 "user/v3/complete_task?type=4",
                                 "user/v3/complete_task?id=1",
                                 "user/v3/ignore_task?type=&id=",
                                 "msg/v3/clear_audio_unread?did=1.5",
                                 "msg/v3/pc_status?on=yes"};
    for (const char* c : cases) {
        std::string target = std::string("/lumeno/") + c;
        target += (target.find('?') == std::string::npos ? "?" : "&") + me.auth;
        RawAnswer a = RawGet(api(), target);
        EXPECT_TRUE(IsErrorEnvelope(a, 10001)) << c;
    }
}

TEST_F(ServerRobustness, HugeValuesAreCappedOrRefused) {
    RawAnswer big_page = Call(me, "msg/v3/get_msg_dlg", "count=2147483647");
    EXPECT_TRUE(IsOk(big_page));
    RawAnswer long_name =
        Call(me, "msg/v3/set_msg_name", "mid=1004&name=" + std::string(5000, 'n'));
    EXPECT_TRUE(IsErrorEnvelope(long_name, 10001));
    RawAnswer many = Call(
        me, "msg/v3/add_user", "mid=1004&uids=" + [] {
            std::string list;
            for (int i = 0; i < 60; ++i)
                list += std::to_string(10001 + i) + ",";
            return list;
        }());
    EXPECT_TRUE(IsErrorEnvelope(many, 10001));
    // A request line beyond what HTTP allows, and a body beyond 16 MiB.
    // (The service may close before reading all of it, so an answer may not arrive.)
    RawAnswer long_uri = RawGet(api(), "/lumeno/contact/v3/d1?x=" + std::string(20000, 'a'));
    EXPECT_TRUE(long_uri.status == 0 || long_uri.status >= 400) << long_uri.status;
    RawAnswer too_big = RawRequest(api(), "POST /lumeno/msg/v3/add_dialogue?" + me.auth +
                                              " HTTP/1.0\r\nContent-Type: multipart/form-data; "
                                              "boundary=b\r\nContent-Length: 17825792\r\n\r\n");
    EXPECT_EQ(too_big.status, 413);
    EXPECT_TRUE(IsErrorEnvelope(too_big, 10006));
    EXPECT_TRUE(IsOk(Call(me, "contact/v3/d1")));
}

TEST_F(ServerRobustness, JunkOnTheWireNeverStopsTheService) {
    const std::string junk[] = {
        "",
        "\r\n\r\n",
        "GARBAGE\r\n\r\n",
        "GET\r\n\r\n",
        "GET /lumeno/contact/v3/d1 HTTP/9.9\r\n\r\n",
        "POST /lumeno/msg/v3/add_dialogue HTTP/1.0\r\nContent-Length: 99999\r\n\r\nshort",
        "POST /lumeno/msg/v3/add_dialogue?" + me.auth +
            " HTTP/1.0\r\nContent-Type: multipart/form-data; boundary=xyz\r\nContent-Length: 20"
            "\r\n\r\n--xyz\r\nbroken part",
        "POST /lumeno/user/v3/login?account=demo HTTP/1.0\r\nContent-Type: multipart/form-data; "
        "boundary=--MULTI-PARTS-FORM-DATA-BOUNDARY\r\nContent-Length: 10\r\n\r\n----MULTI-",
        std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11),
        std::string(100000, '\0')};
    for (const std::string& bytes : junk)
        RawRequest(api(), bytes, 1);
    RawAnswer unknown = RawGet(api(), "/lumeno/msg/v3/nothing_here");
    EXPECT_EQ(unknown.status, 404);
    EXPECT_TRUE(IsErrorEnvelope(unknown, 10007));
    EXPECT_TRUE(IsErrorEnvelope(RawGet(api(), "/lumeno/msg/v3/add_dialogue?" + me.auth), 10007))
        << "sending is a POST";
    EXPECT_TRUE(IsOk(Call(me, "contact/v3/d1")));
}

TEST_F(ServerRobustness, ManyClientsAtOnceAllGetAnswers) {
    std::vector<std::thread> threads;
    std::atomic<int> ok{0};
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 10; ++i) {
                if (t % 2 == 0)
                    ok += Send(me, 1000, "thread " + std::to_string(t)) == "ok";
                else
                    ok += IsOk(Call(me, "msg/v3/get_msg_dlg",
                                    SyncClient().Query(SyncClient::kActive)))
                              ? 1
                              : 0;
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(ok.load(), 80);
}

}  // namespace
}  // namespace lumeno::server::testing
