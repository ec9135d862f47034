#pragma once
// A client pointed at a loopback server whose answers a test scripts by path, for answers the
// local service never gives.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "api/login.h"
#include "config/config.h"
#include "storage/sqlite_component.h"
#include "tests/support/client_window.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/temp_dir.h"
#include "util/small_components.h"

namespace lumeno::test {

class ScriptedServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseTempDataHome(dir_);
        RegisterComponentTable(kUtilComponentTable);
        RegisterComponentTable(kStorageComponentTable);
        ASSERT_EQ(GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr)), S_OK);
        WriteConfigString("main", "online", "0");
        WriteConfigString("main", "msg", "127.0.0.1:" + std::to_string(server_.Port()));
        LoginRecord& me = CDBLogin::Instance().Record();
        me.qxid = "me";
        me.id = 1;
        me.token = "t";
        window_ = std::make_unique<ClientWindow>();
    }
    void TearDown() override {
        ReleaseAll();
        window_.reset();
    }

    // The answer to requests whose path starts with `path` (e.g. "/lumeno/contact/v3/d1").
    void Answer(const std::string& path, const std::string& json) {
        std::lock_guard lock(mutex_);
        answers_[path] = json;
    }
    // Answers to requests whose path starts with `path` are made when the request arrives but
    // sent only when Release lets them go, one each: the answer of a moment gone.
    void Hold(const std::string& path) {
        std::lock_guard lock(mutex_);
        held_[path] = 0;
    }
    void Release(const std::string& path) {
        std::lock_guard lock(mutex_);
        ++held_[path];
        released_.notify_all();
    }
    void ReleaseAll() {
        std::lock_guard lock(mutex_);
        held_.clear();
        released_.notify_all();
    }
    // The request lines received, in order.
    std::vector<std::string> RequestLines() {
        std::vector<std::string> lines;
        for (const std::string& request : server_.Requests())
            lines.push_back(request.substr(0, request.find("\r\n")));
        return lines;
    }

    TempDir dir_;
    std::mutex mutex_;
    std::map<std::string, std::string> answers_;
    std::map<std::string, int> held_;  // path -> answers that may go
    std::condition_variable released_;
    RawHttpServer server_{[this](const std::string& request) {
        const std::size_t start = request.find(' ') + 1;
        const std::string target = request.substr(start, request.find(' ', start) - start);
        std::unique_lock lock(mutex_);
        std::string best;
        for (const auto& [path, json] : answers_) {
            if (target.rfind(path, 0) == 0 && path.size() > best.size()) best = path;
        }
        if (best.empty()) return ScriptedAnswer{HttpAnswer(404, "")};
        ScriptedAnswer answer{HttpAnswer(200, answers_[best])};
        released_.wait_for(lock, std::chrono::seconds(30), [&] {
            auto held = held_.find(best);
            return held == held_.end() || held->second > 0;
        });
        if (auto held = held_.find(best); held != held_.end() && held->second > 0) --held->second;
        return answer;
    }};
    std::unique_ptr<ClientWindow> window_;
};

}  // namespace lumeno::test
