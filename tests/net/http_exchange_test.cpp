// What goes over the wire for GET and multipart POST, and what comes back when the server
// misbehaves: recorded byte for byte on a loopback socket.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>

#include "flow/async_work_flow.h"
#include "net/http_request.h"
#include "net/w3_client.h"
#include "platform/ui_thread.h"
#include "tests/support/flow_window.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/temp_dir.h"

namespace {

using lumeno::test::HttpAnswer;
using lumeno::test::RawHttpServer;
using lumeno::test::ScriptedAnswer;
using namespace std::chrono_literals;

class HttpExchangeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lumeno::test::UseTempDataHome(dir_);
        settings_.commonQuery = "version=1.2.3.4&channel=pc_beta&appid=2";
    }
    // Runs the request in a work flow's pool step, as the service operations do.
    std::string InFlow(std::function<std::string()> request) {
        std::string answer;
        FlowHandle handle;
        RunFlow(&handle, [&](CAsyncWorkFlow& flow) { answer = PoolScope::Run(flow, request); });
        EXPECT_TRUE(platform::PumpMessagesUntil([&] { return !handle.Busy(); }, 60s));
        return answer;
    }
    std::string Base(int port) { return "http://127.0.0.1:" + std::to_string(port); }

    lumeno::test::TempDir dir_;
    lumeno::test::FlowWindow window_;
    ServerSettings settings_;
};

TEST_F(HttpExchangeTest, GetSendsOneHttp10RequestWithTheCommonQuery) {
    RawHttpServer server([](const std::string&) { return ScriptedAnswer{HttpAnswer(200, "{}")}; });
    std::string body = InFlow(
        [&] { return HttpGetText(Base(server.Port()) + "/lumeno/msg/v3/x?a=1", settings_); });
    EXPECT_EQ(body, "{}");
    ASSERT_EQ(server.RequestCount(), 1u);
    const std::string request = server.Requests()[0];
    EXPECT_EQ(request.substr(0, request.find("\r\n")),
              "GET /lumeno/msg/v3/x?a=1&version=1.2.3.4&channel=pc_beta&appid=2 HTTP/1.0");
    EXPECT_EQ(lumeno::test::RequestHeader(request, "Accept"), "*/*");
    EXPECT_EQ(lumeno::test::RequestHeader(request, "User-Agent"), "Mozilla/4.0 (compatible; )");
    EXPECT_EQ(lumeno::test::RequestBody(request), "");
}

TEST_F(HttpExchangeTest, HostOverrideSendsPlainHttpToTheTestServer) {
    RawHttpServer server([](const std::string&) { return ScriptedAnswer{HttpAnswer(200, "ok")}; });
    settings_.apiHostOverride = "127.0.0.1:" + std::to_string(server.Port());
    std::string body = InFlow([&] {
        return HttpGetText(std::string("https://") + kBuiltInApiHost + "/lumeno/user/v3/login?u=1",
                           settings_);
    });
    EXPECT_EQ(body, "ok");
    ASSERT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(lumeno::test::RequestHeader(server.Requests()[0], "Host"),
              "127.0.0.1:" + std::to_string(server.Port()));
}

