#pragma once
// The longest time the UI thread went without running its loop, while the meter lives: a timer
// ticks every few milliseconds and the longest gap between two ticks is kept.

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

namespace lumeno::test {

class StallMeter {
  public:
    StallMeter() {
        clock_.start();
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.start(5);
    }
    // Milliseconds, the timer's own period included.
    qint64 LongestMs() const { return longest_; }

  private:
    QElapsedTimer clock_;
    QTimer timer_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

}  // namespace lumeno::test
