// Downloads into memory and into files against loopback servers: empty and large bodies, failing
// statuses and schemes, a server that never answers, two transfers at once, paths outside the
// target folder.
#include "net/download.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "flow/async_work_flow.h"
#include "net/url_encode.h"
#include "platform/ui_thread.h"
#include "tests/support/flow_window.h"
#include "tests/support/local_service.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using lumeno::test::HttpAnswer;
using lumeno::test::RawHttpServer;
using lumeno::test::ScriptedAnswer;
using Clock = std::chrono::steady_clock;

// A server that takes connections into its backlog and never answers.
class SilentServer {
  public:
    SilentServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd_, 8);
        socklen_t size = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~SilentServer() { ::close(fd_); }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    // Takes the next connection; -1 when none comes within `limit`.
    int Accept(std::chrono::milliseconds limit) {
        pollfd waiting{fd_, POLLIN, 0};
        if (::poll(&waiting, 1, static_cast<int>(limit.count())) <= 0) return -1;
        return ::accept(fd_, nullptr, nullptr);
    }
    // Reads the connection until the client closes it; false when it stays open for `limit`.
    static bool HangsUpWithin(int connection, std::chrono::milliseconds limit) {
        if (connection < 0) return false;
        const auto deadline = Clock::now() + limit;
        char buffer[4096];
        bool closed = false;
        while (!closed && Clock::now() < deadline) {
            pollfd readable{connection, POLLIN, 0};
            if (::poll(&readable, 1, 100) <= 0) continue;
            closed = ::recv(connection, buffer, sizeof buffer, 0) <= 0;
        }
        ::close(connection);
        return closed;
    }
    bool ClientHangsUpWithin(std::chrono::milliseconds limit) {
        return HangsUpWithin(Accept(limit), limit);
    }

  private:
    int fd_ = -1;
    int port_ = 0;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> FilesIn(const std::string& directory) {
    std::vector<std::string> names;
    if (!fs::exists(directory)) return names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    return names;
}

class DownloadTest : public ::testing::Test {
  protected:
    void SetUp() override { lumeno::test::UseTempDataHome(dir_); }

    // Runs `step` as a flow and waits for its end.
    template <typename Step>
    void RunToEnd(Step step) {
        FlowHandle handle;
        RunFlow(&handle, step);
        ASSERT_TRUE(platform::PumpMessagesUntil([&] { return !handle.Busy(); }, 60s));
    }
    std::string Url(const RawHttpServer& server, const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(server.Port()) + path;
    }

    lumeno::test::TempDir dir_;
    lumeno::test::FlowWindow window_;
};

TEST_F(DownloadTest, ZeroByteBodySucceedsInBothForms) {
    RawHttpServer server([](const std::string&) { return ScriptedAnswer{HttpAnswer(200, "")}; });
    const std::string folder = dir_ / "files";
    bool toMemory = false, toFile = false;
    std::string body = "left from before";
    RunToEnd([&](CAsyncWorkFlow& flow) {
        toMemory = DownloadToBuffer(Url(server, "/empty"), body, 5000, flow);
        toFile = DownloadToFile(Url(server, "/empty"), folder, folder + "/empty.bin", 5000, flow);
    });
    EXPECT_TRUE(toMemory);
    EXPECT_EQ(body, "");
    EXPECT_TRUE(toFile);
    ASSERT_TRUE(fs::exists(folder + "/empty.bin"));
    EXPECT_EQ(fs::file_size(folder + "/empty.bin"), 0u);
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"empty.bin"}) << "no temporary file left";
}

