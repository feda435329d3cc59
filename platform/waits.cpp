#include "platform/waits.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTime>
#include <QTimer>
#include <cmath>

namespace Rs232 {
namespace {

class RealClock : public WaitClock
{
public:
    RealClock() { timer_.start(); }
    double timeOfDay() override { return QTime::currentTime().msecsSinceStartOfDay() / 1000.0; }
    qint64 elapsedNs() override { return timer_.nsecsElapsed(); }
    void processEvents() override { QCoreApplication::processEvents(QEventLoop::AllEvents); }
    void sleep(qint64 ns) override
    {
        if (!QCoreApplication::instance()) return;
        QEventLoop loop;
        QTimer wake;
        wake.setSingleShot(true);
        wake.setTimerType(Qt::PreciseTimer);
        QObject::connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);
        // Round up so the loop does not wake a hair early and spin.
        wake.start(int(std::min<qint64>((ns + 999'999) / 1'000'000, 1'000'000)));
        loop.exec();
    }

private:
    QElapsedTimer timer_;
};

WaitClock* current = nullptr;
bool ending = false;

} // namespace

void setWaitClock(WaitClock* clock)
{
    current = clock;
}

WaitClock& waitClock()
{
    static RealClock real;
    return current ? *current : real;
}

void WaitSeconds(double s)
{
    WaitClock& clock = waitClock();
    const qint64 start = clock.elapsedNs();
    // An end at or past midnight gives a wait of one round of events; the
    // length itself is measured on the monotonic clock, so a clock change or
    // a coarse clock of the day never stretches it.
    const bool pastMidnight = !(clock.timeOfDay() + s < 86400.0);
    const qint64 length = (!pastMidnight && s > 0) ? qint64(std::llround(s * 1e9)) : 0;
    for (;;) {
        clock.processEvents();
        if (ending || pastMidnight) return;
        const qint64 passed = clock.elapsedNs() - start;
        if (passed >= length) return;
        clock.sleep(length - passed);
    }
}

bool ProgramEnding()
{
    return ending;
}

void SetProgramEnding(bool e)
{
    ending = e;
}

} // namespace Rs232
