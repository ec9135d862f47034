// The local service under the large data set (1,000 conversations × 50 messages, 10,000
// contacts): how long seeding, a complete first synchronisation, the contact list and history
// pages take, and how soon a push notice follows a send, each also as a ratio to the plain
// round trip of a tiny request measured in the same run.
#include <httplib.h>
#include <json/json.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "server/app/server_app.h"
#include "server/core/json_text.h"

namespace {

using namespace lumeno::server;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

Json::Value GetJson(httplib::Client& http, const std::string& target) {
    Json::Value out;
    if (auto res = http.Get(target.c_str())) ParseJson(res->body, out);
    return out;
}

int PushConnect(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &addr.sin_addr);
    connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    return fd;
}

std::string Reply(int fd) {
    std::string text;
    while (text.find('#') == std::string::npos || text.find('#') == 0) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0) return "";
        char buffer[256];
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return "";
        text.append(buffer, static_cast<size_t>(n));
    }
    return text;
}

}  // namespace

int main() {
    Options options;
    options.seed = "bulk";
    options.log_level = 0;
    ServerApp app(options);
    auto seed_start = Clock::now();
    app.Start();
    double seed_ms = Ms(Clock::now() - seed_start);

    httplib::Client http("127.0.0.1", app.api_port());
    http.set_read_timeout(60, 0);
    http.set_url_encode(false);  // the queries are encoded already, as the client sends them
    Json::Value login;
    if (auto res = http.Post("/lumeno/user/v3/login?account=bench",
                             httplib::MultipartFormDataItems{{"password", "lumeno123", "", ""}}))
        ParseJson(res->body, login);
    const std::string auth =
        "u=" + login["user"]["qxid"].asString() + "&access_token=" + login["token"].asString();

    std::vector<double> tiny;
    for (int i = 0; i < 50; ++i) {
        auto t = Clock::now();
        GetJson(http, "/lumeno/check_version?p=windows");
        tiny.push_back(Ms(Clock::now() - t));
    }
    double round_trip = Median(tiny);

    // A complete first synchronisation, paged as a client pages it.
    std::string after_d = "0", last_c = "2000-01-01+10%3A10%3A10", after_m = last_c;
    std::int64_t max_status = 0, max_dialog = 0;
    int pages = 0, conversations = 0, messages = 0;
    auto sync_start = Clock::now();
    while (pages < 1000) {
        Json::Value a =
            GetJson(http, "/lumeno/msg/v3/get_msg_dlg?" + auth + "&after_d_time=" + after_d +
                              "&last_c_time=" + last_c + "&after_m_time=" + after_m +
                              "&after_mid=0&d_page=0&after_did=0&count=200");
        ++pages;
        conversations += static_cast<int>(a["messages"].size());
        messages += static_cast<int>(a["dialogues"].size());
        auto encode = [](std::string s) {
            std::replace(s.begin(), s.end(), ' ', '+');
            std::string out;
            for (char c : s)
                out += c == ':' ? std::string("%3A") : std::string(1, c);
            return out;
        };
        if (after_d == "0") after_d = encode(a["now"].asString());
        for (const Json::Value& c : a["messages"])
            if (c["status_timestamp"].asInt64() > max_status) {
                max_status = c["status_timestamp"].asInt64();
                after_m = encode(c["status_time"].asString());
            }
        for (const Json::Value& d : a["dialogues"])
            if (d["crtimestamp"].asInt64() > max_dialog) {
                max_dialog = d["crtimestamp"].asInt64();
                after_d = encode(d["crtime"].asString());
            }
        last_c = encode(a["now"].asString());
        if (!a["msg_hasmore"].asBool() && !a["dlg_hasmore"].asBool()) break;
    }
    double sync_ms = Ms(Clock::now() - sync_start);

    // The contact list is timed up to the last byte received; parsing it is the client's part.
    auto d1_start = Clock::now();
    auto d1 = http.Get(("/lumeno/contact/v3/d1?" + auth).c_str());
    double d1_ms = Ms(Clock::now() - d1_start);
    Json::Value contacts;
    if (d1) ParseJson(d1->body, contacts);

    std::vector<double> history;
    for (int i = 0; i < 50; ++i) {
        auto t = Clock::now();
        GetJson(http, "/lumeno/msg/v3/get_message?mid=" + std::to_string(1000 + i) +
                          "&before_id=0&count=50&" + auth);
        history.push_back(Ms(Clock::now() - t));
    }

    // A member's push connection hears of a message sent into their conversation.
    int fd = PushConnect(app.push_port());
    std::string announce = "uid#100002#ping#";
    send(fd, announce.data(), announce.size(), 0);
    Reply(fd);
    Json::Value peer;
    if (auto res = http.Get("/admin/token?account=100002")) ParseJson(res->body, peer);
    std::vector<double> push_latency;
    for (int i = 0; i < 50; ++i) {
        send(fd, "ping#", 5, 0);
        std::string first = Reply(fd);
        if (first.find("1#") != std::string::npos) continue;  // news from before: ping again
        auto t = Clock::now();
        http.Get(("/admin/send?from=bench&mid=1000&text=ping" + std::to_string(i)).c_str());
        std::string notice = Reply(fd);
        if (notice.find("1#") != std::string::npos) push_latency.push_back(Ms(Clock::now() - t));
        GetJson(http,
                "/lumeno/msg/v3/get_msg_dlg?u=100002&access_token=" + peer["token"].asString() +
                    "&after_did=999999999&after_d_time=0&count=200");
    }
    close(fd);

    std::printf("bulk seed (1000 conversations x 50 messages, 10000 contacts): %.0f ms\n", seed_ms);
    std::printf("tiny request round trip (median of 50): %.3f ms\n", round_trip);
    std::printf(
        "first synchronisation: %d pages, %d conversations, %d messages in %.0f ms "
        "(%.1f ms a page = %.1f round trips; %.0f messages/s)\n",
        pages, conversations, messages, sync_ms, sync_ms / pages, sync_ms / pages / round_trip,
        messages / (sync_ms / 1000));
    std::printf("contact list of %u contacts: %.1f ms (%.1f round trips)\n",
                contacts["contacts"].size(), d1_ms, d1_ms / round_trip);
    std::printf("history page of 50 (median): %.2f ms (%.1f round trips)\n", Median(history),
                Median(history) / round_trip);
    std::printf("send to push notice (median of %zu): %.2f ms (%.1f round trips)\n",
                push_latency.size(), Median(push_latency), Median(push_latency) / round_trip);
    app.Stop();
    return 0;
}
