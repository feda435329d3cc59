#pragma once
// The one clock of the program: the date and time that statistics, samples
// and dumps are stamped with, the monotonic time that waits and the age of a
// reading are measured on, and how a wait sleeps. Tests put a clock of their
// own in place; each part they leave alone behaves as the real one.

#include <QDateTime>
#include <QEventLoop>
#include <functional>

class Clock
{
public:
    virtual ~Clock() = default;

    // The present local date and time.
    virtual QDateTime now();
    // Monotonic time in nanoseconds from any origin.
    virtual qint64 elapsedNs();
    // Runs the pending events of the kinds flags lets through.
    virtual void processEvents(QEventLoop::ProcessEventsFlags flags);
    // Sleeps up to ns, running the events of the kinds flags lets through
    // as they arrive; no busy spin.
    virtual void sleep(qint64 ns, QEventLoop::ProcessEventsFlags flags);
    // Sleeps ns running no events at all.
    virtual void pause(qint64 ns);
    // Runs the events flags lets through at least once, then sleeps with
    // them until ns have passed. False as soon as stop() holds after a round
    // of events.
    bool wait(qint64 ns, QEventLoop::ProcessEventsFlags flags, const std::function<bool()>& stop);

    // The clock in use; nullptr puts the real one back.
    static Clock& current();
    static void set(Clock* clock);
};

// The present date and time of the statistics, samples and dumps.
QDateTime Now();

namespace Program {

// Set when the program is closing: every wait returns at once and every
// loop that waits on the meter gives up.
bool ending();
void setEnding(bool ending);

} // namespace Program
