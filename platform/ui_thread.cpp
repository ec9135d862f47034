#include "platform/ui_thread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

namespace platform {

bool IsUiThread() {
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

bool PumpMessagesUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    QElapsedTimer clock;
    clock.start();
    QTimer wake;  // wakes the blocking wait below so that `done` and the time-out are checked
    wake.start(2);
    while (!done()) {
        if (clock.elapsed() >= timeout.count()) return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

}  // namespace platform
