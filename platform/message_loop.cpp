#include "platform/message_loop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <algorithm>
#include <map>
#include <mutex>

#include "platform/thread_check.h"
#include "platform/window_message_event.h"

namespace platform {
namespace {

std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
}
std::map<std::thread::id, CMessageLoop*>& Registry() {
    static auto* registry = new std::map<std::thread::id, CMessageLoop*>;
    return *registry;
}

template <typename T>
void RemoveFrom(std::vector<T*>& list, T* item, bool iterating) {
    auto found = std::find(list.begin(), list.end(), item);
    if (found == list.end()) return;
    if (iterating) {
        *found = nullptr;  // compacted when the pass is over
    } else {
        list.erase(found);
    }
}

}  // namespace

CMessageLoop::~CMessageLoop() {
    std::lock_guard lock(RegistryMutex());
    for (auto it = Registry().begin(); it != Registry().end();) {
        it = it->second == this ? Registry().erase(it) : std::next(it);
    }
}

template <typename T>
void CMessageLoop::Compact(std::vector<T*>& list) {
    list.erase(std::remove(list.begin(), list.end(), nullptr), list.end());
}

void CMessageLoop::AddMessageFilter(CMessageFilter* filter) {
    if (filter) filters_.push_back(filter);
}
void CMessageLoop::RemoveMessageFilter(CMessageFilter* filter) {
    RemoveFrom(filters_, filter, iterating_ > 0);
}
void CMessageLoop::AddIdleHandler(CIdleHandler* handler) {
    if (handler) idleHandlers_.push_back(handler);
}
void CMessageLoop::RemoveIdleHandler(CIdleHandler* handler) {
    RemoveFrom(idleHandlers_, handler, iterating_ > 0);
}

bool CMessageLoop::PreTranslateMessage(MSG& msg) {
    bool claimed = false;
    ++iterating_;
    // Indexes, not iterators: a filter may add another filter while it runs.
    for (std::size_t i = filters_.size(); i-- > 0 && !claimed;) {
        if (CMessageFilter* filter = filters_[i]) claimed = filter->PreTranslateMessage(msg);
    }
    if (--iterating_ == 0) Compact(filters_);
    return claimed;
}

void CMessageLoop::RunIdleHandlers() {
    if (!idleEnabled_) return;
    ++iterating_;
    for (std::size_t i = 0; i < idleHandlers_.size(); ++i) {
        if (CIdleHandler* handler = idleHandlers_[i]) handler->OnIdle();
    }
    if (--iterating_ == 0) Compact(idleHandlers_);
    idleEnabled_ = false;
}

void CMessageLoop::NoteMessage(UINT message) {
    if (message != WM_MOUSEMOVE && message != WM_NCMOUSEMOVE && message != WM_PAINT &&
        message != WM_IDLE_NEUTRAL_0118) {
        idleEnabled_ = true;
    }
}

int CMessageLoop::Run() {
    auto* dispatcher = QAbstractEventDispatcher::instance();
    QMetaObject::Connection idle;
    if (dispatcher) {
        idle = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock,
                                [this] { RunIdleHandlers(); });
    }
    int code = QCoreApplication::exec();
    if (idle) QObject::disconnect(idle);
    return code;
}

bool AddMessageLoop(CMessageLoop* loop) {
    std::lock_guard lock(RegistryMutex());
    return Registry().emplace(std::this_thread::get_id(), loop).second;
}

bool RemoveMessageLoop() {
    std::lock_guard lock(RegistryMutex());
    return Registry().erase(std::this_thread::get_id()) != 0;
}

CMessageLoop* GetMessageLoop(std::thread::id thread) {
    std::lock_guard lock(RegistryMutex());
    auto found = Registry().find(thread);
    return found == Registry().end() ? nullptr : found->second;
}

void PostQuitMessage(int exitCode) {
    auto* dispatcher = detail::UiDispatcher::Instance();
    if (!dispatcher) return;
    auto* event = new detail::WindowMessageEvent(MSG{nullptr, WM_QUIT, 0, 0});
    event->action = [exitCode] { QCoreApplication::exit(exitCode); };
    thread_check::HandOff(event);
    QCoreApplication::postEvent(dispatcher, event);
}

}  // namespace platform
