// The handshake and the key command through the link over a real
// pseudo-terminal: what the meter hears, and when the key goes out.

#include "fixture.h"
#include "meter/core/link.h"
#include "meter/core/protocol.h"

#include <QTimer>

class TestMeterLink : public QObject
{
    Q_OBJECT
    SimLine line;
    std::unique_ptr<SerialPort> port;
    std::unique_ptr<Meter::Link> link;

    // The commands the simulator received, as their bytes.
    QList<QByteArray> commands()
    {
        QList<QByteArray> out;
        for (const auto& c : line.sim.commands())
            out.append(c.bytes);
        return out;
    }
    bool keyOut(int code) { return line.sim.received().contains(Meter::RemoteKeyCommand(code)); }

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
        link = std::make_unique<Meter::Link>(*port);
        line.sim.clearLog();
    }
    void cleanup()
    {
        link.reset();
        port.reset();
    }

    void handshake_data()
    {
        QTest::addColumn<QByteArray>("first");  // answer to the first "A"
        QTest::addColumn<QByteArray>("second"); // answer to the second "A" (empty: the real reply)
        QTest::addColumn<int>("handshakes");    // "A" sent before the key
        const QByteArray reply(Meter::HandshakeReply, 6);
        const QByteArray frame("\x02\x01\x04\x02\x8D\x03", 6);
        QTest::newRow("bytes before the reply")
            << QByteArray("\x41\x42") + reply << QByteArray() << 1;
        // Live frames may follow the reply at once, and the start of one.
        QTest::newRow("a frame after the reply") << reply + frame << QByteArray() << 1;
        QTest::newRow("the start of a frame after it") << reply + "\x02" << QByteArray() << 1;
        QTest::newRow("a byte no frame starts with after it")
            << reply + "\x41" << QByteArray() << 2;
        QTest::newRow("a frame is no reply") << frame << QByteArray() << 2;
        // Five bytes are too few: "A" goes again without a new start, so the
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
        QVERIFY(link->pressKey(9));
        QTRY_VERIFY_WITH_TIMEOUT(keyOut(9), 2000);
        QList<QByteArray> expected(fetch<int>("handshakes"), QByteArray("A"));
        expected.append(Meter::RemoteKeyCommand(9));
        QCOMPARE(commands(), expected);
        QCOMPARE(line.sim.received(), expected.join());
        QVERIFY(!link->keyWaiting());
    }

    void everyKeyCode()
    {
        line.sim.setRangeCode(2);
        for (int code = 1; code <= 10; ++code) {
            line.sim.clearLog();
            QVERIFY(link->pressKey(code));
            QTRY_VERIFY_WITH_TIMEOUT(keyOut(code), 2000);
            QCOMPARE(commands().last(), Meter::RemoteKeyCommand(code));
        }
        QTRY_COMPARE_WITH_TIMEOUT(line.sim.state().rangeCode, 2, 1000); // up then down
    }

    void handshakeWaitsForSilentMeter()
    {
        // Without an answer "A" goes again every 0.2 s; a setting asked for
        // meanwhile follows the key, and a second key is refused.
        line.sim.setFault(MeterSim::Fault::Silence, true);
        QElapsedTimer t;
        t.start();
        QVERIFY(link->pressKey(9));
        QTest::qWait(300);
        QVERIFY(!link->pressKey(1));
        QVERIFY(!link->take());
        QVERIFY(link->setting(Meter::CmdRangeDown));
        QTest::qWait(400);
        line.sim.setFault(MeterSim::Fault::Silence, false);
        QTRY_VERIFY_WITH_TIMEOUT(line.sim.received().endsWith("F"), 2000);
        QVERIFY(t.elapsed() >= 700);
        const QList<QByteArray> sent = commands();
        QVERIFY2(sent.size() >= 6 && sent.size() <= 9, qPrintable(QString::number(sent.size())));
        QVERIFY(std::all_of(sent.begin(), sent.end() - 2,
                            [](const QByteArray& c) { return c == "A"; }));
        QCOMPARE(sent.mid(sent.size() - 2), (QList<QByteArray>{Meter::RemoteKeyCommand(9), "F"}));
    }

    void refusedWhilePortHeld()
    {
        {
            Meter::PortToken other = link->take();
            QVERIFY(other);
            QVERIFY(link->busy());
            QVERIFY(!link->pressKey(1));
            QVERIFY(!link->take());
        }
        QVERIFY(!link->busy());
        runFor(100);
        QCOMPARE(line.sim.received(), QByteArray());
    }

    void closedPortOrEndingProgramSendsNothing()
    {
        port->setPortOpen(false);
        QVERIFY(!link->pressKey(9));
        QVERIFY(port->setPortOpen(true));
        Program::setEnding(true);
        QVERIFY(!link->pressKey(9));
        Program::setEnding(false);
        // The program ends while a key waits: the handshake stops.
        line.sim.setFault(MeterSim::Fault::Silence, true);
        QVERIFY(link->pressKey(9));
        Program::setEnding(true);
        runFor(500);
        QVERIFY(!link->keyWaiting());
        Program::setEnding(false);
        QVERIFY(line.sim.received().size() <= 1); // at most the one "A" before the end was seen
    }
};

QTEST_GUILESS_MAIN(TestMeterLink)
#include "test_meterlink.moc"
