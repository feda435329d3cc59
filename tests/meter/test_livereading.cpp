// The live tick against the simulator on a pseudo-terminal: frame search,
// display refresh, time-out and resynchronisation.

#include "fixture.h"
#include "meter/core/link.h"
#include "meter/core/liveline.h"
#include "meter/core/protocol.h"
#include "meter/panel.h"
#include "platform/graph.h"
#include "platform/grid.h"
#include "platform/timer.h"
#include "platform/toolbar.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSet>
#include <QTimer>
#include <QToolButton>

namespace {
QByteArray frame(int range, int mode, int high, int low)
{
    const char b[6] = {'\x02', char(range), char(mode), char(high), char(low), '\x03'};
    return QByteArray(b, 6);
}
} // namespace

class TestLiveReading : public QObject
{
    Q_OBJECT
    SimLine line;
    ScriptedDialogs dialogs;
    std::unique_ptr<Panel> p;

    // One tick by hand, with the simulator's frames off and these bytes
    // written ms milliseconds into the tick.
    void tickWith(const QList<QPair<int, QByteArray>>& writes)
    {
        if (line.sim.liveFrames()) {
            line.sim.setLiveFrames(false);
            // Frames already on their way arrive before the tick starts,
            // however slowly a busy machine delivers them.
            qint64 written = -1;
            while (written != line.sim.bytesWritten()) {
                written = line.sim.bytesWritten();
                runFor(150);
            }
        }
        for (const auto& w : writes)
            QTimer::singleShot(w.first, [this, bytes = w.second] { line.sim.inject(bytes); });
        p->Timer1_Timer();
        settle();
    }
    // Until the live tick's attempt, and any listening after it, are over.
    void settle(int ms = 6000)
    {
        QTRY_VERIFY_WITH_TIMEOUT(
            !p || (!p->link().live().polling() && !p->link().live().listening()), ms);
    }

private slots:
    void initTestCase() { QVERIFY(line.start(1)); }
    void init()
    {
        freshStart(line, dialogs);
        line.sim.setRawRangeByte(std::nullopt);
        line.sim.setRawModeByte(std::nullopt);
        line.sim.setRawLevelWord(std::nullopt);
        line.sim.setLevel(650);
        QVERIFY((p = loadedPanel()));
        line.sim.clearLog();
    }
    void cleanup() { p.reset(); }

