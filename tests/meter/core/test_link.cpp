// Every command of the link against a scripted line on a clock of the
// test's own: the bytes that go out, the replies that come in, and each way
// an exchange ends. The live line and the handshake run on timers of their
// own and are driven here step by step.

#include "meter/core/link.h"
#include "meter/core/liveline.h"
#include "meter/core/meter.h"
#include "meter/core/protocol.h"
#include "scriptedline.h"
#include "testutil.h"

#include <QSignalSpy>
#include <QTest>

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

const QByteArray Frame = hex("020211028A03");

// A line whose bytes the test hands over as it goes, on the real clock.
class PushPort : public MeterPort
{
public:
    QByteArray pending, sent;
    bool gone = false;
    bool portOpen() const override { return true; }
    bool lost() const override { return gone; }
    bool reopen() override { return true; }
    int inBufferCount() override { return int(pending.size()); }
    QByteArray input() override { return std::exchange(pending, {}); }
    bool output(const QByteArray& bytes) override
    {
        sent += bytes;
        return true;
    }
};

} // namespace

Q_DECLARE_METATYPE(Meter::End)

class TestLink : public QObject
{
    Q_OBJECT
    StepClock clock;

private slots:
    void init()
    {
        Clock::set(&clock);
        Meter::state() = {};
    }
    void cleanup()
    {
        Clock::set(nullptr);
        Program::setEnding(false);
    }

