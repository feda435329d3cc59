// The clock window against the simulator: reading and setting the meter's
// clock, its tries and what it does to the main window's timers.

#include "fixture.h"
#include "meter/core/link.h"
#include "meter/setup.h"
#include "platform/windows.h"
#include "testutil.h"

#include <QApplication>
#include <QTimer>

namespace {

QDateTime fixedNow;
// Only the date and time are fixed; waits run on the real clock.
struct FixedNow : Clock
{
    QDateTime now() override { return fixedNow; }
} fixedClock;

int count(const QByteArray& bytes, char c)
{
    return int(bytes.count(c));
}

} // namespace

class TestSetup : public QObject
{
    Q_OBJECT
    SimLine line;
    ScriptedDialogs dialogs;
    std::unique_ptr<Panel> p;
    QPointer<Setup> w;

    bool panelTimersOn() const { return p->Timer1->enabled() && p->Timer2->enabled(); }

private slots:
    void initTestCase() { QVERIFY(line.start(1)); }
    void init()
    {
        freshStart(line, dialogs);
        QVERIFY((p = loadedPanel(true)));
        w = Windows::get<Setup>();
        w->Timer1->setEnabled(false); // ticks by hand
        line.sim.clearLog();
    }
    void cleanup()
    {
        Windows::unloadAll();
        p.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void layout()
    {
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QVERIFY(w->grab().save(renderFile(QStringLiteral("setup.png"))));
        QVERIFY(w->windowFlags() & Qt::FramelessWindowHint);
        const QRect f = p->frameGeometry();
        QCOMPARE(w->pos(), QPoint(f.left() + (f.width() - w->width()) / 2, f.top() + 67));
        QCOMPARE(w->LblPCTime->text(), QStringLiteral("PC System Time"));
        QCOMPARE(w->LblMeterTime->text(), QStringLiteral("Meter Time"));
    }

    void readsTheMeterClock_data()
    {
        QTest::addColumn<int>("fault"); // -1: none
        QTest::newRow("plain") << -1;
        QTest::newRow("frame before the reply") << int(MeterSim::Fault::FrameBeforeReply);
        QTest::newRow("extra bytes") << int(MeterSim::Fault::ExtraBytes);
    }
    void readsTheMeterClock()
    {
        QFETCH(int, fault);
        if (fault >= 0) line.sim.setFault(MeterSim::Fault(fault), true);
        line.sim.setClock(QDateTime(QDate(2016, 3, 23), QTime(10, 5, 9)));
        // Two clicks before a tick: nothing is read.
        w->LblMeterTime_Click();
        w->LblMeterTime_Click();
        w->Timer1_Timer();
        QCOMPARE(w->LblMeterTime->text(), QStringLiteral("Meter Time"));
        QCOMPARE(line.sim.received(), QByteArray());
        QVERIFY(panelTimersOn()); // untouched until the first read
        w->LblMeterTime_Click();
        w->Timer1_Timer();
        QVERIFY(w->LblMeterTime->text().startsWith(QStringLiteral("2016/03/23 10:05:")));
        // "I" again every 0.02 s until a reply is in: a loaded machine may need two.
        const QByteArray asked = line.sim.received();
        QVERIFY(!asked.isEmpty() && asked.count('I') == asked.size());
        QVERIFY(!p->Timer1->enabled() && !p->Timer2->enabled());
        // Switching the read-out off leaves Panel's timers off.
        w->LblPCTime_Click();
        fixedNow = QDateTime(QDate(2016, 3, 23), QTime(10, 5, 9));
        Clock::set(&fixedClock);
        w->Timer1_Timer();
        QCOMPARE(w->LblPCTime->text(), QStringLiteral("2016/03/23 10:05:09"));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QVERIFY(w->grab().save(renderFile(QStringLiteral("setup-times.png"))));
        w->LblMeterTime_Click();
        w->Timer1_Timer();
        QCOMPARE(w->LblMeterTime->text(), QStringLiteral("Meter Time"));
        QVERIFY(!p->Timer1->enabled());
        w->CmdExit_Click();
        QVERIFY(panelTimersOn());
        QVERIFY(w->isHidden());
    }

    void noAnswer_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("silence") << int(MeterSim::Fault::Silence);
        QTest::newRow("short replies") << int(MeterSim::Fault::ShortReplies);
    }
    void noAnswer()
    {
        line.sim.setFault(MeterSim::Fault(fetch<int>("fault")), true);
        w->LblMeterTime_Click();
        // Ticks that come while one waits do nothing.
        w->Timer1->setEnabled(true);
        w->Timer1_Timer();
        w->Timer1->setEnabled(false);
        QCOMPARE(w->LblMeterTime->text(), Setup::noAnswerText());
        QCOMPARE(count(line.sim.received(), 'I'), 25);
        QVERIFY(!p || !p->link().busy());
    }

