#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>

// The longest gap between ticks of a 5 ms timer: how long the main thread
// could not turn the spinner.
class StallWatch : public QObject {
  public:
    StallWatch() {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(5);
        connect(&timer, &QTimer::timeout, this, [this] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
    }
    void start() {
        clock.start();
        last = 0;
        longest = 0;
        timer.start();
    }
    // The longest gap so far, in milliseconds, counting the one still open.
    double stop() {
        timer.stop();
        longest = std::max(longest, clock.nsecsElapsed() - last);
        return longest / 1e6;
    }

  private:
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
};
