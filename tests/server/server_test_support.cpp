#include "server_test_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "server/core/json_text.h"
#include "server/store/friend_repo.h"
#include "server/store/user_repo.h"

namespace lumeno::server::testing {
namespace {

int ConnectTo(int port, int timeout_seconds = 10) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &addr.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    timeval tv{timeout_seconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    return fd;
}

const char* const kBoundary = "--MULTI-PARTS-FORM-DATA-BOUNDARY";

}  // namespace

bool CanConnect(int port) {
    int fd = ConnectTo(port);
    if (fd < 0) return false;
    close(fd);
    return true;
}

RawAnswer RawRequest(int port, const std::string& bytes, int timeout_seconds) {
    RawAnswer answer;
    int fd = ConnectTo(port, timeout_seconds);
    if (fd < 0) return answer;
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
    std::string all;
    char buffer[4096];
    while (true) {
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        all.append(buffer, static_cast<size_t>(n));
        // Done once the body that Content-Length announces is complete (some error answers
        // keep the connection open).
        size_t head = all.find("\r\n\r\n");
        size_t length_at = all.find("Content-Length: ");
        if (head != std::string::npos && length_at != std::string::npos && length_at < head &&
            all.size() >= head + 4 + std::stoul(all.substr(length_at + 16)))
            break;
    }
    close(fd);
    size_t end = all.find("\r\n\r\n");
    if (all.rfind("HTTP/1.", 0) != 0 || end == std::string::npos) return answer;
    answer.status = std::atoi(all.c_str() + 9);
    answer.headers = all.substr(0, end);
    answer.body = all.substr(end + 4);
    answer.parsed = ParseJson(answer.body, answer.json);
    return answer;
}

RawAnswer RawGet(int port, const std::string& target) {
    return RawRequest(port, "GET " + target + " HTTP/1.0\r\nAccept: */*\r\n\r\n");
}

RawAnswer RawPost(int port, const std::string& target,
                  const std::map<std::string, std::string>& fields, const std::string& pic_name) {
    std::string body;
    for (const auto& [name, value] : fields) {
        if (name == "pic") {
            body += std::string("--") + kBoundary + "\r\nContent-Disposition: form-data; name=\"" +
                    name + "\"; filename=\"" + pic_name + "\"\r\n\r\n" + value + "\r\n";
        } else {
            body += std::string("--") + kBoundary + "\r\nContent-Disposition: form-data; name=\"" +
                    name + "\"\r\n\r\n" + value + "\r\n";
        }
    }
    body += std::string("--") + kBoundary + "--\r\n";
    std::string request = "POST " + target + " HTTP/1.0\r\nAccept: */*\r\n" +
                          "Content-Type: multipart/form-data; boundary=" + kBoundary + "\r\n" +
                          "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    return RawRequest(port, request);
}

PushClient::PushClient(int port) {
    fd_ = ConnectTo(port);
}

PushClient::~PushClient() {
    if (fd_ >= 0) close(fd_);
}

bool PushClient::Send(const std::string& text) {
    return fd_ >= 0 &&
           send(fd_, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

std::string PushClient::ReadReply(std::chrono::milliseconds timeout) {
    std::string text;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return "";
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return "";
        char buffer[256];
        ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) return "<closed>";
        text.append(buffer, static_cast<size_t>(n));
        size_t hash = text.find('#');
        if (hash != std::string::npos && hash > 0) return text;
    }
}

void ServiceFixture::StartService(const std::string& seed, Options options) {
    options.seed = seed;
    options.log_level = 0;
    app_ = std::make_unique<ServerApp>(options);
    app_->Start();
}

void ServiceFixture::TearDown() {
    if (app_) app_->Stop();
}

ServiceFixture::Session ServiceFixture::SignIn(const std::string& account,
                                               const std::string& password) {
    RawAnswer a = RawPost(api(), "/lumeno/user/v3/login?account=" + account + "&" + kClientQuery,
                          {{"password", password}});
    Session s;
    s.token = a.json["token"].asString();
    s.qxid = a.json["user"]["qxid"].asString();
    s.auth = "u=" + s.qxid + "&access_token=" + s.token;
    return s;
}

ServiceFixture::Session ServiceFixture::TokenFor(const std::string& account) {
    RawAnswer a = RawGet(api(), "/admin/token?account=" + account);
    Session s;
    s.token = a.json["token"].asString();
    s.qxid = a.json["qxid"].asString();
    s.auth = "u=" + s.qxid + "&access_token=" + s.token;
    return s;
}

RawAnswer ServiceFixture::Call(const Session& s, const std::string& path,
                               const std::string& query) {
    std::string target =
        "/lumeno/" + path + "?" + (query.empty() ? "" : query + "&") + s.auth + "&" + kClientQuery;
    return RawGet(api(), target);
}

std::int64_t ServiceFixture::MakeUser(const std::string& name,
                                      const std::vector<std::int64_t>& friends) {
    Store& store = app_->store();
    auto lock = store.Lock();
    UserRow u;
    u.name = name;
    u.py = name;
    std::int64_t id = InsertUser(store.Db(), u);
    for (std::int64_t f : friends)
        AddFriendship(store.Db(), id, f, 1, store.Now());
    return id;
}

std::string ServiceFixture::Send(const Session& s, std::int64_t mid, const std::string& text) {
    static int counter = 0;
    RawAnswer a = RawPost(api(), "/lumeno/msg/v3/add_dialogue?" + s.auth + "&" + kClientQuery,
                          {{"mid", std::to_string(mid)},
                           {"msghash", "hash-" + std::to_string(++counter)},
                           {"text", text}});
    return a.json["result"].asString();
}

::testing::AssertionResult IsInt32(const Json::Value& o, const char* name) {
    if (!o.isObject() || !o.isMember(name))
        return ::testing::AssertionFailure() << name << " missing";
    const Json::Value& v = o[name];
    if (v.type() != Json::intValue && v.type() != Json::uintValue)
        return ::testing::AssertionFailure() << name << " is not an integer: " << v;
    if (!v.isInt()) return ::testing::AssertionFailure() << name << " is outside 32 bits: " << v;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult IsText(const Json::Value& o, const char* name) {
    if (!o.isObject() || !o.isMember(name))
        return ::testing::AssertionFailure() << name << " missing";
    if (!o[name].isString())
        return ::testing::AssertionFailure() << name << " is not text: " << o[name];
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult IsFlag(const Json::Value& o, const char* name) {
    ::testing::AssertionResult r = IsInt32(o, name);
    if (!r) return r;
    if (o[name].asInt() != 0 && o[name].asInt() != 1)
        return ::testing::AssertionFailure() << name << " is not 0 or 1: " << o[name];
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult IsBool(const Json::Value& o, const char* name) {
    if (!o.isObject() || !o.isMember(name))
        return ::testing::AssertionFailure() << name << " missing";
    if (!o[name].isBool()) return ::testing::AssertionFailure() << name << " is not a boolean";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult IsErrorEnvelope(const RawAnswer& a, int code) {
    if (!a.parsed || !a.json.isObject())
        return ::testing::AssertionFailure() << "not a JSON object: " << a.body;
    if (a.json["result"].asString() == "ok") return ::testing::AssertionFailure() << "result is ok";
    for (const char* name : {"error_msg", "error", "detail"})
        if (!IsText(a.json, name)) return IsText(a.json, name);
    if (!IsInt32(a.json, "error_code")) return IsInt32(a.json, "error_code");
    if (a.json["error_code"].asInt() != code)
        return ::testing::AssertionFailure()
               << "error_code " << a.json["error_code"] << ", wanted " << code << ": " << a.body;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult IsOk(const RawAnswer& a) {
    if (a.parsed && a.json.isObject() && a.json["result"].asString() == "ok")
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "status " << a.status << ": " << a.body;
}

void ExpectCompleteUser(const Json::Value& user) {
    for (const char* name : {"anonym", "is_realname"})
        EXPECT_TRUE(IsFlag(user, name));
    for (const char* name :
         {"utype", "id", "dist", "rank", "in_app", "cmf", "judge", "gender", "sr"})
        EXPECT_TRUE(IsInt32(user, name));
    for (const char* name :
         {"py", "share_url", "loc", "sub", "line4", "line3", "line2", "line1", "tid", "qxid",
          "name", "ustr", "career", "wbname", "avatar", "job_line"})
        EXPECT_TRUE(IsText(user, name));
}

std::string UrlEncode(const std::string& text) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || std::strchr("-_.!~*'()", c)) {
            out += static_cast<char>(c);
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

std::string SyncClient::Query(Kind kind, int count) const {
    return "after_d_time=" + UrlEncode(max_dialog_text) + "&last_c_time=" + UrlEncode(now_text) +
           "&after_m_time=" + UrlEncode(status_text) +
           "&after_mid=" + std::to_string(largest_conversation) +
           "&d_page=0&after_did=" + std::to_string(kind == kLongConnection ? largest_message : 0) +
           "&count=" + std::to_string(count) + "&hints=1";
}

std::vector<int> SyncClient::Merge(const Json::Value& answer) {
    if (max_dialog_text == "0") max_dialog_text = answer["now"].asString();
    std::vector<int> changed;
    for (const Json::Value& c : answer["messages"]) {
        int id = c["id"].asInt();
        conversations.insert(id);
        last_dialog_id[id] = 0;  // a conversation element starts its newest message over
        changed.push_back(id);
        if (c["status_timestamp"].asInt64() > status_time && !c["status_time"].asString().empty()) {
            status_time = c["status_timestamp"].asInt64();
            status_text = c["status_time"].asString();
        }
    }
    std::vector<int> fresh;
    for (const Json::Value& d : answer["dialogues"]) {
        int id = d["id"].asInt();
        if (messages.count(id)) continue;
        messages[id] = d;
        fresh.push_back(id);
        int mid = d["mid"].asInt();
        if (conversations.count(mid) && last_dialog_id[mid] < id) last_dialog_id[mid] = id;
        changed.push_back(mid);
        if (d["crtimestamp"].asInt64() > max_dialog_time) {
            max_dialog_time = d["crtimestamp"].asInt64();
            max_dialog_text = d["crtime"].asString();
        }
    }
    for (const Json::Value& u : answer["update_msgs"])
        changed.push_back(u["mid"].asInt());
    for (int mid : changed) {
        if (!conversations.count(mid)) continue;
        largest_message = std::max(largest_message, last_dialog_id[mid]);
        largest_conversation = std::max(largest_conversation, mid);
    }
    now_text = answer["now"].asString();
    return fresh;
}

}  // namespace lumeno::server::testing
