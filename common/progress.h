#pragma once
// Long loops show their progress at most every 100 ms, so a loop of a few
// hundred thousand steps is not slowed by a window update per step.

#include <QCoreApplication>
#include <QElapsedTimer>

class ProgressThrottle
{
public:
    ProgressThrottle() { timer_.start(); }
    // True when an update is due: 100 ms since the last, the first step, or the last step.
    bool due(bool last = false)
    {
        if (first_ || last || timer_.elapsed() >= 100) {
            first_ = false;
            timer_.restart();
            return true;
        }
        return false;
    }
    void processEvents() { QCoreApplication::processEvents(); }

private:
    QElapsedTimer timer_;
    bool first_ = true;
};
