#pragma once

#include <gtest/gtest.h>
#include <json/json.h>

#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "server/app/server_app.h"

namespace lumeno::server::testing {

// An HTTP answer read off a raw socket.
struct RawAnswer {
    int status = 0;
    std::string headers;
    std::string body;
    Json::Value json;  // null unless the body parses
    bool parsed = false;
};

// Speaks HTTP/1.0 over a plain socket, byte for byte the way the desktop client does.
// Waits at most `timeout_seconds` for each piece of the answer.
RawAnswer RawRequest(int port, const std::string& bytes, int timeout_seconds = 10);
RawAnswer RawGet(int port, const std::string& target);
// Multipart POST with the client's boundary; fields in ascending name order, the "pic" field
// (when given) sent as a file named `pic_name`.
RawAnswer RawPost(int port, const std::string& target,
                  const std::map<std::string, std::string>& fields,
                  const std::string& pic_name = "C:\\pictures\\photo.png");

// A connection to the push server, reading replies the client's way: everything received
// until a "#" stands after the first character.
class PushClient {
  public:
    explicit PushClient(int port);
    ~PushClient();
    bool connected() const { return fd_ >= 0; }
    bool Send(const std::string& text);
    // The reply, "" on time-out, or "<closed>" when the server closed the connection.
    std::string ReadReply(std::chrono::milliseconds timeout = std::chrono::seconds(5));

  private:
    int fd_ = -1;
};

bool CanConnect(int port);

// The service running inside the test's process, on free loopback ports.
class ServiceFixture : public ::testing::Test {
  protected:
    // `seed`: "none" or "demo".
    void StartService(const std::string& seed = "demo", Options options = {});
    void TearDown() override;

    int api() const { return app_->api_port(); }
    int push() const { return app_->push_port(); }
    ServerApp& app() { return *app_; }

    // A signed-in user: "u=…&access_token=…".
    struct Session {
        std::string qxid;
        std::string token;
        std::string auth;
    };
    Session SignIn(const std::string& account, const std::string& password = "lumeno123");
    // A session through the control endpoint, for people without a password.
    Session TokenFor(const std::string& account);
    // GET /lumeno/<path>?<query>&<auth>&<client query>.
    RawAnswer Call(const Session& s, const std::string& path, const std::string& query = {});
    // Makes a user with the store's own functions (no avatar), returning the id.
    std::int64_t MakeUser(const std::string& name, const std::vector<std::int64_t>& friends = {});
    std::string Send(const Session& s, std::int64_t mid, const std::string& text);

  private:
    std::unique_ptr<ServerApp> app_;
};

inline const char* const kClientQuery = "version=1.0.0.1&channel=pc_beta&appid=2";

// JSON kind checks as the client's getters read them.
::testing::AssertionResult IsInt32(const Json::Value& object, const char* name);
::testing::AssertionResult IsText(const Json::Value& object, const char* name);
::testing::AssertionResult IsFlag(const Json::Value& object, const char* name);
::testing::AssertionResult IsBool(const Json::Value& object, const char* name);
::testing::AssertionResult IsErrorEnvelope(const RawAnswer& answer, int code);
::testing::AssertionResult IsOk(const RawAnswer& answer);

// Every member of a user object, and its kind, as the client's user record reads them.
void ExpectCompleteUser(const Json::Value& user);

// The synchronisation marks a client keeps between get_msg_dlg calls, updated by the same
// rules the client applies, so that tests drive paging exactly as a client would.
class SyncClient {
  public:
    enum Kind { kActive, kLongConnection };

    std::string Query(Kind kind, int count = 200) const;
    // Merges one answer; returns the ids of the messages it brought that were new.
    std::vector<int> Merge(const Json::Value& answer);

    std::set<int> conversations;
    std::map<int, Json::Value> messages;  // by message id
    std::map<int, int> last_dialog_id;    // by conversation id
    std::string max_dialog_text = "0";
    std::int64_t max_dialog_time = 0;
    std::string now_text = "2000-01-01 10:10:10";
    std::string status_text = "2000-01-01 10:10:10";
    std::int64_t status_time = 0;
    int largest_message = 0;
    int largest_conversation = 0;
};

std::string UrlEncode(const std::string& text);

}  // namespace lumeno::server::testing