    void setsTheMeterClock_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("2016") << QDateTime(QDate(2016, 3, 23), QTime(10, 5, 9))
                              << QByteArray::fromHex("42090510230316");
        QTest::newRow("2005") << QDateTime(QDate(2005, 1, 2), QTime(3, 4, 5))
                              << QByteArray::fromHex("42050403020105");
    }
    void setsTheMeterClock()
    {
        fixedNow = fetch<QDateTime>("now");
        Clock::set(&fixedClock);
        w->Timer1->setEnabled(true);
        w->CmdSetTime_Click();
        QVERIFY(line.sim.waitForReceived(7, 1000));
        QTEST(line.sim.received(), "sent");
        QCOMPARE(line.sim.commands().size(), 1); // in one piece
        QVERIFY(w->Timer1->enabled());
        QVERIFY(!p->Timer1->enabled() && !p->Timer2->enabled());
        QCOMPARE(line.sim.clock().date(), fixedNow.date());
    }

    void setDuringARead()
    {
        // The meter is silent for a while; "Set" clicked meanwhile goes after the read.
        line.sim.setFault(MeterSim::Fault::Silence, true);
        QTimer::singleShot(150, [this] {
            line.sim.setFault(MeterSim::Fault::Silence, false);
            w->CmdSetTime_Click();
        });
        w->LblMeterTime_Click();
        w->Timer1_Timer();
        QVERIFY(line.sim.waitForReceived(1, 1000));
        const QByteArray sent = line.sim.received();
        QCOMPARE(sent.right(7).left(1), QByteArray("B"));
        QCOMPARE(sent.indexOf('B'), sent.size() - 7);
        QVERIFY(w->LblMeterTime->text().startsWith(QStringLiteral("20")));
    }

    void nothingAfterClosing()
    {
        line.sim.setFault(MeterSim::Fault::Silence, true);
        QTimer::singleShot(100, [this] { w->CmdExit_Click(); });
        w->LblMeterTime_Click();
        w->Timer1_Timer();
        const int sent = count(line.sim.received(), 'I');
        QVERIFY2(sent <= 6, qPrintable(QString::number(sent)));
        runFor(100);
        QCOMPARE(count(line.sim.received(), 'I'), sent);
        QVERIFY(panelTimersOn());
    }

    void liveStateKeptWhileOpen_data()
    {
        QTest::addColumn<bool>("closeMain"); // the main window closed while the window reads
        QTest::newRow("closed by its Exit") << false;
        QTest::newRow("main window closed") << true;
    }
    void liveStateKeptWhileOpen()
    {
        // Real timers, a meter that holds its frames after every "I": reading
        // the clock clears nothing of the live state, the statistics stay
        // off from the first read until the window closes, and closing the
        // program meanwhile ends everything cleanly.
        Windows::unload<Setup>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTRY_VERIFY_WITH_TIMEOUT(liveState().LiveCount >= 2, 4000);
        const bool closeMain = fetch<bool>("closeMain");
        long long fewest = liveState().LiveCount;
        bool timer2While = false;
        int reads = 0;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            auto* s = qobject_cast<Setup*>(QApplication::activeModalWidget());
            if (!p) return;
            fewest = std::min(fewest, liveState().LiveCount);
            if (!s) return;
            if (!s->MeterTimeShown) s->LblMeterTime_Click();
            reads = count(line.sim.received(), 'I');
            timer2While = timer2While || (reads > 0 && p->Timer2->enabled());
            if (reads >= 12) {
                if (closeMain)
                    p->close();
                else
                    s->CmdExit->click();
            }
        });
        watch.start(20);
        p->Toolbar1_ButtonClick(QStringLiteral("RTC"));
        QVERIFY(!timer2While);
        QVERIFY(fewest >= 2);
        QVERIFY(!p || !p->link().busy());
        if (closeMain) {
            QVERIFY(Program::ending());
            Program::setEnding(false);
        } else {
            QVERIFY(panelTimersOn());
        }
    }

    void rtcShowsTheWindowModally()
    {
        Windows::unload<Setup>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        bool modal = false;
        QTimer::singleShot(100, [&] {
            auto* s = qobject_cast<Setup*>(QApplication::activeModalWidget());
            QVERIFY(s);
            modal = true;
            s->CmdExit->click();
        });
        p->Toolbar1_ButtonClick(QStringLiteral("RTC"));
        QVERIFY(modal);
        QVERIFY(panelTimersOn());
    }
};

QTEST_MAIN(TestSetup)
#include "test_setup.moc"
