#include "meter/core/liveline.h"

#include "common/clock.h"
#include "meter/core/link.h"

#include <utility>

namespace Meter {

LiveLine::LiveLine(Link& link, MeterPort& port) : link_(link), port_(port)
{
    poll_.setInterval(PollMs);
    poll_.setTimerType(Qt::PreciseTimer);
    connect(&poll_, &QTimer::timeout, this, &LiveLine::onPoll);
    listen_.setInterval(ListenMs);
    connect(&listen_, &QTimer::timeout, this, &LiveLine::onListen);
}

void LiveLine::takeBytes()
{
    if (link_.busy() || !port_.portOpen()) return;
    // An exchange read the line meanwhile: its bytes are gone, and with them
    // where frames start.
    if (const quint64 g = link_.exchanges(); g != exchangesSeen_) {
        exchangesSeen_ = g;
        frames_.lose();
    }
    for (const MeterPort::Piece& p : port_.inputPieces()) {
        frames_.feed(p.bytes, p.ns);
        if (hearing_) heard_ += p.bytes;
    }
}

void LiveLine::hear(bool on)
{
    hearing_ = on;
    heard_.clear();
}

QByteArray LiveLine::takeHeard()
{
    return std::exchange(heard_, {});
}

std::optional<qint64> LiveLine::pollNs() const
{
    return link_.keyWaiting() ? std::nullopt : pollNs_;
}

void LiveLine::tick()
{
    if (polling() || listening_ || link_.busy() || Program::ending() || !port_.portOpen()) return;
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
    if (link_.busy() || Program::ending() || !port_.portOpen()) return stopAttempt();
    takeBytes();
    ++polls_;
    pollNs_ = Clock::current().elapsedNs();
    if (const auto frame = frames_.latest()) {
        stopAttempt();
        emit reading(*frame);
    } else if (port_.lost() || (polls_ >= PollBudget && !link_.keyWaiting())) {
        listen();
        emit lost();
    } else if (polls_ >= PollBudget) {
        stopAttempt();
    }
}

void LiveLine::listen()
{
    stopAttempt();
    listening_ = true;
    held_ = false;
    takeBytes();
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
    if (held_ || link_.busy()) return;
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
