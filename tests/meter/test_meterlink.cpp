// The handshake and the key command over a real pseudo-terminal.

#include "fixture.h"
#include "meter/core/portguard.h"
#include "meter/core/protocol.h"
#include "meter/meterlink.h"

#include <QTimer>

class TestMeterLink : public QObject
{
    Q_OBJECT
    SimLine line;
    std::unique_ptr<SerialPort> port;

    // The commands the simulator received, as their bytes.
    QList<QByteArray> commands()
    {
        QList<QByteArray> out;
        for (const auto& c : line.sim.commands())
            out.append(c.bytes);
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(line.start(1));
        line.sim.setLiveFrames(false);
    }
    void init()
    {
        resetModuleState();
        line.sim.clearHandshakeReply();
        line.sim.clearFaults();
        port = std::make_unique<SerialPort>();
        port->setCommPort(1);
        QVERIFY(port->setPortOpen(true));
        line.sim.clearLog();
    }
    void cleanup() { port.reset(); }

    void handshake_data()
    {
        QTest::addColumn<QByteArray>("first");  // answer to the first "A"
        QTest::addColumn<QByteArray>("second"); // answer to the second "A" (empty: the real reply)
        QTest::addColumn<int>("handshakes");    // "A" sent before the key
        const QByteArray reply("\x02\xFF\xFF\xFF\xFF\x03", 6);
        QTest::newRow("bytes before the reply")
            << QByteArray("\x41\x42", 2) + reply << QByteArray() << 1;
        QTest::newRow("one byte after the reply")
            << reply + QByteArray("\x02", 1) << QByteArray() << 2;
        QTest::newRow("a frame is no reply")
            << QByteArray("\x02\x01\x04\x02\x8D\x03", 6) << QByteArray() << 2;
        // Five bytes are too few: "A" goes again without a flush, so the
        // sixth byte arriving alone completes the reply.
        QTest::newRow("five bytes, then the last") << reply.left(5) << QByteArray("\x03", 1) << 2;
    }
    void handshake()
    {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        line.sim.setHandshakeReply(first, 1);
        bool secondSet = second.isEmpty();
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (!secondSet && line.sim.commands().size() >= 1) {
                line.sim.setHandshakeReply(second, 1);
                secondSet = true;
            }
        });
        watch.start(5);
        Meter::PressKey(*port, 9);
        QVERIFY(line.sim.waitForCommands(fetch<int>("handshakes") + 1, 2000));
        QList<QByteArray> expected(fetch<int>("handshakes"), QByteArray("A"));
        expected.append(QByteArray("\x4B\x00\x00\x09", 4));
        QCOMPARE(commands(), expected);
        QCOMPARE(line.sim.received(), expected.join());
    }

    void everyKeyCode()
    {
        line.sim.setRangeCode(2);
        for (int code = 1; code <= 10; ++code) {
            line.sim.clearLog();
            Meter::PressKey(*port, code);
            QVERIFY(line.sim.waitForCommands(2, 2000));
            QCOMPARE(commands().last(), Meter::RemoteKeyCommand(code));
        }
        QCOMPARE(line.sim.state().rangeCode, 2); // up then down: back where it started
    }

    void handshakeWaitsForSilentMeter()
    {
        // Without an answer "A" goes again every 0.2 s, with events running.
        line.sim.setFault(MeterSim::Fault::Silence, true);
        QTimer::singleShot(700, [this] { line.sim.setFault(MeterSim::Fault::Silence, false); });
        QElapsedTimer t;
        t.start();
        QVERIFY(Meter::WaitMeterReady(*port));
        QVERIFY(t.elapsed() >= 700);
        const QList<QByteArray> sent = commands();
        QVERIFY2(sent.size() >= 3 && sent.size() <= 6, qPrintable(QString::number(sent.size())));
        QVERIFY(
            std::all_of(sent.begin(), sent.end(), [](const QByteArray& c) { return c == "A"; }));
    }

    void refusedWhilePortHeld()
    {
        {
            PortExchange other;
            QVERIFY(other);
            QVERIFY(PortExchange::busy());
            Meter::PressKey(*port, 1);
            PortExchange second;
            QVERIFY(!second);
        }
        QVERIFY(!PortExchange::busy());
        runFor(100);
        QCOMPARE(line.sim.received(), QByteArray());
    }

    void closedPortOrEndingProgramSendsNothing()
    {
        port->setPortOpen(false);
        Meter::PressKey(*port, 9);
        QVERIFY(port->setPortOpen(true));
        Program::setEnding(true);
        QVERIFY(!Meter::WaitMeterReady(*port));
        Program::setEnding(false);
        runFor(50);
        QVERIFY(line.sim.received().size() <= 1); // at most the one "A" before the end was seen
    }
};

QTEST_GUILESS_MAIN(TestMeterLink)
#include "test_meterlink.moc"