    void frameSearch_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second"); // written 150 ms later
        QTest::addColumn<QString>("shown");
        QTest::newRow("bytes before a frame")
            << QByteArray("\x41", 1) + frame(0x01, 0x04, 0x02, 0x8D) << QByteArray() << "65.3";
        QTest::newRow("stray 02 after a frame: the frame within counts")
            << frame(0x01, 0x04, 0x02, 0x8D) + QByteArray("\x02", 1)
            << frame(0x01, 0x04, 0x02, 0xBC) << "65.3";
        QTest::newRow("a frame from two pieces after a stray byte")
            << QByteArray("\x55\x02\x01\x04", 4) << QByteArray("\x02\x8D\x03", 3) << "65.3";
        QTest::newRow("split frame") << frame(0x01, 0x04, 0x02, 0x8D).left(3)
                                     << frame(0x01, 0x04, 0x02, 0x8D).mid(3) << "65.3";
    }
    void frameSearch()
    {
        QFETCH(QByteArray, second);
        QList<QPair<int, QByteArray>> writes{{30, fetch<QByteArray>("first")}};
        if (!second.isEmpty()) writes.append({180, second});
        tickWith(writes);
        QTEST(p->ShownLCD->text(), "shown");
        QCOMPARE(p->LblValue->text(), p->ShownLCD->text());
        QCOMPARE(p->BoardLevel->caption(), QStringLiteral("70-130"));
        QCOMPARE(p->BoardSFI->caption(), QStringLiteral("FAST"));
        QCOMPARE(p->BoardCA->caption(), QStringLiteral("A"));
        QVERIFY(!p->LblRun->isHidden());
        QVERIFY(p->LblPause->isHidden());
        QCOMPARE(p->LblCOM->text(), QStringLiteral("COM1"));
    }

    void rangeControls_data()
    {
        QTest::addColumn<int>("rangeByte");
        QTest::addColumn<int>("level"); // tenths
        QTest::addColumn<QString>("board");
        QTest::addColumn<bool>("up");
        QTest::addColumn<bool>("down");
        QTest::addColumn<int>("bar"); // tenths
        QTest::newRow("80-140") << 0x00 << 900 << "80-140" << false << true << 900;
        QTest::newRow("30-90") << 0x05 << 500 << "30-90" << true << false << 500;
        QTest::newRow("60-120") << 0x02 << 650 << "60-120" << true << true << 650;
        QTest::newRow("above the range") << 0x80 << 1500 << "80-140" << false << true << 1400;
        QTest::newRow("below the range") << 0x03 << 300 << "50-110" << true << true << 500;
    }
    void rangeControls()
    {
        QFETCH(int, level);
        tickWith({{30, frame(fetch<int>("rangeByte"), 0x04, level / 256, level % 256)}});
        QTEST(p->BoardLevel->caption(), "board");
        QTEST(p->Toolbar1->button(6)->isEnabled(), "up");
        QTEST(p->Toolbar1->button(7)->isEnabled(), "down");
        QTEST(p->SoundBar->value(), "bar");
        QCOMPARE(p->SoundBar->minimum(), Meter::state().RangeLow * 10);
        QCOMPARE(p->SoundBar->maximum(), Meter::state().RangeHigh * 10);
        QCOMPARE(p->LblBarMax->text(), QString::number(Meter::state().RangeHigh));
        QCOMPARE(p->LblBarMin->text(), QString::number(Meter::state().RangeLow));
        QCOMPARE(p->ShownLCD->text(), Meter::state().LevelText);
        QCOMPARE(p->LblOver->isHidden(), fetch<int>("rangeByte") < 0x80);
    }

    void rangeCodeSixKeepsTheRange()
    {
        tickWith({{30, frame(0x00, 0x04, 0x03, 0x84)}});
        QCOMPARE(p->BoardLevel->caption(), QStringLiteral("80-140"));
        tickWith({{30, frame(0x06, 0x04, 0x02, 0x8D)}});
        QCOMPARE(p->BoardLevel->caption(), QStringLiteral("80-140"));
        QCOMPARE(p->LblBarMax->text(), QStringLiteral("140"));
        QVERIFY(!p->Toolbar1->button(6)->isEnabled());
        QCOMPARE(p->SoundBar->value(), 800); // 65.3 held at the bottom of 80-140
        QCOMPARE(p->ShownLCD->text(), QStringLiteral("65.3"));
    }

    void noRangeBeforeTheFirstRangeCode()
    {
        // A first frame without a range leaves the range controls as designed.
        tickWith({{30, frame(0x87, 0x04, 0x02, 0x8D)}});
        QCOMPARE(p->ShownLCD->text(), QStringLiteral("65.3"));
        QCOMPARE(p->BoardLevel->caption(), QStringLiteral("80-140"));
        QCOMPARE(p->LblBarMax->text(), QStringLiteral("130"));
        QCOMPARE(p->LblBarMin->text(), QStringLiteral("70"));
        QVERIFY(p->Toolbar1->button(6)->isEnabled());
        QVERIFY(p->Toolbar1->button(7)->isEnabled());
        QVERIFY(!p->LblOver->isHidden());
    }

    void weightingsAndState_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("visible"); // which of FAST/SLOW/IMP show
        QTest::addColumn<QString>("freq");
        QTest::addColumn<QString>("run"); // run pause stop under
        QTest::newRow("slow C pause") << 0x29 << "SLOW"
                                      << "C"
                                      << "0100";
        QTest::newRow("imp Z stop under") << 0xD2 << "IMP"
                                          << "Z"
                                          << "0011";
        QTest::newRow("fast A run") << 0x04 << "FAST"
                                    << "A"
                                    << "1000";
    }
    void weightingsAndState()
    {
        QFETCH(QString, visible);
        QFETCH(QString, run);
        tickWith({{30, frame(0x02, fetch<int>("mode"), 0x02, 0x8D)}});
        QCOMPARE(!p->LblFast->isHidden(), visible == "FAST");
        QCOMPARE(!p->LblSlow->isHidden(), visible == "SLOW");
        QCOMPARE(!p->LblIMP->isHidden(), visible == "IMP");
        QCOMPARE(p->BoardSFI->caption(), visible);
        QTEST(p->BoardCA->caption(), "freq");
        QTEST(p->LblCA->text(), "freq");
        QVERIFY(!p->LblCA->isHidden());
        QCOMPARE(!p->LblRun->isHidden(), run[0] == '1');
        QCOMPARE(!p->LblPause->isHidden(), run[1] == '1');
        QCOMPARE(!p->LblStop->isHidden(), run[2] == '1');
        QCOMPARE(!p->LblUnder->isHidden(), run[3] == '1');
    }

    void filterBlinksAndEmptyTimeWeighting()
    {
        tickWith({{30, frame(0x02, 0x01 | 0x04, 0x02, 0x8D)}}); // SLOW
        QList<bool> shown;
        for (int i = 0; i < 4; ++i) {
            tickWith({{30, frame(0x02, 0x63 | 0x04, 0x02, 0x8D)}}); // AA, time weighting code 3
            shown.append(!p->LblCA->isHidden());
            QCOMPARE(p->LblCA->text(), QStringLiteral("A"));
            QCOMPARE(p->BoardCA->caption(), QStringLiteral("20-200Hz Filter"));
        }
        QCOMPARE(shown, (QList<bool>{false, true, false, true}));
        // An empty time weighting keeps the labels and empties the board.
        QVERIFY(!p->LblSlow->isHidden());
        QVERIFY(p->LblFast->isHidden());
        QCOMPARE(p->BoardSFI->caption(), QString());
    }

    void timeOutAndRecovery()
    {
        // Some state for the reset to clear and to keep.
        tickWith({{30, frame(0x02, 0x04, 0x02, 0x8D)}});
        p->Timer2->setEnabled(true);
        for (int i = 0; i < 5; ++i)
            p->Timer2_Timer();
        liveState().LevelMax01dB = 700;
        const int chartPoints = p->CWLeq->pointCount();
        QVERIFY(chartPoints > 0);
        QCOMPARE(p->GridN[2]->rows(), 5);

        samplingState().PcSamplingTime = 100000; // real ticks meanwhile take no sample

        // What shows while resynchronising, taken inside the wait; checked afterwards.
        struct Seen
        {
            QString com, value, lcd, level;
            bool timer2 = true;
            QList<int> rows, bars;
            int cwg = -1, cwint = -1, cwdec = -1, cwleq = -1, cwsel = -1;
            LiveState live;
        };
        auto seen = std::make_unique<Seen>();
        bool checked = false;
        QTimer::singleShot(1600, [&] {
            seen->com = p->LblCOM->text();
            seen->value = p->LblValue->text();
            seen->lcd = p->ShownLCD->text();
            seen->level = p->BoardLevel->caption();
            seen->timer2 = p->Timer2->enabled();
            for (FlexGrid* g : p->GridN) {
                seen->rows.append(g->rows());
                seen->bars.append(g->scrollBars());
            }
            seen->cwg = p->CWG->pointCount();
            seen->cwint = p->CWInt->pointCount();
            seen->cwdec = p->CWDec->pointCount();
            seen->cwleq = p->CWLeq->pointCount();
            seen->cwsel = p->CWSEL->pointCount();
            seen->live = liveState();
            checked = true;
            line.sim.setLiveFrames(true);
        });
        tickWith({});
        QVERIFY(checked);
        // Resynchronising: everything cleared that should be, the rest kept.
        QCOMPARE(seen->com, QStringLiteral("No COM"));
        QCOMPARE(seen->value, QString());
        QCOMPARE(seen->lcd, QStringLiteral("65.3"));
        QVERIFY(!seen->timer2);
        QCOMPARE(seen->rows, (QList<int>{1, 1, 1}));
        QCOMPARE(seen->bars, (QList<int>{0, 0, 2}));
        QCOMPARE(seen->cwg, 0);
        QCOMPARE(seen->cwint, 0);
        QCOMPARE(seen->cwdec, 0);
        QCOMPARE(seen->cwleq, chartPoints);
        QCOMPARE(seen->cwsel, chartPoints);
        const LiveState& s = seen->live;
        QCOMPARE(s.LeqCount, 0LL);
        QCOMPARE(s.LeqEnergy, 0.0);
        QCOMPARE(s.MaxLevel, 0.0);
        QCOMPARE(s.LiveCount, 0LL);
        QCOMPARE(s.SampleCount, 0);
        QCOMPARE(s.LiveCounts01dB[653], 0LL);
        QCOMPARE(s.LevelMax01dB, 700.0);
        QCOMPARE(seen->level, QStringLiteral("60-120"));
        QCOMPARE(p->LblCOM->text(), QStringLiteral("COM1"));
        QVERIFY(p->Timer2->enabled());
    }

    void splitFramesOutOfStep()
    {
        // Halves 30 ms apart, the tick's flush falling between two halves:
        // every six bytes that wait are a tail and a head, never a frame.
        const QByteArray f = frame(0x02, 0x04, 0x02, 0x8D);
        QList<QPair<int, QByteArray>> writes{{10, f.mid(3)}};
        for (int t = 80; t < 1000; t += 100)
            writes << qMakePair(t, f.left(3)) << qMakePair(t + 30, f.mid(3));
        QElapsedTimer took;
        took.start();
        tickWith(writes);
        QVERIFY(took.elapsed() < 500);
        QCOMPARE(p->ShownLCD->text(), QStringLiteral("65.3"));
        QCOMPARE(p->LblCOM->text(), QStringLiteral("COM1"));
    }

    void stuckTickTakesNoSample()
    {
        // The clock jumps 1.5 s while a live tick is held in its poll: the
        // statistics tick that runs then finds a reading of no use.
        struct Later : Clock
        {
            qint64 offset = 0;
            qint64 elapsedNs() override { return Clock::elapsedNs() + offset; }
        } clock;
        Clock::set(&clock);
        const auto reset = qScopeGuard([] { Clock::set(nullptr); });
        tickWith({{30, frame(0x02, 0x04, 0x02, 0x8D)}});
        liveState().SampleTick = 1; // every tick a sample
        p->Timer2_Timer();
        QCOMPARE(liveState().LiveCount, 1LL);
        const LiveState& s = liveState();
        const QString firstTime = s.SampleTime;
        long long countDuring = -1, leqDuring = -1;
        int tickDuring = -1;
        QTimer::singleShot(20, [&] {
            clock.offset += 1'500'000'000;
            p->Timer2_Timer();
            countDuring = s.LiveCount;
            leqDuring = s.LeqCount;
            tickDuring = s.SampleTick;
        });
        tickWith({{60, frame(0x02, 0x04, 0x02, 0xBC)}});
        QCOMPARE(countDuring, 1LL);
        QCOMPARE(leqDuring, 1LL);
        QCOMPARE(tickDuring, 1);
        // The next real sample goes on from the last one.
        p->Timer2_Timer();
        QCOMPARE(s.LiveCount, 2LL);
        QCOMPARE(s.LeqCount, 2LL);
        QCOMPARE(p->GridN[0]->textMatrix(2, 0), QStringLiteral("2"));
        QCOMPARE(p->GridN[2]->textMatrix(2, 0), p->LblValue->text());
        QCOMPARE(p->GridN[1]->textMatrix(2, 0), s.SampleTime);
        QVERIFY(s.SampleTime >= firstTime);
    }

    void ambiguousFrames_data()
    {
        QTest::addColumn<int>("period");
        QTest::addColumn<bool>("trickle");
        // 02 00 04 03 02 03 every 20 ms: six bytes could be a frame at two
        // places, and only the line's rhythm tells which.
        QTest::newRow("whole, every 20 ms") << 20 << false;
        // The same byte by byte, 10 ms apart: nothing tells.
        QTest::newRow("byte by byte") << 60 << true;
    }
    void ambiguousFrames()
    {
        const bool trickle = fetch<bool>("trickle");
        line.sim.setPeriod(fetch<int>("period"));
        line.sim.setRawRangeByte(0x00);
        line.sim.setRawModeByte(0x04);
        line.sim.setRawLevelWord(0x0302);
        line.sim.setFault(MeterSim::Fault::Trickle, trickle);
        const auto restore = qScopeGuard([this] { line.sim.setPeriod(100); });
        QSet<QString> shown;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            shown.insert(p->ShownLCD->text());
            shown.insert(p->LblCOM->text());
        });
        watch.start(10);
        p->Timer1->setEnabled(true);
        p->Timer2->setEnabled(true);
        const LiveState& s = liveState();
        if (trickle) {
            QTRY_COMPARE_WITH_TIMEOUT(p->LblCOM->text(), QStringLiteral("No COM"), 1500);
            runFor(1500);
            // Not a level taken, not a row sampled: the start-up figure is no reading.
            QCOMPARE(shown, (QSet<QString>{"140.0", "COM1", "No COM"}));
            QCOMPARE(s.LeqCount, 0LL);
            QCOMPARE(s.LiveCount, 0LL);
            QCOMPARE(p->GridN[2]->rows(), 1);
            // Readings again once frames can be read.
            line.sim.setFault(MeterSim::Fault::Trickle, false);
        }
        // Within a second; after the trickle, once its rhythm has left the history.
        QTRY_COMPARE_WITH_TIMEOUT(p->ShownLCD->text(), QStringLiteral("77.0"),
                                  trickle ? 2500 : 1000);
        QTRY_VERIFY_WITH_TIMEOUT(s.LiveCount >= 2, 3000);
        QCOMPARE(p->LblCOM->text(), QStringLiteral("COM1"));
        for (int row = 1; row < p->GridN[2]->rows(); ++row)
            QCOMPARE(p->GridN[2]->textMatrix(row, 0), QStringLiteral("77.0"));
        shown.remove(QStringLiteral("No COM"));
        QCOMPARE(shown, (QSet<QString>{"140.0", "COM1", "77.0"}));
    }

    void readingsWithFaults_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("split frames") << int(MeterSim::Fault::SplitFrames);
        QTest::newRow("short replies") << int(MeterSim::Fault::ShortReplies);
        QTest::newRow("truncated replies") << int(MeterSim::Fault::TruncatedReplies);
        QTest::newRow("stalled replies") << int(MeterSim::Fault::StalledReplies);
        QTest::newRow("extra bytes") << int(MeterSim::Fault::ExtraBytes);
    }
    void readingsWithFaults()
    {
        // Every fault that still lets frames through: readings within a
        // second, and never "No COM" while frames arrive.
        const auto fault = MeterSim::Fault(fetch<int>("fault"));
        line.sim.setStall(0, 300);
        line.sim.setFault(fault, true);
        line.sim.setLevel(777);
        QStringList com;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] { com.append(p->LblCOM->text()); });
        watch.start(20);
        p->Timer1->setEnabled(true);
        QTRY_COMPARE_WITH_TIMEOUT(p->ShownLCD->text(), QStringLiteral("77.7"), 1000);
        // A reply, damaged by the fault, arrives among the frames.
        int seconds = 0;
        p->link().readSamplingTime(seconds);
        runFor(1200);
        line.sim.setLevel(812);
        QTRY_COMPARE_WITH_TIMEOUT(p->ShownLCD->text(), QStringLiteral("81.2"), 1000);
        runFor(400);
        QVERIFY(!com.isEmpty());
        QVERIFY(!com.contains(QStringLiteral("No COM")));
        if (fault == MeterSim::Fault::SplitFrames) {
            // After a time-out the resynchronisation finds split frames too.
            // (The frames come back from inside the resynchronisation's wait.)
            connect(&watch, &QTimer::timeout, this, [&] {
                if (p->LblCOM->text() == QLatin1String("No COM")) line.sim.setLiveFrames(true);
            });
            line.sim.setLiveFrames(false);
            QTRY_VERIFY_WITH_TIMEOUT(com.contains(QStringLiteral("No COM")), 3000);
            QTRY_COMPARE_WITH_TIMEOUT(p->LblCOM->text(), QStringLiteral("COM1"), 1000);
            QVERIFY(p->Timer2->enabled());
        }
        p->Timer1->setEnabled(false);
        line.sim.setFault(fault, false);
    }

    void splitFramesOfTwosAndThrees_data()
    {
        QTest::addColumn<int>("splitAt");
        QTest::addColumn<bool>("changing");
        for (int at = 1; at <= 5; ++at)
            QTest::addRow("%d+%d, changing", at, 6 - at) << at << true;
        QTest::newRow("4+2, the same frame") << 4 << false;
    }
    void splitFramesOfTwosAndThrees()
    {
        // Range, mode and level bytes of 02 and 03, each frame in two writes
        // 40 ms apart, the ticks' reads cutting them anywhere: every reading
        // shown is one the meter sent, and readings keep coming.
        struct Reading
        {
            quint8 range, mode;
            quint16 level;
            const char* text;
        };
        const QList<Reading> readings{{0x00, 0x04, 0x0302, "77.0"},
                                      {0x03, 0x02, 0x0203, "51.5"},
                                      {0x02, 0x03, 0x0303, "77.1"},
                                      {0x03, 0x04, 0x0202, "51.4"}};
        const bool changing = fetch<bool>("changing");
        qsizetype sent = 0;
        auto send = [&] {
            const Reading& r = readings[sent++ % (changing ? readings.size() : 1)];
            line.sim.setRawRangeByte(r.range);
            line.sim.setRawModeByte(r.mode);
            line.sim.setRawLevelWord(r.level);
        };
        send();
        line.sim.setSplitAt(fetch<int>("splitAt"));
        line.sim.setSplitGap(40);
        line.sim.setFault(MeterSim::Fault::SplitFrames, true);
        const auto restore = qScopeGuard([this] {
            line.sim.setFault(MeterSim::Fault::SplitFrames, false);
            line.sim.setSplitAt(3);
            line.sim.setSplitGap(30);
        });
        QTimer change;
        connect(&change, &QTimer::timeout, this, send);
        change.start(230);
        QSet<QString> shown;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            shown.insert(p->ShownLCD->text());
            if (p->LblCOM->text() != QLatin1String("COM1")) shown.insert(p->LblCOM->text());
        });
        watch.start(10);
        p->Timer1->setEnabled(true);
        QVERIFY(runUntil([&] { return shown.contains(QStringLiteral("77.0")); }, 1500));
        runFor(800);
        p->Timer1->setEnabled(false);
        QSet<QString> sentTexts{QStringLiteral("140.0")}; // before the first frame
        for (const Reading& r : readings)
            sentTexts.insert(QString::fromLatin1(r.text));
        QVERIFY2(sentTexts.contains(shown), qPrintable(QStringList(shown.values()).join(' ')));
        if (changing) QVERIFY(shown.size() >= 3);
    }

    void meterUnpluggedAndBack()
    {
        // The simulator stopped and started again: a new line behind the same
        // COM1, as a meter unplugged and plugged in again.
        tickWith({{30, frame(0x02, 0x04, 0x02, 0x8D)}});
        line.sim.stop();
        QString during;
        bool restarted = false;
        QTimer::singleShot(1800, [&] {
            during = p->LblCOM->text();
            line.sim.setLiveFrames(true);
            restarted = line.sim.start(SerialPort::portsFolder(), 1);
        });
        QElapsedTimer t;
        t.start();
        p->Timer1_Timer(); // times out, then resynchronises until frames come again
        QTRY_VERIFY_WITH_TIMEOUT(restarted, 3000);
        settle();
        QCOMPARE(during, QStringLiteral("No COM"));
        QCOMPARE(p->LblCOM->text(), QStringLiteral("COM1"));
        QVERIFY(p->Timer2->enabled());
        QVERIFY(t.elapsed() < 5000);
        QVERIFY(!Program::ending());
        p->Timer1_Timer();
        settle();
        QCOMPARE(p->LblCOM->text(), QStringLiteral("COM1"));
        QCOMPARE(p->ShownLCD->text(), QStringLiteral("65.0"));
    }

    void noiseTimesOutToo()
    {
        // A line that brings only noise must not keep the last reading alive.
        line.sim.setFault(MeterSim::Fault::Noise, true);
        bool resyncing = false;
        QTimer::singleShot(2500, [&] {
            resyncing = p->LblCOM->text() == QLatin1String("No COM");
            line.sim.setFault(MeterSim::Fault::Noise, false);
        });
        p->Timer1_Timer();
        QTest::qWait(2600);
        settle();
        QVERIFY(resyncing);
        QCOMPARE(p->LblCOM->text(), QStringLiteral("COM1"));
    }

    void exchangeKeepsItsBytes()
    {
        // While an exchange holds the port a tick is skipped: the handshake
        // reply never becomes a reading of 3276.7*, and stays for the exchange.
        line.sim.setLiveFrames(false);
        runFor(150);
        Meter::PortToken token = p->link().take();
        Meter::ReplyReader reply(6);
        Meter::Exchange exchange(token, reply);
        exchange.send({});
        line.sim.inject(QByteArray(Meter::HandshakeReply, 6));
        QTRY_VERIFY_WITH_TIMEOUT((p->Timer1_Timer(), exchange.read(), reply.complete()), 2000);
        QCOMPARE(p->ShownLCD->text(), QStringLiteral("140.0"));
        QCOMPARE(reply.reply(), QByteArrayView(Meter::HandshakeReply, 6));
    }

    void keysDuringLiveTicks()
    {
        // The real timers run while meter keys are pressed: no handshake
        // reply is ever shown, and each key reaches the meter once.
        p->Timer1->setEnabled(true);
        QTRY_COMPARE_WITH_TIMEOUT(p->ShownLCD->text(), QStringLiteral("65.0"), 2000);
        QStringList shown;
        connect(p->Timer1, &Timer::tick, this, [&] { shown.append(p->ShownLCD->text()); });
        for (char code : {'\x0A', '\x09'}) {
            p->Btn_Click(code);
            QTRY_VERIFY_WITH_TIMEOUT(line.sim.received().contains(QByteArray("K\0\0", 3) + code),
                                     2000);
        }
        runFor(400);
        QVERIFY(!shown.contains(QStringLiteral("3276.7*")));
        QCOMPARE(Meter::state().LevelText, QStringLiteral("65.0"));
        const QByteArray sent = line.sim.received();
        QCOMPARE(sent.count(QByteArray("K\0\0\x0A", 4)), 1);
        QCOMPARE(sent.count(QByteArray("K\0\0\x09", 4)), 1);
    }

    void keyWaitingKeepsTheLiveReading()
    {
        // A meter that sends its frames on and answers the handshake only
        // after a second: the readings and the samples go on meanwhile, and
        // a setting clicked meanwhile follows the key.
        line.sim.setHoldOff(0);
        line.sim.setHandshakeReply({}, 5);
        const auto restore = qScopeGuard([this] { line.sim.setHoldOff(500); });
        p->Timer1->setEnabled(true);
        p->Timer2->setEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(liveState().LiveCount >= 1, 3000);
        line.sim.clearLog();
        p->Btn_Click(9);
        QVERIFY(p->link().keyWaiting());
        const long long samples = liveState().LiveCount;
        line.sim.setLevel(712);
        QTRY_COMPARE_WITH_TIMEOUT(p->ShownLCD->text(), QStringLiteral("71.2"), 1000);
        p->Toolbar1_ButtonClick(QStringLiteral("AC"));
        QVERIFY(p->link().keyWaiting());
        QTRY_VERIFY_WITH_TIMEOUT(liveState().LiveCount > samples, 2000);
        QTRY_VERIFY_WITH_TIMEOUT(!p->link().keyWaiting(), 3000);
        QTRY_VERIFY_WITH_TIMEOUT(line.sim.received().endsWith(QByteArray("K\0\0\x09G", 5)), 1000);
        QVERIFY(line.sim.received().count('A') >= 6);
        QCOMPARE(p->LblCOM->text(), QStringLiteral("COM1"));
    }

    void keyDuringHandshakeIgnored()
    {
        line.sim.setFault(MeterSim::Fault::Silence, true);
        p->Btn_Click(9);
        QTest::qWait(300);
        p->Btn_Click(1); // a second key while the first waits for its handshake
        line.sim.setFault(MeterSim::Fault::Silence, false);
        QTRY_VERIFY_WITH_TIMEOUT(!p->link().keyWaiting(), 2000);
        runFor(100);
        const QByteArray sent = line.sim.received();
        QCOMPARE(sent.count(QByteArray("K\0\0\x09", 4)), 1);
        QCOMPARE(sent.count(QByteArray("K\0\0\x01", 4)), 0);
    }

    void ticksNeverNest()
    {
        tickWith({{30, frame(0x02, 0x04, 0x02, 0x8C)}}); // frames off from here
        int nestedTicks = 0;
        qint64 nestedTime = -1;
        QTimer::singleShot(20, [&] {
            QElapsedTimer t;
            t.start();
            p->Timer1_Timer();
            nestedTime = t.elapsed();
            ++nestedTicks;
        });
        tickWith({{60, frame(0x02, 0x04, 0x02, 0x8D)}});
        QCOMPARE(nestedTicks, 1);
        QVERIFY2(nestedTime >= 0 && nestedTime < 10, qPrintable(QString::number(nestedTime)));
        QCOMPARE(p->ShownLCD->text(), QStringLiteral("65.3"));
    }

    void closingEndsPromptly_data()
    {
        QTest::addColumn<int>("at"); // ms into a silent tick
        QTest::addColumn<QString>("shown");
        QTest::newRow("during the poll") << 300 << "COM1";
        QTest::newRow("during the resynchronisation") << 1500 << "No COM";
    }
    void closingEndsPromptly()
    {
        line.sim.setLiveFrames(false);
        QString shown;
        QFETCH(int, at);
        QTimer::singleShot(at, [&] {
            shown = p->LblCOM->text();
            p->close();
        });
        p->Timer1_Timer();
        QTRY_VERIFY_WITH_TIMEOUT(Program::ending(), at + 1000);
        QTEST(shown, "shown");
        // Nothing of the live line runs on once the window is gone.
        QVERIFY(!p->link().live().polling());
        p.reset();
        QTest::qWait(100);
    }

    void closingDuringHandshakeEndsPromptly()
    {
        line.sim.setFault(MeterSim::Fault::Silence, true);
        p->Btn_Click(5);
        QVERIFY(p->link().keyWaiting());
        runFor(300);
        p->close();
        runFor(300);
        QVERIFY(!p->link().keyWaiting());
        const qsizetype asked = line.sim.received().size();
        runFor(500);
        QCOMPARE(line.sim.received().size(), asked); // no "A" after the close
        QVERIFY(!line.sim.received().contains('K'));
    }
};

QTEST_MAIN(TestLiveReading)
#include "test_livereading.moc"