TEST_F(DownloadTest, LargeBinaryBodyArrivesIntact) {
    std::string payload(12u * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<char>(i * 131 % 251);
    RawHttpServer server(
        [&](const std::string&) { return ScriptedAnswer{HttpAnswer(200, payload, "image/png")}; });
    const std::string folder = dir_ / "files";
    std::string body;
    bool toMemory = false, toFile = false;
    RunToEnd([&](CAsyncWorkFlow& flow) {
        toMemory = DownloadToBuffer(Url(server, "/big"), body, 20000, flow);
        toFile = DownloadToFile(Url(server, "/big"), folder, folder + "/big.bin", 20000, flow);
    });
    EXPECT_TRUE(toMemory);
    EXPECT_TRUE(body == payload);
    EXPECT_TRUE(toFile);
    EXPECT_TRUE(ReadFile(folder + "/big.bin") == payload);
}

TEST_F(DownloadTest, FailingStatusesSchemesAndOversizedBodiesFail) {
    RawHttpServer server([](const std::string& request) {
        if (request.find("GET /missing") == 0) return ScriptedAnswer{HttpAnswer(404, "no")};
        if (request.find("GET /broken") == 0) return ScriptedAnswer{HttpAnswer(500, "oops")};
        if (request.find("GET /elsewhere") == 0)
            return ScriptedAnswer{
                "HTTP/1.0 302 Found\r\nLocation: file:///etc/passwd\r\n"
                "Content-Length: 0\r\n\r\n"};
        return ScriptedAnswer{HttpAnswer(200, std::string(5000, 'x'))};
    });
    const std::string folder = dir_ / "files";
    std::vector<bool> results;
    std::string body = "unchanged";
    RunToEnd([&](CAsyncWorkFlow& flow) {
        for (const char* path : {"/missing", "/broken", "/elsewhere"})
            results.push_back(DownloadToBuffer(Url(server, path), body, 5000, flow));
        results.push_back(DownloadToBuffer(Url(server, "/long"), body, 5000, flow, 1000));
        for (const char* url : {"file:///etc/passwd", "ftp://127.0.0.1/x", "", "http:/x"})
            results.push_back(DownloadToBuffer(url, body, 5000, flow));
        results.push_back(
            DownloadToFile(Url(server, "/missing"), folder, folder + "/x.bin", 5000, flow));
    });
    EXPECT_EQ(results, std::vector<bool>(9, false));
    EXPECT_EQ(body, "unchanged");
    EXPECT_TRUE(FilesIn(folder).empty()) << "a failed download leaves no file";
    EXPECT_EQ(server.RequestCount(), 5u) << "other schemes never reach the network";
}

// An address that starts over https never goes on over plain http: its redirect to http is not
// followed (the http server never hears of it), one to https is. A plain http address may be
// redirected to plain http. The local service redirects; its test authority is trusted.
TEST_F(DownloadTest, AnHttpsAddressIsNeverRedirectedToPlainHttp) {
    lumeno::test::LocalService service({.seed = "none", .tls = true});
    service.PointClientHere();
    RawHttpServer plain(
        [](const std::string&) { return ScriptedAnswer{HttpAnswer(200, "over plain http")}; });
    const auto encoded = [](const std::string& text) { return UrlEncode(text); };
    const std::string https = "https://127.0.0.1:" + std::to_string(service.TlsPort());
    const std::string redirect = "/admin/redirect?to=";
    std::string downgraded = "unchanged", secure, plainToPlain;
    bool toHttp = true, toHttps = false, plainFollowed = false, fileToHttp = true;
    const std::string folder = dir_ / "files";
    RunToEnd([&](CAsyncWorkFlow& flow) {
        toHttp =
            DownloadToBuffer(https + redirect + encoded(Url(plain, "/x")), downgraded, 10000, flow);
        fileToHttp = DownloadToFile(https + redirect + encoded(Url(plain, "/x")), folder,
                                    folder + "/x.bin", 10000, flow);
        toHttps = DownloadToBuffer(https + redirect + encoded(https + "/admin/faults"), secure,
                                   10000, flow);
        plainFollowed = DownloadToBuffer(service.BaseUrl() + redirect + encoded(Url(plain, "/x")),
                                         plainToPlain, 10000, flow);
    });
    EXPECT_FALSE(toHttp);
    EXPECT_FALSE(fileToHttp);
    EXPECT_EQ(downgraded, "unchanged");
    EXPECT_TRUE(FilesIn(folder).empty());
    EXPECT_TRUE(toHttps);
    EXPECT_NE(secure.find("\"faults\""), std::string::npos) << secure;
    EXPECT_TRUE(plainFollowed);
    EXPECT_EQ(plainToPlain, "over plain http");
    EXPECT_EQ(plain.RequestCount(), 1u) << "only the plain http address went to plain http";
}

TEST_F(DownloadTest, ServerThatNeverAnswersTimesOutAndTheTransferEnds) {
    SilentServer silent;
    bool result = true;
    std::chrono::milliseconds waited{};
    RunToEnd([&](CAsyncWorkFlow& flow) {
        std::string body;
        const auto start = Clock::now();
        result = DownloadToBuffer(silent.Url("/never"), body, 1200, flow);
        waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    });
    EXPECT_FALSE(result);
    EXPECT_GE(waited.count(), 1100);
    EXPECT_LT(waited.count(), 10000);
    EXPECT_TRUE(silent.ClientHangsUpWithin(5s)) << "an abandoned transfer stops by itself";
}

TEST_F(DownloadTest, FileThatTimesOutLeavesNothingBehind) {
    SilentServer silent;
    const std::string folder = dir_ / "update";
    bool result = true;
    RunToEnd([&](CAsyncWorkFlow& flow) {
        result = DownloadToFile(silent.Url("/setup.bin"), folder, folder + "/setup.bin", 800, flow);
    });
    EXPECT_FALSE(result);
    ASSERT_TRUE(silent.ClientHangsUpWithin(5s));
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return FilesIn(folder).empty(); }, 5s))
        << FilesIn(folder).front();
}

