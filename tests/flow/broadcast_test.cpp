// Broadcast delivery while handlers come and go, and broadcasts nested in broadcasts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "flow/msg_handler.h"

namespace {

class Recorder : public CAsyncMsgHandler {
  public:
    Recorder(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {
        LinkAtHead();
    }
    void OnMessage(const BroadcastMessage* record) override {
        log_.push_back(name_ + ":" + std::to_string(record->message));
        if (onMessage) onMessage(*record);
    }
    std::function<void(const BroadcastMessage&)> onMessage;

  private:
    std::string name_;
    std::vector<std::string>& log_;
};

TEST(Broadcast, VisitsHandlersFromTheHeadNewestFirst) {
    std::vector<std::string> log;
    Recorder a("a", log), b("b", log), c("c", log);
    Broadcast(1, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"c:1", "b:1", "a:1"}));
}

TEST(Broadcast, HandlerUnlinkingItselfOrItsSuccessorDoesNotDisturbDelivery) {
    std::vector<std::string> log;
    Recorder a("a", log), b("b", log), c("c", log), d("d", log);
    // Order of visits: d, c, b, a.
    c.onMessage = [&](const BroadcastMessage&) { c.Unlink(); };
    b.onMessage = [&](const BroadcastMessage&) { a.Unlink(); };  // removes the one after it
    Broadcast(1, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"d:1", "c:1", "b:1"}));
    log.clear();
    Broadcast(2, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"d:2", "b:2"}));
}

TEST(Broadcast, HandlerDestroyedDuringItsCallIsSafe) {
    std::vector<std::string> log;
    Recorder a("a", log);
    auto doomed = std::make_unique<Recorder>("doomed", log);
    Recorder c("c", log);
    doomed->onMessage = [&](const BroadcastMessage&) { doomed.reset(); };
    Broadcast(1, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"c:1", "doomed:1", "a:1"}));
}

TEST(Broadcast, HandlersAddedDuringABroadcastWaitForTheNextOne) {
    std::vector<std::string> log;
    Recorder a("a", log);
    std::unique_ptr<Recorder> late;
    a.onMessage = [&](const BroadcastMessage&) {
        if (!late) late = std::make_unique<Recorder>("late", log);
    };
    Broadcast(1, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"a:1"}));
    log.clear();
    Broadcast(2, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"late:2", "a:2"}));
}

TEST(Broadcast, NestedBroadcastsEachVisitEveryRemainingHandler) {
    std::vector<std::string> log;
    Recorder a("a", log), b("b", log), c("c", log);
    // Visits c, b, a. While b handles message 1 it broadcasts 2 and removes a.
    b.onMessage = [&](const BroadcastMessage& record) {
        if (record.message == 1) {
            Broadcast(2, 0, 0);
            a.Unlink();
        }
    };
    c.onMessage = [&](const BroadcastMessage& record) {
        if (record.message == 2) c.Unlink();
    };
    Broadcast(1, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"c:1", "b:1", "c:2", "b:2", "a:2"}));
    log.clear();
    Broadcast(3, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"b:3"}));
}

}  // namespace
