#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumeno::server {

// The push connection's text protocol: every message ends in "#". A client announces itself
// with "uid#<id>#ping#" and then sends "ping#" again and again.
struct PushEvent {
    enum Kind { kAnnounce, kPing, kInvalid } kind;
    std::string uid;
};

class PushParser {
  public:
    // Feeds received bytes (split anywhere) and returns the messages they complete.
    std::vector<PushEvent> Feed(std::string_view bytes);

  private:
    void Token(const std::string& token, std::vector<PushEvent>& events);

    enum State { kExpectUid, kExpectUidValue, kExpectAnnouncePing, kReady };
    State state_ = kExpectUid;
    std::string pending_;
    bool failed_ = false;
};

// Replies of the server.
inline constexpr std::string_view kReplyAccepted = "ok#";
inline constexpr std::string_view kReplyNews = "1#";
inline constexpr std::string_view kReplyNothing = "0#";
inline constexpr std::string_view kReplyRefused = "err#";

}  // namespace lumeno::server
