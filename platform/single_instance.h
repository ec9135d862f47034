#pragma once
// One running copy per user: a lock file held for the life of the first instance, and a local
// socket through which a later instance asks the first one to show its main window.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win_types.h"

class QSocketNotifier;

namespace platform {

class InstanceLock {
  public:
    enum class Result {
        Acquired,       // this is the first instance
        HeldElsewhere,  // another instance runs
        Unavailable,    // no lock could be made: run without single-instance protection
    };

    InstanceLock() = default;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

    // Takes the lock named `name` in the runtime directory.
    Result Acquire(const std::string& name);
    void Release();

  private:
    int fd_ = -1;
};

// The first instance's end of the channel. Each message a later instance delivers reaches
// `onMessage` on the UI thread; only `acceptedMessage` is passed on.
class InstanceChannel {
  public:
    InstanceChannel();
    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;
    ~InstanceChannel();

    bool Listen(const std::string& name, UINT acceptedMessage, std::function<void(UINT)> onMessage);

  private:
    struct Connection;
    void Accept();
    void Read(Connection* connection);

    int listener_ = -1;
    std::string path_;
    UINT accepted_ = 0;
    std::function<void(UINT)> onMessage_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<std::unique_ptr<Connection>> connections_;
};

// A later instance's end: delivers `message` to the first instance. False when nobody listens.
bool SendToFirstInstance(const std::string& name, UINT message);

}  // namespace platform
