#pragma once
// The push connection's socket and timers, waited on from a work flow on the UI thread: every
// wait is a flow wait for a readiness message or a timer tick, so no thread ever blocks.

#include <cstdint>
#include <string>

#include "flow/async_work_flow.h"
#include "flow/flow_timer.h"

class PushSocket {
  public:
    // A non-blocking TCP socket without send delay.
    explicit PushSocket(CAsyncWorkFlow& flow);
    PushSocket(const PushSocket&) = delete;
    PushSocket& operator=(const PushSocket&) = delete;
    ~PushSocket();

    bool Valid() const { return fd_ >= 0; }
    bool Connected() const { return connected_; }

    // The events that occurred, or 0 after 20 seconds.
    long SocketWait(long events);
    // 0 connected, -1 error, -2 time-out. The address is IPv4 in network byte order.
    int PushConnect(int port, std::uint32_t address);
    // The length when all was sent, 0 when the peer closed, -1 error, -2 time-out.
    int PushSend(const char* bytes, int length);
    // Up to 256 bytes: the count, 0 when closed, -1 error, -2 time-out.
    int PushReceive(char* buffer);
    // Reads one reply: everything up to a "#" that is not its first character. Returns the last
    // receive's result, or -1 when the reply grows past kMostReplyBytes without ending.
    int ReadReply(std::string& text);

    static constexpr int kReceivePiece = 256;
    static constexpr std::size_t kMostReplyBytes = 4096;
    static constexpr UINT kWaitMilliseconds = 20000;

  private:
    CAsyncWorkFlow& flow_;
    int fd_ = -1;
    bool connected_ = false;
};
