#pragma once
// Long loops show their progress at most every 100 ms, so a loop of a few
// hundred thousand steps is not slowed by a window update per step. The
// interval is measured on the program's clock.

#include "common/clock.h"

#include <QCoreApplication>

class ProgressThrottle
{
public:
    // True when an update is due: 100 ms since the last, the first step, or the last step.
    bool due(bool last = false)
    {
        const qint64 now = Clock::current().elapsedNs();
        if (first_ || last || now - lastNs_ >= 100'000'000) {
            first_ = false;
            lastNs_ = now;
            return true;
        }
        return false;
    }
    void processEvents() { QCoreApplication::processEvents(); }

private:
    qint64 lastNs_ = 0;
    bool first_ = true;
};