    void oneWayCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("waitMs"); // given to the meter after it
        QTest::newRow("G") << "G" << QByteArray("G") << 20;
        QTest::newRow("F") << "F" << QByteArray("F") << 20;
        QTest::newRow("C 300") << "C" << hex("43012C") << 0;
        QTest::newRow("B") << "B" << hex("42090510230316") << 20;
        QTest::newRow("H") << "H" << QByteArray("H") << 20;
        QTest::newRow("P 0x1234") << "P" << hex("503412") << 20;
    }
    void oneWayCommands()
    {
        ScriptedPort port(clock);
        port.arrive(0, "stale"); // left on the line, not read
        Meter::Link link(port);
        const QString c = fetch<QString>("command");
        const qint64 start = clock.ms();
        Meter::Outcome o;
        if (c == "G" || c == "F")
            o = link.setting(c[0].toLatin1());
        else if (c == "C")
            o = link.setSamplingTime(300);
        else if (c == "B")
            o = link.setClock(QDateTime(QDate(2016, 3, 23), QTime(10, 5, 9)));
        else
            o = link.erase(c == "H" ? std::nullopt : std::optional<quint16>(0x1234));
        QVERIFY(o);
        QTEST(port.sent, "sent");
        QCOMPARE(clock.ms() - start, qint64(fetch<int>("waitMs")));
        QVERIFY(!link.busy());
        // A line that takes nothing says so, with the system's reason.
        port.refuseWrites = true;
        const Meter::Outcome refused = link.setting('G');
        QCOMPARE(refused.end, Meter::End::Failed);
        QVERIFY(refused.reason.contains(QStringLiteral("Input/output error")));
    }

    void samplingTime_data()
    {
        QTest::addColumn<Chunks>("line"); // ms after asking
        QTest::addColumn<bool>("framesKnown");
        QTest::addColumn<Meter::End>("end");
        QTest::addColumn<int>("seconds");
        QTest::newRow("reply") << Chunks{{5, hex("012C")}} << false << Meter::End::Whole << 300;
        QTest::newRow("a frame in front")
            << Chunks{{1, Frame}, {5, hex("012C")}} << true << Meter::End::Whole << 300;
        QTest::newRow("cut short") << Chunks{{5, hex("01")}} << false << Meter::End::Limit << -1;
        QTest::newRow("late") << Chunks{{40, hex("012C")}} << false << Meter::End::Limit << -1;
    }
    void samplingTime()
    {
        ScriptedPort port(clock);
        for (const auto& [ms, bytes] : fetch<Chunks>("line"))
            port.arrive(ms, bytes);
        if (fetch<bool>("framesKnown")) Meter::state().Frame = Frame;
        Meter::Link link(port);
        int seconds = -1;
        QTEST(link.readSamplingTime(seconds).end, "end");
        QTEST(seconds, "seconds");
        QCOMPARE(port.sent, QByteArray("J"));
    }

    void meterClock_data()
    {
        QTest::addColumn<Chunks>("line");
        QTest::addColumn<qint64>("lostAt"); // ms; -1: never
        QTest::addColumn<Meter::End>("end");
        QTest::addColumn<int>("asked"); // "I" sent
        QTest::newRow("at once") << Chunks{{5, hex("090510230316")}} << -1LL << Meter::End::Whole
                                 << 1;
        QTest::newRow("after two tries")
            << Chunks{{50, hex("090510230316")}} << -1LL << Meter::End::Whole << 3;
        QTest::newRow("never") << Chunks{} << -1LL << Meter::End::Limit << Meter::ClockTries;
        QTest::newRow("line lost") << Chunks{} << 30LL << Meter::End::Failed << 2;
    }
    void meterClock()
    {
        ScriptedPort port(clock);
        for (const auto& [ms, bytes] : fetch<Chunks>("line"))
            port.arrive(ms, bytes);
        if (const qint64 lost = fetch<qint64>("lostAt"); lost >= 0)
            port.lostAtMs = clock.ms() + lost;
        Meter::Link link(port);
        Meter::ClockBytes c{};
        const Meter::Outcome o = link.readClock(c);
        QTEST(o.end, "end");
        QCOMPARE(port.sent, QByteArray(fetch<int>("asked"), 'I'));
        if (o) QCOMPARE(Meter::ClockCaption(c), QStringLiteral("2016/03/23 10:05:09"));
    }

    void dump_data()
    {
        QTest::addColumn<Chunks>("line");
        QTest::addColumn<int>("goneAt"); // ms; -1: never
        QTest::addColumn<Meter::End>("end");
        const QByteArray d(int(Meter::DumpLength(1)), '\x11');
        QTest::newRow("whole") << Chunks{{5, d.left(200)}, {60, d.mid(200)}} << -1
                               << Meter::End::Whole;
        QTest::newRow("cut short") << Chunks{{5, d.left(200)}} << -1 << Meter::End::Quiet;
        QTest::newRow("window closed")
            << Chunks{{5, d.left(200)}} << 100 << Meter::End::Interrupted;
    }
    void dump()
    {
        ScriptedPort port(clock);
        for (const auto& [ms, bytes] : fetch<Chunks>("line"))
            port.arrive(ms, bytes);
        Meter::Link link(port);
        const qint64 goneAt = clock.ms() + fetch<int>("goneAt");
        const bool mayGo = fetch<int>("goneAt") >= 0;
        QByteArray got;
        qint64 told = 0;
        const Meter::Outcome o = link.dump(
            0x0102, 1, got, [&](qint64 bytes) { told = bytes; },
            [&] { return mayGo && clock.ms() >= goneAt; });
        QTEST(o.end, "end");
        QCOMPARE(port.sent, hex("4F0201"));
        QCOMPARE(got.size(), o ? Meter::DumpLength(1) : 0);
        QVERIFY(told >= 200);
        QVERIFY(!link.busy());
    }

    void directory_data()
    {
        QTest::addColumn<Chunks>("line");
        QTest::addColumn<int>("sets"); // -1: no head
        QTest::addColumn<bool>("whole");
        QTest::addColumn<bool>("nothing");
        QByteArray two(32, '\0');
        two[9] = 2;
        QTest::newRow("two sets") << Chunks{{5, two.left(20)}, {150, two.mid(20)}} << 2 << true
                                  << false;
        QTest::newRow("none") << Chunks{{5, QByteArray(12, '\0')}} << 0 << true << false;
        QTest::newRow("cut short") << Chunks{{5, two.left(20)}} << 2 << false << false;
        QTest::newRow("nothing") << Chunks{} << -1 << false << true;
    }
    void directory()
    {
        ScriptedPort port(clock);
        for (const auto& [ms, bytes] : fetch<Chunks>("line"))
            port.arrive(ms, bytes);
        Meter::Link link(port);
        Meter::DirectoryRead read(link, {});
        QVERIFY(read.ask());
        QVERIFY(link.busy());
        QCOMPARE(port.sent, QByteArray("N"));
        const int sets = fetch<int>("sets");
        QCOMPARE(read.headIn(), sets >= 0);
        if (sets >= 0) QCOMPARE(read.sets(), sets);
        QTEST(read.finish(), "whole");
        QTEST(read.nothingCame(), "nothing");
        if (fetch<bool>("whole")) QCOMPARE(read.directory().entries.size(), sets);
        if (!fetch<bool>("whole") && sets >= 0)
            QVERIFY(
                read.failure().contains(QStringLiteral("stopped answering after 20 of the 32")));
        read.release();
        QVERIFY(!link.busy());
    }

    void key()
    {
        // "A" every step until the meter answers, the key, then a setting
        // asked for meanwhile; nothing else meanwhile takes the port.
        ScriptedPort port(clock);
        Meter::Link link(port);
        QSignalSpy sent(&link, &Meter::Link::keySent);
        QVERIFY(link.pressKey(9));
        QVERIFY(!link.pressKey(1));
        QVERIFY(!link.take());
        QVERIFY(link.setting('G'));
        QCOMPARE(port.sent, QByteArray("A"));
        port.arrive(0, Frame); // a live frame is no answer
        link.handshakeStep();
        QCOMPARE(port.sent, QByteArray("AA"));
        port.arrive(0, QByteArray(Meter::HandshakeReply, 6) + Frame);
        link.handshakeStep();
        QCOMPARE(sent.size(), 1);
        QVERIFY(!link.keyWaiting());
        QTRY_COMPARE(port.sent, QByteArray("AA") + Meter::RemoteKeyCommand(9) + "G");
        QVERIFY(link.take());
    }

    void liveLine()
    {
        // The live tick's attempt reads a frame, loses a silent meter after
        // its budget, listens until frames come again, and keeps away from
        // the line while an exchange holds it.
        Clock::set(nullptr);
        PushPort port;
        Meter::Link link(port);
        Meter::LiveLine& live = link.live();
        QSignalSpy readings(&live, &Meter::LiveLine::reading);
        QSignalSpy lost(&live, &Meter::LiveLine::lost);
        QSignalSpy found(&live, &Meter::LiveLine::found);
        const QByteArray sure = hex("02010402AB03");

        live.tick();
        QVERIFY(live.polling());
        port.pending = sure;
        QTRY_COMPARE(readings.size(), 1);
        QCOMPARE(readings[0][0].toByteArray(), sure);
        QVERIFY(!live.polling());

        live.tick();
        QTRY_COMPARE_WITH_TIMEOUT(lost.size(), 1, 3000);
        QVERIFY(live.listening());
        live.tick(); // no attempt while listening
        QVERIFY(!live.polling());
        port.pending = sure;
        QTRY_COMPARE(found.size(), 1);
        QVERIFY(!live.listening());

        Meter::PortToken token = link.take();
        port.pending = sure;
        live.tick();
        QVERIFY(!live.polling());
        QCOMPARE(port.pending, sure); // the exchange's bytes stay
        token.release();
        port.gone = true;
        live.tick();
        QTRY_COMPARE(lost.size(), 2); // a line that went away is lost at once
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
