#include "meter/core/liveline.h"

#include "common/clock.h"
#include "meter/core/portguard.h"

namespace Meter {

LiveLine::LiveLine(MeterPort& port, QObject* parent) : QObject(parent), port_(port)
{
    poll_.setInterval(PollMs);
    poll_.setTimerType(Qt::PreciseTimer);
    connect(&poll_, &QTimer::timeout, this, &LiveLine::onPoll);
    listen_.setInterval(ListenMs);
    connect(&listen_, &QTimer::timeout, this, &LiveLine::onListen);
}

void LiveLine::takeBytes()
{
    // An exchange read the line meanwhile: its bytes are gone, and with them
    // where frames start.
    if (const quint64 g = PortExchange::generation(); g != exchangesSeen_) {
        exchangesSeen_ = g;
        frames_.lose();
    }
    for (const MeterPort::Piece& p : port_.inputPieces())
        frames_.feed(p.bytes, p.ns);
}

void LiveLine::tick()
{
    if (polling() || listening_ || PortExchange::busy() || Program::ending() || !port_.portOpen())
        return;
    // Only frames that end from now on are readings; the bytes that wait
    // still tell where frames start.
    takeBytes();
    frames_.startReading();
    polls_ = 0;
    pollNs_ = Clock::current().elapsedNs();
    poll_.start();
}

void LiveLine::stopAttempt()
{
    poll_.stop();
    pollNs_.reset();
}

void LiveLine::onPoll()
{
    if (PortExchange::busy() || Program::ending() || !port_.portOpen()) return stopAttempt();
    takeBytes();
    ++polls_;
    pollNs_ = Clock::current().elapsedNs();
    if (const auto frame = frames_.latest()) {
        stopAttempt();
        emit reading(*frame);
    } else if (polls_ >= PollBudget || port_.lost()) {
        listen();
        emit lost();
    }
}

void LiveLine::listen()
{
    stopAttempt();
    listening_ = true;
    held_ = false;
    if (!PortExchange::busy() && port_.portOpen()) takeBytes();
    frames_.startReading();
    listen_.start();
}

void LiveLine::hold()
{
    stopAttempt();
    held_ = listening_;
}

void LiveLine::resume()
{
    held_ = false;
}

void LiveLine::onListen()
{
    if (Program::ending()) {
        listen_.stop();
        return;
    }
    if (held_ || PortExchange::busy()) return;
    if (port_.lost() || !port_.portOpen()) {
        const qint64 now = Clock::current().elapsedNs();
        if (now - reopenedNs_ >= qint64(ReopenMs) * 1'000'000) {
            reopenedNs_ = now;
            port_.reopen();
            frames_.lose();
        }
        return;
    }
    takeBytes();
    if (!frames_.latest()) return;
    listening_ = false;
    listen_.stop();
    emit found();
}

} // namespace Meter
