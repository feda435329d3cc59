#include "platform/waits.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <ctime>

namespace {

// A clock that moves only when the wait sleeps or processes events.
class FakeClock : public Clock
{
public:
    double tod = 0;          // clock of the day, seconds
    qint64 mono = 0;         // monotonic, ns
    qint64 step = 5'000'000; // each sleep advances at most this much
    int rounds = 0;          // event rounds run
    double jumpAt = -1;      // when the monotonic time passes this, the clock of the day jumps
    double jumpBy = 0;

    QEventLoop::ProcessEventsFlags flags; // of the last round

    QDateTime now() override
    {
        return QDateTime(QDate(2016, 3, 23), QTime::fromMSecsSinceStartOfDay(int(tod * 1000)));
    }
    qint64 elapsedNs() override { return mono; }
    void processEvents(QEventLoop::ProcessEventsFlags f) override
    {
        ++rounds;
        flags = f;
        QCoreApplication::processEvents(f);
    }
    void sleep(qint64 ns, QEventLoop::ProcessEventsFlags) override
    {
        const qint64 d = std::min(ns, step);
        mono += d;
        tod += d / 1e9;
        if (tod >= 86400) tod -= 86400;
        if (jumpAt >= 0 && mono / 1e9 >= jumpAt) {
            tod += jumpBy;
            jumpAt = -1;
        }
    }
};

} // namespace

class TestWaits : public QObject
{
    Q_OBJECT
    FakeClock clock;

private slots:
    void init()
    {
        clock = FakeClock();
        Clock::set(&clock);
        Program::setEnding(false);
    }
    void cleanup() { Clock::set(nullptr); }

    void lengths_data()
    {
        QTest::addColumn<double>("start");   // clock of the day at the start
        QTest::addColumn<double>("seconds"); // length of the wait
        QTest::addColumn<qint64>("step");    // clock resolution, ns
        QTest::addColumn<double>("jumpAt");  // monotonic second at which the clock of the day jumps
        QTest::addColumn<double>("jumpBy");
        QTest::addColumn<qint64>("waited"); // monotonic ns when the wait returns
        QTest::addColumn<int>("rounds");    // event rounds run
        QTest::newRow("0.02 s at 100 s")
            << 100.0 << 0.02 << qint64(5'000'000) << -1.0 << 0.0 << qint64(20'000'000) << 5;
        QTest::newRow("coarse 16 ms clock")
            << 100.0 << 0.02 << qint64(16'000'000) << -1.0 << 0.0 << qint64(20'000'000) << 3;
        QTest::newRow("0.2 s 0.1 s before midnight")
            << 86399.9 << 0.2 << qint64(5'000'000) << -1.0 << 0.0 << qint64(0) << 1;
        QTest::newRow("end exactly at midnight")
            << 86399.8 << 0.2 << qint64(5'000'000) << -1.0 << 0.0 << qint64(0) << 1;
        QTest::newRow("end just before midnight")
            << 86399.7 << 0.2 << qint64(50'000'000) << -1.0 << 0.0 << qint64(200'000'000) << 5;
        QTest::newRow("clock jumps back")
            << 5000.0 << 0.2 << qint64(10'000'000) << 0.05 << -3600.0 << qint64(200'000'000) << 21;
        QTest::newRow("clock jumps ahead")
            << 5000.0 << 0.2 << qint64(10'000'000) << 0.05 << 3600.0 << qint64(200'000'000) << 21;
        QTest::newRow("zero wait")
            << 100.0 << 0.0 << qint64(5'000'000) << -1.0 << 0.0 << qint64(0) << 1;
        QTest::newRow("negative wait")
            << 100.0 << -1.0 << qint64(5'000'000) << -1.0 << 0.0 << qint64(0) << 1;
    }
    void lengths()
    {
        QFETCH(double, start);
        QFETCH(qint64, step);
        QFETCH(double, jumpAt);
        QFETCH(double, jumpBy);
        QFETCH(double, seconds);
        clock.tod = start;
        clock.step = step;
        clock.jumpAt = jumpAt;
        clock.jumpBy = jumpBy;
        Rs232::WaitSeconds(seconds);
        QTEST(clock.mono, "waited");
        QTEST(clock.rounds, "rounds");
    }

    void processesQueuedEvents()
    {
        bool ran = false;
        QTimer::singleShot(0, [&ran] { ran = true; });
        Rs232::WaitSeconds(0);
        QVERIFY(ran);
    }

    void endingProgramCutsWaitShort()
    {
        QTimer::singleShot(0, [] { Program::setEnding(true); });
        Rs232::WaitSeconds(10);
        QVERIFY(clock.mono < 10'000'000);
        Program::setEnding(false);
    }

    void realClockSleepsWithoutSpinning()
    {
        Clock::set(nullptr);
        int ticks = 0;
        QTimer t;
        connect(&t, &QTimer::timeout, [&ticks] { ++ticks; });
        t.start(10);
        QElapsedTimer wall;
        wall.start();
        const std::clock_t cpu0 = std::clock();
        Rs232::WaitSeconds(0.2);
        const double cpu = double(std::clock() - cpu0) / CLOCKS_PER_SEC;
        QVERIFY(wall.elapsed() >= 199);
        QVERIFY2(cpu < 0.1, qPrintable(QString::number(cpu)));
        QVERIFY(ticks >= 5); // timers run inside the wait
    }
};

QTEST_GUILESS_MAIN(TestWaits)
#include "test_waits.moc"