TEST_F(DownloadTest, CancelledWaitStopsTheTransfer) {
    SilentServer silent;
    FlowHandle handle;
    bool returned = false;
    RunFlow(&handle, [&](CAsyncWorkFlow& flow) {
        std::string body;
        DownloadToBuffer(silent.Url("/never"), body, 60000, flow);
        returned = true;
    });
    ASSERT_TRUE(handle.Busy());
    const int connection = silent.Accept(5s);
    ASSERT_GE(connection, 0) << "the transfer is under way";
    CAsyncWorkFlow::CancelFlow(&handle);
    EXPECT_FALSE(returned);
    EXPECT_TRUE(SilentServer::HangsUpWithin(connection, 5s));
}

TEST_F(DownloadTest, TwoDownloadsAtOnceEachWakeOnlyTheirOwnFlow) {
    RawHttpServer server([](const std::string& request) {
        if (request.find("GET /slow") == 0) return ScriptedAnswer{HttpAnswer(200, "slow"), 800ms};
        return ScriptedAnswer{HttpAnswer(200, "fast")};
    });
    std::vector<std::string> finished;
    std::string slowBody, fastBody;
    FlowHandle slow, fast;
    RunFlow(&slow, [&](CAsyncWorkFlow& flow) {
        EXPECT_TRUE(DownloadToBuffer(Url(server, "/slow"), slowBody, 10000, flow));
        finished.push_back("slow:" + slowBody);
    });
    RunFlow(&fast, [&](CAsyncWorkFlow& flow) {
        EXPECT_TRUE(DownloadToBuffer(Url(server, "/fast"), fastBody, 10000, flow));
        finished.push_back("fast:" + fastBody);
    });
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return !fast.Busy(); }, 10s));
    EXPECT_TRUE(slow.Busy()) << "the other transfer's end did not wake the slow flow";
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return !slow.Busy(); }, 10s));
    EXPECT_EQ(finished, (std::vector<std::string>{"fast:fast", "slow:slow"}));
}

TEST_F(DownloadTest, TransferThatEndedBeforeTheWaitReportsAtOnce) {
    RawHttpServer server([](const std::string&) { return ScriptedAnswer{HttpAnswer(200, "ok")}; });
    bool result = false;
    std::string body;
    RunToEnd([&](CAsyncWorkFlow& flow) {
        DownloadTransferPtr transfer = StartDownloadToMemory(Url(server, "/x"), 5000);
        // The flow is busy elsewhere while the transfer ends.
        PoolScope::Run(flow, [] { std::this_thread::sleep_for(500ms); });
        result = AwaitDownload(transfer, 5000, flow, &body);
    });
    EXPECT_TRUE(result);
    EXPECT_EQ(body, "ok");
}

TEST_F(DownloadTest, FilesAreWrittenOnlyInsideTheirFolder) {
    RawHttpServer server([](const std::string&) { return ScriptedAnswer{HttpAnswer(200, "x")}; });
    const std::string folder = dir_ / "head";
    std::vector<bool> results;
    RunToEnd([&](CAsyncWorkFlow& flow) {
        for (const std::string& path : {folder + "/../escape.bin", std::string("/tmp/escape.bin"),
                                        folder, folder + "/./../head2/x", dir_ / "head2/x.bin"})
            results.push_back(DownloadToFile(Url(server, "/x"), folder, path, 5000, flow));
        results.push_back(
            DownloadToFile(Url(server, "/x"), folder, folder + "/sub/ok.bin", 5000, flow));
    });
    EXPECT_EQ(results, (std::vector<bool>{false, false, false, false, false, true}));
    EXPECT_EQ(server.RequestCount(), 1u);
    EXPECT_FALSE(fs::exists(dir_ / "escape.bin"));
    EXPECT_EQ(ReadFile(folder + "/sub/ok.bin"), "x");

    EXPECT_TRUE(IsPathInside("/a/b", "/a/b/c.png"));
    EXPECT_TRUE(IsPathInside("/a/b/", "/a/b/c/d.png"));
    EXPECT_FALSE(IsPathInside("/a/b", "/a/bc/d.png"));
    EXPECT_FALSE(IsPathInside("/a/b", "/a/b/../b2/x"));
    EXPECT_FALSE(IsPathInside("/a/b", "/a/b/c/../../x"));
    EXPECT_FALSE(IsPathInside("/a/b", "relative/x"));
}

}  // namespace
