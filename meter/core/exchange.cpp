#include "meter/core/exchange.h"

#include "common/clock.h"

namespace Meter {

Exchange::Exchange(const PortToken& token, Gatherer& gatherer)
    : token_(token), port_(token.port()), gatherer_(gatherer),
      startNs_(Clock::current().elapsedNs())
{
}

qint64 Exchange::elapsedMs() const
{
    return (Clock::current().elapsedNs() - startNs_) / 1'000'000;
}

bool Exchange::send(const QByteArray& command, bool flush)
{
    startNs_ = Clock::current().elapsedNs();
    if (!port_ || !port_->portOpen()) return false;
    if (flush) port_->flush();
    if (command.isEmpty() || port_->output(command)) return true;
    writeFailure_ = port_->errorString();
    if (writeFailure_.isEmpty()) writeFailure_ = QStringLiteral("the line took no byte");
    return false;
}

void Exchange::read()
{
    if (port_ && port_->portOpen()) gatherer_.feedAt(port_->input(), elapsedMs());
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
    return !port_ || !port_->portOpen() || port_->lost() || token_.failed() ||
           !writeFailure_.isEmpty();
}

QString Exchange::failure() const
{
    if (!writeFailure_.isEmpty())
        return QStringLiteral("The meter's port did not take the command: %1.").arg(writeFailure_);
    if (!port_) return QStringLiteral("Another exchange with the meter is under way.");
    return QStringLiteral("The connection to the meter was lost.");
}

void Exchange::tellProgress(bool last)
{
    if (progress && progressDue_.due(last)) progress(gatherer_.size());
}

End Exchange::gather(const Timing& timing)
{
    for (int reads = 0;;) {
        if (portFailed()) return End::Failed;
        if (!wait(timing.pollMs, timing.events)) return End::Interrupted;
        read();
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
