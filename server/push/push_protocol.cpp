#include "server/push/push_protocol.h"

namespace lumeno::server {
namespace {

constexpr size_t kMaxMessageBytes = 1024;
constexpr size_t kMaxUidBytes = 64;

}  // namespace

std::vector<PushEvent> PushParser::Feed(std::string_view bytes) {
    std::vector<PushEvent> events;
    if (failed_) return events;
    for (char c : bytes) {
        if (c != '#') {
            pending_ += c;
            if (pending_.size() > kMaxMessageBytes) {
                failed_ = true;
                events.push_back({PushEvent::kInvalid, "message too long"});
                return events;
            }
            continue;
        }
        std::string token;
        token.swap(pending_);
        Token(token, events);
        if (failed_) return events;
    }
    return events;
}

void PushParser::Token(const std::string& token, std::vector<PushEvent>& events) {
    switch (state_) {
        case kExpectUid:
            if (token.empty()) return;
            if (token != "uid") {
                failed_ = true;
                events.push_back({PushEvent::kInvalid, "expected uid#"});
                return;
            }
            state_ = kExpectUidValue;
            return;
        case kExpectUidValue:
            if (token.empty() || token.size() > kMaxUidBytes) {
                failed_ = true;
                events.push_back({PushEvent::kInvalid, "bad user id"});
                return;
            }
            events.push_back({PushEvent::kAnnounce, token});
            state_ = kExpectAnnouncePing;
            return;
        case kExpectAnnouncePing:
            state_ = kReady;
            if (token == "ping") return;  // part of the announcement, answered by "ok#"
            [[fallthrough]];
        case kReady:
            if (token == "ping")
                events.push_back({PushEvent::kPing, {}});
            else if (token == "uid")
                state_ = kExpectUidValue;
            // Anything else is ignored, so that unknown messages do not break a connection.
            return;
    }
}

}  // namespace lumeno::server
