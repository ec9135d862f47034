#include "server/api/api_server.h"

#include <chrono>
#include <stdexcept>

#include "server/api/api_error.h"
#include "server/core/json_text.h"
#include "server/core/log.h"

namespace lumeno::server {
namespace {

constexpr size_t kMaxRequestBytes = 16 * 1024 * 1024;

// Requests that never reached an operation still get the JSON error envelope.
httplib::Server::HandlerResponse AnswerHttpError(const httplib::Request& req,
                                                 httplib::Response& res) {
    if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
    ApiError error(kInternal, "服务器繁忙，请稍后再试", "http_error",
                   "HTTP status " + std::to_string(res.status));
    if (res.status == 404)
        error = ApiError(kUnknownOperation, "未知的操作", "unknown_operation",
                         req.method + " " + req.path);
    else if (res.status == 413)
        error = ApiError(kTooLarge, "请求太大", "request_too_large", "at most 16 MiB");
    else if (res.status >= 400 && res.status < 500)
        error = ApiError(kBadParameter, "请求格式错误", "bad_request",
                         "HTTP status " + std::to_string(res.status));
    res.set_content(WriteJson(ErrorEnvelope(error)), "application/json; charset=utf-8");
    return httplib::Server::HandlerResponse::Handled;
}

}  // namespace

ApiServer::ApiServer(Service& service, std::unique_ptr<httplib::Server> http, std::string scheme)
    : service_(service), http_(std::move(http)), routes_(*http_, service, std::move(scheme)) {
    http_->set_payload_max_length(kMaxRequestBytes);
    http_->set_error_handler(httplib::Server::HandlerWithResponse(AnswerHttpError));
    http_->set_exception_handler(
        [](const httplib::Request& req, httplib::Response& res, std::exception_ptr ep) {
            std::string what = "unknown exception";
            try {
                if (ep) std::rethrow_exception(ep);
            } catch (const std::exception& e) {
                what = e.what();
            } catch (...) {
            }
            LogError(req.path + ": " + what);
            res.status = 500;
            res.set_content(WriteJson(ErrorEnvelope(
                                ApiError(kInternal, "服务器繁忙，请稍后再试", "internal_error"))),
                            "application/json; charset=utf-8");
        });
    http_->set_logger([](const httplib::Request& req, const httplib::Response& res) {
        if (LogLevel() >= 2)
            LogDebug(req.method + " " + req.path + " -> " + std::to_string(res.status) + " (" +
                     std::to_string(res.body.size()) + " bytes)");
    });
    RegisterAccountRoutes(routes_);
    RegisterMessageRoutes(routes_);
    RegisterGroupRoutes(routes_);
    RegisterContactRoutes(routes_);
    RegisterTaskRoutes(routes_);
    RegisterDownloadRoutes(routes_);
    RegisterAdminRoutes(routes_);
    RegisterVoiceAdminRoutes(routes_);
    RegisterCrashRoutes(routes_);
}

ApiServer::~ApiServer() {
    Stop();
}

int ApiServer::Bind(const std::string& host, int port) {
    if (port == 0) {
        port_ = http_->bind_to_any_port(host);
        if (port_ < 0) throw std::runtime_error("cannot bind the API to " + host);
    } else {
        if (!http_->bind_to_port(host, port))
            throw std::runtime_error("cannot bind the API to " + host + ":" + std::to_string(port));
        port_ = port;
    }
    return port_;
}

void ApiServer::Start() {
    thread_ = std::thread([this] { http_->listen_after_bind(); });
    // Wait until the listener runs, so that a caller may connect at once.
    for (int i = 0; i < 500 && !http_->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

void ApiServer::Stop() {
    if (!thread_.joinable()) return;
    http_->stop();
    thread_.join();
}

}  // namespace lumeno::server
