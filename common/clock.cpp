#include "common/clock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace {

Clock* installed = nullptr;
bool programEnding = false;

const QElapsedTimer& monotonic()
{
    static const QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer;
}

} // namespace

QDateTime Clock::now()
{
    return QDateTime::currentDateTime();
}

qint64 Clock::elapsedNs()
{
    return monotonic().nsecsElapsed();
}

void Clock::processEvents(QEventLoop::ProcessEventsFlags flags)
{
    QCoreApplication::processEvents(flags);
}

void Clock::sleep(qint64 ns, QEventLoop::ProcessEventsFlags flags)
{
    if (!QCoreApplication::instance()) return;
    QEventLoop loop;
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);
    // Round up so the loop does not wake a hair early and spin.
    wake.start(int(std::min<qint64>((ns + 999'999) / 1'000'000, 1'000'000)));
    loop.exec(flags);
}

void Clock::pause(qint64 ns)
{
    if (ns > 0) QThread::usleep(quint64((ns + 999) / 1000));
}

bool Clock::wait(qint64 ns, QEventLoop::ProcessEventsFlags flags, const std::function<bool()>& stop)
{
    const qint64 end = elapsedNs() + ns;
    for (;;) {
        processEvents(flags);
        if (stop()) return false;
        const qint64 left = end - elapsedNs();
        if (left <= 0) return true;
        sleep(left, flags);
    }
}

Clock& Clock::current()
{
    static Clock real;
    return installed ? *installed : real;
}

void Clock::set(Clock* clock)
{
    installed = clock;
}

QDateTime Now()
{
    return Clock::current().now();
}

namespace Program {

bool ending()
{
    return programEnding;
}

void setEnding(bool e)
{
    programEnding = e;
}

} // namespace Program
