#pragma once

#include <json/json.h>

#include <stdexcept>
#include <string>

namespace lumeno::server {

// Error codes of the service's answers. 20001 and 20002 send a client back to its login page.
enum ErrorCode : int {
    kBadParameter = 10001,
    kNotFound = 10002,
    kForbidden = 10003,
    kConflict = 10004,
    kBadCredentials = 10005,
    kTooLarge = 10006,
    kUnknownOperation = 10007,
    kTokenInvalid = 20001,
    kTokenRevoked = 20002,
    kInternal = 50000,
};

// A refused request. `message` is what a user reads, `error` a short stable name,
// `detail` says what exactly was wrong.
class ApiError : public std::runtime_error {
  public:
    ApiError(int code, std::string message, std::string error, std::string detail = {})
        : std::runtime_error(message),
          code_(code),
          message_(std::move(message)),
          error_(std::move(error)),
          detail_(std::move(detail)) {}

    int code() const { return code_; }
    const std::string& message() const { return message_; }
    const std::string& error() const { return error_; }
    const std::string& detail() const { return detail_; }

  private:
    int code_;
    std::string message_;
    std::string error_;
    std::string detail_;
};

// {"result":"error","error_code":…,"error_msg":…,"error":…,"detail":…}
Json::Value ErrorEnvelope(const ApiError& error);
Json::Value OkEnvelope();

ApiError BadParameter(const std::string& name, const std::string& why);

}  // namespace lumeno::server
