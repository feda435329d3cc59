// One exchange with the meter against a scripted line on a clock of the
// test's own: every end, quiet spells, frames in front, a port lost in the
// middle of a reply, and how often progress is told.

#include "meter/core/exchange.h"
#include "meter/core/link.h"
#include "scriptedline.h"
#include "testutil.h"

#include <QTest>

namespace {

const QByteArray Frame("\x02\x02\x11\x02\x8A\x03", 6);

// A reply of n bytes in pieces of 64, the line at 38400 baud.
Chunks onTheLine(qint64 startMs, const QByteArray& reply)
{
    Chunks out;
    for (qsizetype at = 0; at < reply.size(); at += 64)
        out.append({startMs + at * 1000 / 3840, reply.mid(at, 64)});
    return out;
}

} // namespace

Q_DECLARE_METATYPE(Meter::End)

class TestExchange : public QObject
{
    Q_OBJECT
    StepClock clock;

private slots:
    void init() { Clock::set(&clock); }
    void cleanup() { Clock::set(nullptr); }

    void ends_data()
    {
        // Times in ms after the command; a reply of 1000 bytes, 5 s quiet
        // limit, 10 s in all.
        QTest::addColumn<Chunks>("line");
        QTest::addColumn<qint64>("lostAt");
        QTest::addColumn<qint64>("interruptAt");
        QTest::addColumn<Meter::End>("end");
        QTest::addColumn<qint64>("endsAt");
        const QByteArray reply(1000, '\x11');
        const Chunks whole = onTheLine(5, reply);
        QTest::newRow("whole") << whole << -1LL << -1LL << Meter::End::Whole << 260LL;
        QTest::newRow("frames in front") << Chunks{{1, Frame}, {2, Frame}} + onTheLine(5, reply)
                                         << -1LL << -1LL << Meter::End::Whole << 310LL; // settled
        QTest::newRow("a quiet spell in the middle")
            << onTheLine(5, reply.first(500)) + onTheLine(3000, reply.sliced(500)) << -1LL << -1LL
            << Meter::End::Whole << 3120LL;
        QTest::newRow("a stall longer than the quiet limit")
            << onTheLine(5, reply.first(500)) + onTheLine(6000, reply.sliced(500)) << -1LL << -1LL
            << Meter::End::Quiet << 5140LL;
        QTest::newRow("cut short")
            << onTheLine(5, reply.first(500)) << -1LL << -1LL << Meter::End::Quiet << 5140LL;
        QTest::newRow("silence") << Chunks{} << -1LL << -1LL << Meter::End::Quiet << 5010LL;
        Chunks trickle;
        for (qint64 ms = 10; ms < 20000; ms += 1000)
            trickle.append({ms, reply.first(10)});
        QTest::newRow("a trickle") << trickle << -1LL << -1LL << Meter::End::Limit << 10010LL;
        QTest::newRow("port lost mid-reply")
            << whole << 100LL << -1LL << Meter::End::Failed << 100LL;
        QTest::newRow("interrupted") << whole << -1LL << 50LL << Meter::End::Interrupted << 50LL;
    }
    void ends()
    {
        QFETCH(Chunks, line);
        ScriptedPort port(clock);
        port.arrivals = Chunks{{clock.ms() - 5, QByteArray("stale")}};
        Meter::Link link(port);
        const Meter::PortToken token = link.take();
        Meter::ReplyReader reply(1000);
        Meter::Exchange ex(token, reply);
        const qint64 start = clock.ms();
        for (auto& [at, bytes] : line)
            port.arrivals.append({start + at, bytes});
        if (const qint64 lost = fetch<qint64>("lostAt"); lost >= 0) port.lostAtMs = start + lost;
        const qint64 interruptAt = start + fetch<qint64>("interruptAt");
        if (interruptAt >= start) ex.interrupted = [&] { return clock.ms() >= interruptAt; };

        ex.send("O\x01\x02");
        const Meter::End end = ex.gather({10, 5000, 10000, 0, Meter::Events::All});
        QCOMPARE(end, fetch<Meter::End>("end"));
        QCOMPARE(clock.ms() - start, fetch<qint64>("endsAt"));
        QCOMPARE(port.sent, QByteArray("O\x01\x02"));
        if (end == Meter::End::Whole) QCOMPARE(reply.reply(), QByteArray(1000, '\x11'));
    }

    void progressCadence()
    {
        // 4000 bytes over about a second, read every 10 ms.
        ScriptedPort port(clock);
        port.arrivals = onTheLine(clock.ms(), QByteArray(4000, '\x11'));
        Meter::Link link(port);
        const Meter::PortToken token = link.take();
        Meter::ReplyReader reply(4000);
        Meter::Exchange ex(token, reply);
        QList<qint64> told; // ms, bytes
        qint64 lastBytes = 0;
        ex.progress = [&](qint64 bytes) {
            told.append(clock.ms());
            lastBytes = bytes;
        };
        QCOMPARE(ex.gather({10, 5000, 0, 0, Meter::Events::All}), Meter::End::Whole);
        QCOMPARE(lastBytes, 4000);
        for (qsizetype i = 1; i + 1 < told.size(); ++i)
            QVERIFY2(told[i] - told[i - 1] >= 100, qPrintable(QString::number(told[i])));
        QCOMPARE(told.size(), 12); // the first read, each 100 ms, the last
    }

    void waitsAndReads_data()
    {
        QTest::addColumn<Meter::Events>("events");
        QTest::addColumn<bool>("eventsRun");
        QTest::newRow("all events") << Meter::Events::All << true;
        QTest::newRow("no user input") << Meter::Events::NoUserInput << true;
        QTest::newRow("no events") << Meter::Events::None << false;
    }
    void waitsAndReads()
    {
        // Reads are counted; no events run where none are let through; an
        // exchange without the port's token neither sends nor reads.
        ScriptedPort port(clock);
        port.arrivals = {{clock.ms() + 1, QByteArray("ab")}};
        Meter::Link link(port);
        Meter::PortToken token = link.take();
        QVERIFY(!link.take());
        Meter::ReplyReader reply(6);
        Meter::Exchange ex(token, reply);
        const qint64 start = clock.ms();
        clock.eventRounds = 0;
        QCOMPARE(ex.gather({20, 0, 0, 3, fetch<Meter::Events>("events")}), Meter::End::Limit);
        QCOMPARE(clock.ms() - start, 60);
        QCOMPARE(reply.size(), 2);
        QCOMPARE(clock.eventRounds > 0, fetch<bool>("eventsRun"));

        const Meter::PortToken none;
        Meter::ReplyReader other(6);
        Meter::Exchange without(none, other);
        QVERIFY(!without.send("J"));
        QCOMPARE(without.gather({20, 0, 0, 3, Meter::Events::All}), Meter::End::Failed);
        QCOMPARE(port.sent, QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestExchange)
#include "test_exchange.moc"
