#pragma once
// The handler list: every running work flow and every live window sits in it and receives the
// messages that the main window broadcasts.

#include "platform/win_types.h"

// What a broadcast carries: a window message.
struct BroadcastMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class CAsyncMsgHandler {
  public:
    CAsyncMsgHandler() = default;
    CAsyncMsgHandler(const CAsyncMsgHandler&) = delete;
    CAsyncMsgHandler& operator=(const CAsyncMsgHandler&) = delete;
    virtual ~CAsyncMsgHandler() { Unlink(); }

    // Called for every broadcast while the handler is linked. `record` is null only when a flow
    // is woken by its own cancellation.
    virtual void OnMessage(const BroadcastMessage* record);

    void LinkAtHead();
    void Unlink();
    bool IsLinked() const { return prevLink_ != nullptr; }

  private:
    friend void Broadcast(UINT message, WPARAM wParam, LPARAM lParam);

    CAsyncMsgHandler* next_ = nullptr;
    CAsyncMsgHandler** prevLink_ = nullptr;  // the link that points at this handler
};

// The part of each window that sits in the handler list while the window exists.
class CVirtualMsgHandler : public CAsyncMsgHandler {};

// Delivers the message to every handler that is in the list when the broadcast begins and is
// still in it when its turn comes. Handlers may unlink themselves or others, and start flows or
// nested broadcasts, while they are called. UI thread only.
void Broadcast(UINT message, WPARAM wParam, LPARAM lParam);
