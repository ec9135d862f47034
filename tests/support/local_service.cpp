#include "tests/support/local_service.h"

#include <curl/curl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "config/config.h"
#include "tests/support/build_tree.h"

extern char** environ;

namespace lumeno::test {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int PortOf(const std::string& lines, const std::string& name) {
    auto at = lines.find(name + "=");
    if (at == std::string::npos) return 0;
    auto colon = lines.find(':', at);
    return std::atoi(lines.c_str() + colon + 1);
}

std::size_t Append(char* data, std::size_t size, std::size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

}  // namespace

LocalService::LocalService() : LocalService(Options{}) {}

LocalService::LocalService(Options options) {
    char pattern[] = "/tmp/lumeno-service-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("no temporary folder");
    folder_ = pattern;
    const std::string portsFile = folder_ + "/ports";
    std::vector<std::string> arguments = {lumeno::test::build::ServerBinary(),
                                          "--seed",
                                          options.seed,
                                          "--ports-file",
                                          portsFile,
                                          "--quiet"};
    if (options.tls) {
        arguments.insert(arguments.end(), {"--tls-port", "0", "--tls-dir", folder_ + "/tls",
                                           "--tls-cert", options.tlsCert});
    }
    arguments.insert(arguments.end(), options.extra.begin(), options.extra.end());
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    // The service is a tool of the tests: a leak check of its own at exit tells them nothing, and
    // on a busy machine it was seen to spin for minutes and hold the test up at its end.
    std::vector<std::string> environment;
    bool sanitizerOptions = false;
    for (char** entry = environ; *entry; ++entry) {
        environment.emplace_back(*entry);
        if (environment.back().rfind("ASAN_OPTIONS=", 0) == 0) {
            environment.back() += ":detect_leaks=0";
            sanitizerOptions = true;
        }
    }
    if (!sanitizerOptions) environment.emplace_back("ASAN_OPTIONS=detect_leaks=0");
    std::vector<char*> envp;
    for (auto& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) {
        throw std::runtime_error("lumeno-server could not be started");
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::string lines;
    while (lines.find("ready") == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("no ports");
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) throw std::runtime_error("server ended");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        lines = ReadFile(portsFile);
    }
    apiPort_ = PortOf(lines, "api");
    pushPort_ = PortOf(lines, "push");
    tlsPort_ = PortOf(lines, "tls");
    auto ca = lines.find("tls-ca=");
    if (ca != std::string::npos) caFile_ = lines.substr(ca + 7, lines.find('\n', ca) - ca - 7);
}

LocalService::~LocalService() {
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string LocalService::Get(const std::string& pathAndQuery) const {
    std::string body;
    CURL* curl = curl_easy_init();
    const std::string url = BaseUrl() + pathAndQuery;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    return body;
}

void LocalService::PointClientHere() const {
    WriteConfigString("main", "online", "0");
    WriteConfigString("main", "msg", ApiAddress());
    WriteConfigString("main", "long", PushAddress());
    // The client trusts the test authority of a service that also speaks HTTPS.
    if (!caFile_.empty()) WriteConfigString("main", "cafile", caFile_);
}

void LocalService::Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::kill(pid_, SIGCONT);  // a paused service takes its end too
    // It ends within moments; one that does not is ended for good rather than holding the test.
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
}

void LocalService::Pause() const {
    if (pid_ > 0) ::kill(pid_, SIGSTOP);
}

void LocalService::Resume() const {
    if (pid_ > 0) ::kill(pid_, SIGCONT);
}

}  // namespace lumeno::test