TEST_F(HttpExchangeTest, MultipartPostSendsFieldsInNameOrderWithExactLength) {
    std::ofstream(dir_ / "p.png", std::ios::binary) << std::string("\x89PNG\r\n\x1a\n", 8);
    RawHttpServer server(
        [](const std::string&) { return ScriptedAnswer{HttpAnswer(200, "{\"result\":\"ok\"}")}; });
    std::string body = InFlow([&] {
        return HttpPostFields(Base(server.Port()) + "/lumeno/msg/v3/add_dialogue",
                              {{"text", "你好"}, {"pic", dir_ / "p.png"}, {"mid", "42"}},
                              settings_);
    });
    EXPECT_EQ(body, "{\"result\":\"ok\"}");
    const std::string request = server.Requests().at(0);
    EXPECT_EQ(request.substr(0, request.find("\r\n")),
              "POST /lumeno/msg/v3/add_dialogue?version=1.2.3.4&channel=pc_beta&appid=2 HTTP/1.0");
    EXPECT_EQ(lumeno::test::RequestHeader(request, "Content-Type"),
              "multipart/form-data; boundary=--MULTI-PARTS-FORM-DATA-BOUNDARY");
    const std::string sent = lumeno::test::RequestBody(request);
    EXPECT_EQ(lumeno::test::RequestHeader(request, "Content-Length"), std::to_string(sent.size()));
    const auto mid = sent.find("name=\"mid\"");
    const auto pic = sent.find("name=\"pic\"; filename=\"p.png\"");
    const auto text = sent.find("name=\"text\"");
    ASSERT_NE(mid, std::string::npos);
    ASSERT_NE(pic, std::string::npos);
    ASSERT_NE(text, std::string::npos);
    EXPECT_LT(mid, pic);
    EXPECT_LT(pic, text);
    EXPECT_NE(sent.find(std::string("\x89PNG\r\n\x1a\n", 8)), std::string::npos);
    EXPECT_NE(sent.find("\r\n\r\n你好\r\n"), std::string::npos);
}

// The parts of a multipart body as a server reads them: split at the boundary that the
// Content-Type header names.
std::map<std::string, std::string> PartsByHeader(const std::string& request) {
    const std::string type = lumeno::test::RequestHeader(request, "Content-Type");
    const std::string prefix = "multipart/form-data; boundary=";
    if (type.rfind(prefix, 0) != 0) return {};
    const std::string delimiter = "--" + type.substr(prefix.size());
    const std::string body = lumeno::test::RequestBody(request);
    std::map<std::string, std::string> parts;
    if (body.rfind(delimiter + "\r\n", 0) != 0) return {};
    std::size_t at = delimiter.size() + 2;
    for (;;) {
        const std::size_t end = body.find("\r\n" + delimiter, at);
        if (end == std::string::npos) return {};
        const std::string part = body.substr(at, end - at);
        const std::size_t blank = part.find("\r\n\r\n");
        const std::size_t name = part.find("name=\"");
        if (blank == std::string::npos || name == std::string::npos || name > blank) return {};
        const std::size_t nameEnd = part.find('"', name + 6);
        parts[part.substr(name + 6, nameEnd - name - 6)] = part.substr(blank + 4);
        at = end + 2 + delimiter.size();
        if (body.compare(at, 4, "--\r\n") == 0) return parts;
        if (body.compare(at, 2, "\r\n") != 0) return {};
        at += 2;
    }
}

TEST_F(HttpExchangeTest, TextHoldingTheUsualBoundaryIsSplitAtTheBoundaryTheHeaderNames) {
    RawHttpServer server([](const std::string&) { return ScriptedAnswer{HttpAnswer(200, "ok")}; });
    const std::string text =
        "x\r\n----MULTI-PARTS-FORM-DATA-BOUNDARY\r\nContent-Disposition: form-data; "
        "name=\"is_anony\"\r\n\r\n1\r\n----MULTI-PARTS-FORM-DATA-BOUNDARY--\r\n";
    InFlow([&] {
        return HttpPostFields(Base(server.Port()) + "/lumeno/msg/v3/add_dialogue",
                              {{"mid", "42"}, {"text", text}}, settings_);
    });
    ASSERT_EQ(server.RequestCount(), 1u);
    const std::map<std::string, std::string> expected{{"mid", "42"}, {"text", text}};
    EXPECT_EQ(PartsByHeader(server.Requests()[0]), expected);
}

TEST_F(HttpExchangeTest, UnreadablePictureSendsNothing) {
    RawHttpServer server([](const std::string&) { return ScriptedAnswer{HttpAnswer(200, "x")}; });
    std::string body = InFlow([&] {
        return HttpPostFields(Base(server.Port()) + "/p",
                              {{"mid", "1"}, {"pic", dir_ / "gone.jpg"}}, settings_);
    });
    EXPECT_EQ(body, "");
    EXPECT_EQ(server.RequestCount(), 0u);
}

