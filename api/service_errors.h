#pragma once
// The service's account of a failed request, and the check of every answer's envelope.

#include <json/value.h>

#include <cstdint>
#include <string>
#include <string_view>

struct ErrorRecord {
    std::int32_t error_code = 0;
    std::string detail;
    std::string error;
    std::string error_msg;
};

// The sign-in is no longer valid: the client returns to the login page.
constexpr std::int32_t kErrorTokenInvalid = 20001;
constexpr std::int32_t kErrorTokenRevoked = 20002;

// The service refused the credentials themselves (a revoked or invalid token, a wrong password, a
// missing field): a JSON refusal with a code, as opposed to a fault of the service (codes from
// 50000 up) or no usable answer at all (code 0).
constexpr bool IsCredentialRefusal(std::int32_t code) {
    return code > 0 && code < 50000;
}

// True when the answer is an object whose "result" is "ok" (any case). Otherwise, when the answer
// is an object and `record` is given, the record receives the envelope's error members.
bool CheckEnvelope(std::string_view answer, ErrorRecord* record);
bool CheckParsedEnvelope(const Json::Value& root, ErrorRecord* record);
