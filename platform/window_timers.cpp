#include "platform/window_timers.h"

#include <QTimer>
#include <map>
#include <memory>
#include <utility>

#include "platform/ui_dispatcher.h"
#include "platform/window.h"

namespace platform {
namespace {

using TimerKey = std::pair<HWND, std::uintptr_t>;

// UI thread only, like the windows themselves.
std::map<TimerKey, std::unique_ptr<QTimer>>& Timers() {
    static auto* timers = new std::map<TimerKey, std::unique_ptr<QTimer>>;
    return *timers;
}

}  // namespace

bool SetTimer(HWND hwnd, std::uintptr_t id, UINT milliseconds) {
    if (!IsWindow(hwnd)) return false;
    auto& slot = Timers()[{hwnd, id}];
    if (!slot) {
        slot = std::make_unique<QTimer>();
        QObject::connect(slot.get(), &QTimer::timeout, [hwnd, id] {
            detail::UiDispatcher::DeliverQueued(MSG{hwnd, WM_TIMER, id, 0});
        });
    }
    slot->start(static_cast<int>(milliseconds));
    return true;
}

bool KillTimer(HWND hwnd, std::uintptr_t id) {
    auto found = Timers().find({hwnd, id});
    if (found == Timers().end()) return false;
    // The timer may be the one whose tick is being delivered right now: let Qt delete it later.
    found->second->stop();
    found->second.release()->deleteLater();
    Timers().erase(found);
    return true;
}

void KillAllTimers(HWND hwnd) {
    auto& timers = Timers();
    for (auto it = timers.lower_bound({hwnd, 0}); it != timers.end() && it->first.first == hwnd;) {
        it->second->stop();
        it->second.release()->deleteLater();
        it = timers.erase(it);
    }
}

}  // namespace platform
