#pragma once
// A line to the meter scripted by a test, on a clock of the test's own:
// bytes arrive at given times, writes are kept (or refused), and the line
// may go away.

#include "common/clock.h"
#include "common/meterport.h"

#include <QByteArray>
#include <QList>
#include <QPair>

// Time passes only when the program waits.
class StepClock : public Clock
{
public:
    qint64 ns = 1'000'000'000;
    int eventRounds = 0;
    qint64 elapsedNs() override { return ns; }
    void processEvents(QEventLoop::ProcessEventsFlags) override { ++eventRounds; }
    void sleep(qint64 n, QEventLoop::ProcessEventsFlags) override { ns += n; }
    void pause(qint64 n) override { ns += n; }
    qint64 ms() const { return ns / 1'000'000; }
};

using Chunks = QList<QPair<qint64, QByteArray>>; // ms on the clock, bytes

class ScriptedPort : public MeterPort
{
public:
    explicit ScriptedPort(StepClock& clock) : clock_(clock) {}
    Chunks arrivals;
    qint64 lostAtMs = -1;
    bool refuseWrites = false;
    QByteArray sent;
    QList<qint64> sentAtMs; // when each write went out

    bool portOpen() const override { return true; }
    bool lost() const override { return lostAtMs >= 0 && clock_.ms() >= lostAtMs; }
    bool reopen() override { return true; }
    int inBufferCount() override { return int(due().size()); }
    QByteArray input() override
    {
        QByteArray out = due();
        while (!arrivals.isEmpty() && arrivals.first().first <= clock_.ms())
            arrivals.removeFirst();
        return out;
    }
    bool output(const QByteArray& bytes) override
    {
        if (refuseWrites) return false;
        sent += bytes;
        sentAtMs.append(clock_.ms());
        return true;
    }
    QString errorString() const override
    {
        return refuseWrites ? QStringLiteral("Input/output error") : QString();
    }
    // Bytes that arrive ms from now.
    void arrive(qint64 ms, const QByteArray& bytes) { arrivals.append({clock_.ms() + ms, bytes}); }

private:
    QByteArray due() const
    {
        QByteArray out;
        if (lost()) return out;
        for (const auto& [at, bytes] : arrivals)
            if (at <= clock_.ms()) out += bytes;
        return out;
    }
    StepClock& clock_;
};
