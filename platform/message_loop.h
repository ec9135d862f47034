#pragma once
// The UI thread's message loop: message filters that see every queued window message before its
// window does, idle handlers that run when the queue has drained, and the registry that finds a
// thread's loop. The loop itself is the Qt event loop; this keeps the program's own lists around
// it.

#include <thread>
#include <vector>

#include "platform/win_types.h"

namespace platform {

class CMessageFilter {
  public:
    // True claims the message: its window does not see it.
    virtual bool PreTranslateMessage(MSG& msg) = 0;

  protected:
    ~CMessageFilter() = default;
};

class CIdleHandler {
  public:
    virtual bool OnIdle() = 0;

  protected:
    ~CIdleHandler() = default;
};

class CMessageLoop {
  public:
    CMessageLoop() = default;
    CMessageLoop(const CMessageLoop&) = delete;
    CMessageLoop& operator=(const CMessageLoop&) = delete;
    ~CMessageLoop();

    void AddMessageFilter(CMessageFilter* filter);
    void RemoveMessageFilter(CMessageFilter* filter);
    void AddIdleHandler(CIdleHandler* handler);
    void RemoveIdleHandler(CIdleHandler* handler);

    // Offers the message to the filters, the most recently added first.
    bool PreTranslateMessage(MSG& msg);
    // Runs the idle handlers in registration order if idle processing is enabled, then disables it.
    void RunIdleHandlers();
    // Every message except mouse moves and paints re-enables idle processing.
    void NoteMessage(UINT message);

    // Runs the loop until PostQuitMessage; returns its exit code.
    int Run();

  private:
    template <typename T>
    static void Compact(std::vector<T*>& list);

    std::vector<CMessageFilter*> filters_;
    std::vector<CIdleHandler*> idleHandlers_;
    int iterating_ = 0;
    bool idleEnabled_ = true;
};

// The loop registry: one loop per thread; only the UI thread registers one.
bool AddMessageLoop(CMessageLoop* loop);
bool RemoveMessageLoop();
CMessageLoop* GetMessageLoop(std::thread::id thread = std::this_thread::get_id());

// Ends the running loop with `exitCode`.
void PostQuitMessage(int exitCode);

}  // namespace platform
