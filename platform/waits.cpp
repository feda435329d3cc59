#include "platform/waits.h"

#include <cmath>

namespace Rs232 {

void WaitSeconds(double s, QEventLoop::ProcessEventsFlags flags)
{
    Clock& clock = Clock::current();
    const qint64 start = clock.elapsedNs();
    // An end at or past midnight gives a wait of one round of events; the
    // length itself is measured on the monotonic clock, so a clock change or
    // a coarse clock of the day never stretches it.
    const double timeOfDay = clock.now().time().msecsSinceStartOfDay() / 1000.0;
    const bool pastMidnight = !(timeOfDay + s < 86400.0);
    const qint64 length = (!pastMidnight && s > 0) ? qint64(std::llround(s * 1e9)) : 0;
    clock.wait(length - (clock.elapsedNs() - start), flags, [] { return Program::ending(); });
}

} // namespace Rs232