TEST_F(HttpExchangeTest, ErrorPagesComeBackAsTheyAre) {
    const std::string page = "<html><body><h1>500 Internal Server Error</h1></body></html>";
    RawHttpServer server(
        [&](const std::string&) { return ScriptedAnswer{HttpAnswer(500, page, "text/html")}; });
    EXPECT_EQ(InFlow([&] { return HttpGetText(Base(server.Port()) + "/p", settings_); }), page);
}

TEST_F(HttpExchangeTest, CutConnectionsAndTimeOutsReturnWhatWasRead) {
    const std::string full = HttpAnswer(200, std::string(1000, 'a'));
    RawHttpServer cut([&](const std::string&) {
        return ScriptedAnswer{full, 0ms, full.size() - 600};  // closes 600 bytes short
    });
    std::string partial = InFlow([&] { return HttpGetText(Base(cut.Port()) + "/p", settings_); });
    EXPECT_EQ(partial, std::string(400, 'a'));

    RequestLimits limits;
    limits.totalSeconds = 1;
    SetDefaultRequestLimits(limits);
    RawHttpServer stalls([&](const std::string&) {
        return ScriptedAnswer{full, 0ms, full.size() - 900, 5000ms};  // 100 bytes, then silence
    });
    std::string timedOut =
        InFlow([&] { return HttpGetText(Base(stalls.Port()) + "/p", settings_); });
    EXPECT_EQ(timedOut, std::string(100, 'a'));

    RawHttpServer silent([&](const std::string&) { return ScriptedAnswer{full, 5000ms}; });
    EXPECT_EQ(InFlow([&] { return HttpGetText(Base(silent.Port()) + "/p", settings_); }), "");
    SetDefaultRequestLimits(RequestLimits{});
}

TEST_F(HttpExchangeTest, OversizedAnswersAreCut) {
    RequestLimits limits;
    limits.maxBodyBytes = 4096;
    SetDefaultRequestLimits(limits);
    RawHttpServer server([](const std::string&) {
        return ScriptedAnswer{HttpAnswer(200, std::string(100000, 'b'))};
    });
    std::string body = InFlow([&] { return HttpGetText(Base(server.Port()) + "/p", settings_); });
    EXPECT_EQ(body.size(), 4096u);
    SetDefaultRequestLimits(RequestLimits{});
}

TEST_F(HttpExchangeTest, NobodyListeningGivesAnEmptyAnswer) {
    int port;
    {
        RawHttpServer closed([](const std::string&) { return ScriptedAnswer{}; });
        port = closed.Port();
    }
    EXPECT_EQ(InFlow([&] { return HttpGetText(Base(port) + "/p", settings_); }), "");
}

TEST_F(HttpExchangeTest, ManyRequestsInFlightEachAnswerReachesItsOwnFlow) {
    RawHttpServer server([](const std::string& request) {
        // Plain parsing: the server answers on several threads at once, and std::regex shares
        // the locale's lazily filled tables between them.
        const std::size_t at = request.find("n=") + 2;
        const std::string number =
            request.substr(at, request.find_first_not_of("0123456789", at) - at);
        // Answer in reverse-ish order of arrival by delaying the low numbers.
        const int n = std::stoi(number);
        return ScriptedAnswer{HttpAnswer(200, "answer " + number),
                              std::chrono::milliseconds((30 - n % 30) * 3)};
    });
    constexpr int kFlows = 30;
    FlowHandle handles[kFlows];
    std::string answers[kFlows];
    for (int i = 0; i < kFlows; ++i) {
        RunFlow(&handles[i], [&, i](CAsyncWorkFlow& flow) {
            answers[i] = PoolScope::Run(flow, [&, i] {
                return HttpGetText(Base(server.Port()) + "/p?n=" + std::to_string(i), settings_);
            });
        });
    }
    ASSERT_TRUE(platform::PumpMessagesUntil(
        [&] {
            for (auto& handle : handles) {
                if (handle.Busy()) return false;
            }
            return true;
        },
        60s));
    for (int i = 0; i < kFlows; ++i)
        EXPECT_EQ(answers[i], "answer " + std::to_string(i));
}

}  // namespace
