#include "server/api/routes.h"

#include <chrono>
#include <thread>

#include "server/api/api_error.h"
#include "server/core/json_text.h"
#include "server/core/log.h"

namespace lumeno::server {
namespace {

const char* const kJsonType = "application/json; charset=utf-8";

const char* const kErrorPage =
    "<!DOCTYPE html><html><head><title>500 Internal Server Error</title></head>"
    "<body><h1>Internal Server Error</h1><p>The server could not complete the request.</p>"
    "</body></html>";

}  // namespace

Routes::Routes(httplib::Server& http, Service& service, std::string scheme)
    : http_(http), service_(service), scheme_(std::move(scheme)) {}

std::string Routes::BaseUrl(const httplib::Request& req) const {
    return scheme_ + "://127.0.0.1:" + std::to_string(req.local_port);
}

void Routes::Get(const std::string& path, JsonHandler handler) {
    http_.Get(path, [this, handler](const httplib::Request& req, httplib::Response& res) {
        Answer(handler, req, res, true);
    });
}

void Routes::Post(const std::string& path, JsonHandler handler) {
    http_.Post(path, [this, handler](const httplib::Request& req, httplib::Response& res) {
        Answer(handler, req, res, true);
    });
}

void Routes::GetOrPost(const std::string& path, JsonHandler handler) {
    Get(path, handler);
    Post(path, handler);
}

void Routes::Control(const std::string& path, JsonHandler handler) {
    auto answer = [this, handler](const httplib::Request& req, httplib::Response& res) {
        Answer(handler, req, res, false);
    };
    http_.Get(path, answer);
    http_.Post(path, answer);
}

void Routes::Answer(const JsonHandler& handler, const httplib::Request& req, httplib::Response& res,
                    bool faults) {
    std::string qxid = req.has_param("u") ? req.get_param_value("u") : std::string();
    FaultPlan::Applied fault;
    if (faults) fault = service_.faults().Take(req.path, qxid);
    if (fault.delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(fault.delay_ms));
    if (fault.body == HttpFaultKind::kServerError) {
        res.status = 500;
        res.set_content(kErrorPage, "text/html; charset=utf-8");
        return;
    }
    if (fault.body == HttpFaultKind::kMalformed) {
        res.set_content("{\"result\":\"ok\",\"messages\":[{\"id\":12,<html>", kJsonType);
        return;
    }
    if (fault.body == HttpFaultKind::kEmpty) {
        res.set_content("", kJsonType);
        return;
    }
    const std::string answerKey = req.path + "\n" + qxid;
    if (fault.body == HttpFaultKind::kRepeat) {
        std::lock_guard<std::mutex> lock(answersMutex_);
        if (auto last = lastAnswers_.find(answerKey); last != lastAnswers_.end()) {
            res.set_content(last->second, kJsonType);
            return;
        }
    }
    if (fault.body == HttpFaultKind::kBusy) {
        res.set_content(WriteJson(ErrorEnvelope(
                            ApiError(kInternal, "服务器繁忙，请稍后再试", "internal_error"))),
                        kJsonType);
        return;
    }

    Call call{req, service_, BaseUrl(req), fault.body == HttpFaultKind::kTruncated};
    Json::Value answer;
    try {
        answer = handler(call);
    } catch (const ApiError& error) {
        answer = ErrorEnvelope(error);
    } catch (const std::exception& error) {
        LogError(req.path + ": " + error.what());
        answer = ErrorEnvelope(ApiError(kInternal, "服务器繁忙，请稍后再试", "internal_error"));
    }
    std::string body = WriteJson(answer);
    if (call.dry_run) body.resize(body.size() / 2);
    if (faults) {
        std::lock_guard<std::mutex> lock(answersMutex_);
        lastAnswers_[answerKey] = body;
    }
    res.set_content(body, kJsonType);
}

}  // namespace lumeno::server
