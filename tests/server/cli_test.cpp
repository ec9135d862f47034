// The lumeno-server program itself: command line, printed addresses, loopback binding,
// persistence and shutdown.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "server_test_support.h"
#include "tests/support/build_tree.h"

extern char** environ;

namespace lumeno::server::testing {
namespace {

class ServerProcess {
  public:
    ~ServerProcess() {
        if (pid_ > 0) Stop();
    }

    // Starts the program; true once it printed "ready" (false when it ended first).
    bool Start(std::vector<std::string> args) {
        args.insert(args.begin(), lumeno::test::build::ServerBinary());
        int out[2], err[2];
        if (pipe(out) != 0 || pipe(err) != 0) return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
        if (pid_ <= 0) return false;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (output_.find("ready\n") == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, 200) <= 0) continue;
            char buffer[512];
            ssize_t n = read(out_, buffer, sizeof buffer);
            if (n <= 0) return false;
            output_.append(buffer, static_cast<size_t>(n));
        }
        return true;
    }

    // Sends the signal and returns the exit status (-1 when it did not end in time).
    int Stop(int signal_number = SIGTERM) {
        kill(pid_, signal_number);
        int status = 0;
        for (int i = 0; i < 300; ++i) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                close(out_);
                close(err_);
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(20000);
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return -1;
    }

    // Waits for the program to end by itself; returns its exit status and stderr.
    int Wait(std::string& stderr_text) {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        char buffer[512];
        ssize_t n;
        while ((n = read(err_, buffer, sizeof buffer)) > 0)
            stderr_text.append(buffer, static_cast<size_t>(n));
        close(out_);
        close(err_);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The port of a printed line such as "api=127.0.0.1:41234".
    int Port(const std::string& name) const {
        std::string key = "\n" + name + "=127.0.0.1:";
        size_t at = ("\n" + output_).find(key);
        if (at == std::string::npos) return 0;
        return std::atoi(output_.c_str() + at + key.size() - 1);
    }
    const std::string& output() const { return output_; }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string output_;
};

// Local addresses of listening TCP sockets on a port, from the kernel's table.
std::vector<std::string> ListeningAddresses(int port) {
    std::vector<std::string> found;
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (state != "0A") continue;  // LISTEN
        size_t colon = local.find(':');
        if (std::stoi(local.substr(colon + 1), nullptr, 16) == port)
            found.push_back(local.substr(0, colon));
    }
    return found;
}

class ServerProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() / ("lumeno-cli-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
};

TEST_F(ServerProgram, PrintsItsLoopbackAddressesServesAndStopsOnSignal) {
    ServerProcess server;
    ASSERT_TRUE(server.Start({"--seed", "demo", "-q", "--ports-file", (dir / "ports").string()}));
    int api = server.Port("api");
    int push = server.Port("push");
    ASSERT_GT(api, 0);
    ASSERT_GT(push, 0);
    for (int port : {api, push})
        EXPECT_EQ(ListeningAddresses(port), std::vector<std::string>{"0100007F"})
            << "bound to 127.0.0.1 only, port " << port;
    EXPECT_TRUE(IsOk(RawGet(api, "/lumeno/check_version?p=windows")));
    PushClient client(push);
    ASSERT_TRUE(client.Send("uid#10001#ping#"));
    EXPECT_EQ(client.ReadReply(), "ok#");
    std::ifstream ports(dir / "ports");
    std::string written((std::istreambuf_iterator<char>(ports)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written, server.output());
    EXPECT_EQ(server.Stop(SIGTERM), 0);
    EXPECT_FALSE(CanConnect(api));
}

TEST_F(ServerProgram, RefusesToListenBeyondLoopback) {
    ServerProcess server;
    EXPECT_FALSE(server.Start({"--host", "0.0.0.0"}));
    std::string message;
    EXPECT_EQ(server.Wait(message), 2);
    EXPECT_NE(message.find("loopback"), std::string::npos) << message;
}

TEST_F(ServerProgram, KeepsItsStateInTheDataFile) {
    std::string data = (dir / "state.db").string();
    std::string token;
    {
        ServerProcess server;
        ASSERT_TRUE(server.Start({"--data", data, "--seed", "demo", "-q"}));
        int api = server.Port("api");
        RawAnswer login =
            RawPost(api, "/lumeno/user/v3/login?account=demo", {{"password", "lumeno123"}});
        token = login.json["token"].asString();
        RawAnswer sent = RawPost(api, "/lumeno/msg/v3/add_dialogue?u=10001&access_token=" + token,
                                 {{"mid", "1000"}, {"text", "persisted"}});
        ASSERT_TRUE(IsOk(sent));
        EXPECT_EQ(server.Stop(SIGINT), 0);
    }
    ServerProcess again;
    ASSERT_TRUE(again.Start({"--data", data, "-q"}));
    RawAnswer history = RawGet(again.Port("api"),
                               "/lumeno/msg/v3/get_message?mid=1000&before_id=0&"
                               "count=1&u=10001&access_token=" +
                                   token);
    ASSERT_TRUE(IsOk(history));
    EXPECT_EQ(history.json["dialogues"][0]["text"].asString(), "persisted");
    ServerProcess reset;
    again.Stop();
    ASSERT_TRUE(reset.Start({"--data", data, "--reset", "-q"}));
    EXPECT_TRUE(IsErrorEnvelope(
        RawGet(reset.Port("api"), "/lumeno/contact/v3/d1?u=10001&access_token=" + token), 20001));
}

TEST_F(ServerProgram, TlsListenerIsAnnouncedWithItsAuthority) {
    ServerProcess server;
    ASSERT_TRUE(server.Start({"--tls-port", "0", "--tls-dir", (dir / "tls").string(), "-q"}));
    EXPECT_GT(server.Port("tls"), 0);
    EXPECT_NE(server.output().find("tls-ca=" + (dir / "tls" / "ca.pem").string()),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "tls" / "ca.pem"));
    EXPECT_EQ(ListeningAddresses(server.Port("tls")), std::vector<std::string>{"0100007F"});
}

}  // namespace
}  // namespace lumeno::server::testing
