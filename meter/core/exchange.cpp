#include "meter/core/exchange.h"

#include "common/clock.h"

namespace Meter {

Exchange::Exchange(MeterPort& port, Gatherer& gatherer)
    : port_(port), gatherer_(gatherer), startNs_(Clock::current().elapsedNs())
{
}

qint64 Exchange::elapsedMs() const
{
    return (Clock::current().elapsedNs() - startNs_) / 1'000'000;
}

void Exchange::send(const QByteArray& command, bool flush)
{
    if (flush) port_.flush();
    if (!command.isEmpty()) port_.output(command);
    startNs_ = Clock::current().elapsedNs();
}

void Exchange::read()
{
    gatherer_.feedAt(port_.input(), elapsedMs());
}

bool Exchange::wait(qint64 ms, Events events)
{
    Clock& clock = Clock::current();
    auto stop = [this] { return Program::ending() || (interrupted && interrupted()); };
    if (events == Events::None) {
        clock.pause(ms * 1'000'000);
        return !stop();
    }
    return clock.wait(
        ms * 1'000'000,
        events == Events::All ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents, stop);
}

bool Exchange::portFailed() const
{
    return !port_.portOpen() || port_.lost() || (failed && failed());
}

void Exchange::tellProgress(bool last)
{
    if (progress && progressDue_.due(last)) progress(gatherer_.size());
}

End Exchange::gather(const Timing& timing)
{
    for (int reads = 0;;) {
        if (beforeWait) beforeWait();
        if (!wait(timing.pollMs, timing.events)) return End::Interrupted;
        if (held && held()) continue;
        if (port_.portOpen()) read();
        ++reads;
        const bool whole = gatherer_.complete();
        tellProgress(whole);
        if (whole) return End::Whole;
        if (portFailed()) return End::Failed;
        const qint64 now = elapsedMs();
        if (timing.quietMs > 0 && now - gatherer_.lastByteMs() > timing.quietMs) return End::Quiet;
        if ((timing.limitMs > 0 && now > timing.limitMs) ||
            (timing.reads > 0 && reads >= timing.reads))
            return End::Limit;
    }
}

} // namespace Meter
