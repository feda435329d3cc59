#pragma once
// Waits that keep the windows responsive: pending events run while the
// program sleeps in a nested event loop.

#include <QtGlobal>

namespace Rs232 {

// The clocks a wait reads, and how it sleeps; tests put a fake in its place.
class WaitClock
{
public:
    virtual ~WaitClock() = default;
    // Clock of the day, seconds since midnight.
    virtual double timeOfDay() = 0;
    // Monotonic time in nanoseconds from any origin.
    virtual qint64 elapsedNs() = 0;
    // Runs pending events.
    virtual void processEvents() = 0;
    // Sleeps up to ns while running the events that arrive meanwhile.
    virtual void sleep(qint64 ns) = 0;
};

// The clock in use; nullptr puts the real one back.
void setWaitClock(WaitClock* clock);
WaitClock& waitClock();

// Waits s seconds, running pending events at least once. A wait whose end
// would fall at or after midnight returns after one round of events.
void WaitSeconds(double s);

// Set when the program is closing: every wait returns at once and every
// loop that waits on the meter gives up.
bool ProgramEnding();
void SetProgramEnding(bool ending);

} // namespace Rs232
