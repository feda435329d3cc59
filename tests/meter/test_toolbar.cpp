// The statistics tick on the main window, the toolbar's dispatch and
// setting commands, Refresh, and the choice of the sampling source, against
// the simulator.

#include "fixture.h"
#include "meter/panel.h"
#include "meter/samplingchoice.h"
#include "platform/graph.h"
#include "platform/grid.h"
#include "platform/timer.h"
#include "platform/toolbar.h"
#include "testutil.h"

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <chrono>

namespace {

qint64 steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Picks an option of the sampling window as soon as it shows, then "OK".
void chooseSampling(int option)
{
    QTimer::singleShot(0, [option] {
        auto* w = qobject_cast<SamplingChoice*>(QApplication::activeModalWidget());
        QVERIFY(w);
        if (option == 0)
            w->OptPC->setChecked(true);
        else if (option == 1)
            w->OptMeter->setChecked(true);
        QTest::mouseClick(w->CmdOK, Qt::LeftButton);
    });
}

} // namespace

class TestToolbar : public QObject
{
    Q_OBJECT
    SimLine line;
    ScriptedDialogs dialogs;
    std::unique_ptr<Panel> p;

    void setLevel(int tenths, bool marked = false)
    {
        Meter::DecodeLevel(uint8_t((tenths >> 8) | (marked ? 0x80 : 0)), uint8_t(tenths & 0xFF));
        p->LblValue->setText(Meter::state().LevelText);
    }
    void stopTimers()
    {
        p->Timer1->setEnabled(false);
        p->Timer2->setEnabled(false);
    }

private slots:
    void initTestCase() { QVERIFY(line.start(1)); }
    void init()
    {
        freshStart(line, dialogs);
        line.sim.setFrequencyWeighting(0);
        line.sim.setTimeWeighting(0);
        QVERIFY((p = loadedPanel(true)));
        line.sim.clearLog();
    }
    void cleanup() { p.reset(); }

    // ---- The statistics tick ----

    void leqSelAndMaximumOnTheBoards()
    {
        stopTimers();
        setLevel(600);
        p->Timer2_Timer();
        setLevel(700);
        const QString before = TimeText(QDateTime::currentDateTime());
        p->Timer2_Timer();
        const QString after = TimeText(QDateTime::currentDateTime());
        QCOMPARE(p->BoardLeq->caption(), QStringLiteral("67.4"));
        QCOMPARE(p->BoardSEL->caption(), QStringLiteral("70.4"));
        QCOMPARE(p->BoardMaxdB->caption(), QStringLiteral("70.0"));
        QVERIFY(p->BoardMaxTime->caption() >= before && p->BoardMaxTime->caption() <= after);
        // A marked reading shows its mark as the maximum.
        setLevel(701, true);
        p->Timer2_Timer();
        QCOMPARE(p->BoardMaxdB->caption(), QStringLiteral("70.1*"));
    }

    void samplesFillListAndGraphs()
    {
        stopTimers();
        setLevel(653);
        for (int i = 0; i < 4; ++i) {
            p->Timer2_Timer();
            QCOMPARE(p->GridN[0]->topRow(), 1); // the first three records do not move it
        }
        QCOMPARE(liveState().LiveCount, 3LL);
        QCOMPARE(p->GridN[0]->textMatrix(3, 0), QStringLiteral("3"));
        QCOMPARE(p->GridN[2]->textMatrix(3, 0), QStringLiteral("65.3"));
        QCOMPARE(p->GridN[1]->textMatrix(3, 0), liveState().SampleTime);
        QCOMPARE(p->GridN[0]->row(), 3);
        p->show();
        QCoreApplication::processEvents();
        QCOMPARE(p->GridN[0]->topRow(), 1);
        p->Timer2_Timer();
        QCOMPARE(liveState().LiveCount, 4LL);
        QCOMPARE(p->GridN[0]->topRow(), 2); // the fourth moves it
        for (FlexGrid* g : p->GridN)
            QCOMPARE(g->topRow(), 2);
        QCOMPARE(p->CWG->pointCount(), 4);
        QCOMPARE(p->CWG->points().last(), QPointF(4, 65.3));
        QCOMPARE(p->CWLeq->points().last().y(), 65.3);
        QCOMPARE(p->CWSEL->points().last().y(), ValueOfText(liveState().SelText));
        QVERIFY(!p->CWDec->isHidden());
        QVERIFY(p->CWInt->isHidden());
        QCOMPARE(p->CWDec->Axes(1).Minimum(), 652.0);
        QCOMPARE(p->CWDec->Axes(1).Maximum(), 654.0);
        QCOMPARE(p->CWInt->Axes(1).Minimum(), 64.0 - 1);
        QCOMPARE(p->CWInt->Axes(1).Maximum(), 66.0 + 1);
        QCOMPARE(p->CWDec->pointCount(), Bins01dB);
        QCOMPARE(p->CWInt->pointCount(), Bins1dB);
        QCOMPARE(liveState().SampleCount, 4);
        QCOMPARE(liveState().LevelSeries[3], 65.3);
    }

    void histogramSwitch()
    {
        stopTimers();
        liveState().SampleTick = 1;
        for (int tenths : {500, 800}) {
            setLevel(tenths);
            p->Timer2_Timer();
        }
        QVERIFY(!p->CWDec->isHidden());
        setLevel(801);
        p->Timer2_Timer();
        QVERIFY(p->CWDec->isHidden());
        QVERIFY(!p->CWInt->isHidden());
        p->Toolbar1_ButtonClick(QStringLiteral("Refresh"));
        setLevel(650);
        p->Timer2_Timer();
        QVERIFY(!p->CWDec->isHidden());
    }

    void refreshDuringRecording()
    {
        stopTimers();
        liveState().SampleTick = 1;
        setLevel(700);
        for (int i = 0; i < 3; ++i)
            p->Timer2_Timer();
        recordingState().Recording = true; // as if started: the recording's statistics run
        LiveState& s = liveState();
        s.RecLeqCount = 5;
        s.RecLeqEnergy = 5e7;
        s.RecMaxText = QStringLiteral("70.0");
        s.LeqMax = 70;
        s.SampleTick = 1;
        const QString maxTime = s.MaxTime;
        const double series0 = s.LevelSeries[0];

        p->Toolbar1_ButtonClick(QStringLiteral("Refresh"));
        QCOMPARE(s.MaxLevel, 0.0);
        QCOMPARE(s.LeqCount, 0LL);
        QCOMPARE(s.LiveCount, 0LL);
        QCOMPARE(s.SampleCount, 0);
        QCOMPARE(s.LevelMin1dB, 150.0);
        QCOMPARE(s.LevelMax01dB, 0.0);
        QCOMPARE(s.LiveCounts1dB[70], 0LL);
        for (FlexGrid* g : p->GridN)
            QCOMPARE(g->rows(), 1);
        for (Graph* g : {p->CWG, p->CWLeq, p->CWSEL, p->CWInt, p->CWDec})
            QCOMPARE(g->pointCount(), 0);
        // Kept.
        QVERIFY(recordingState().Recording);
        QCOMPARE(s.RecLeqCount, 5LL);
        QCOMPARE(s.RecMaxText, QStringLiteral("70.0"));
        QCOMPARE(s.MaxTime, maxTime);
        QCOMPARE(s.LeqMax, 70.0);
        QCOMPARE(s.SampleTick, 1);
        QCOMPARE(s.LevelSeries[0], series0);
        QVERIFY(!p->Timer1->enabled());
        QCOMPARE(p->BoardLeq->caption(), QStringLiteral("70.0")); // until the next tick
        recordingState().Recording = false;
    }

    void renderAfterMinutesOfSamples()
    {
        // Five minutes of samples of a wandering level, shown as each trend
        // and as both histograms.
        stopTimers();
        p->show();
        int level = 650;
        quint32 seed = 7;
        auto wander = [&](int spread) {
            seed = seed * 1103515245u + 12345u;
            level = std::clamp(level + int(seed >> 16) % 31 - 15, 650 - spread, 650 + spread);
            setLevel(level);
            p->Timer2_Timer();
        };
        for (int i = 0; i < 300; ++i)
            wander(120);
        QCoreApplication::processEvents();
        const char* names[] = {"spl", "leq", "sel"};
        for (int option = 0; option < 3; ++option) {
            p->SSOpt[option]->click();
            QCoreApplication::processEvents();
            QVERIFY(p->grab().save(
                renderFile(QStringLiteral("panel-samples-%1.png")).arg(names[option])));
        }
        QVERIFY(!p->CWDec->isHidden());
        for (int i = 0; i < 200; ++i)
            wander(260);
        setLevel(380);
        p->Timer2_Timer();
        QVERIFY(!p->CWInt->isHidden());
        QCoreApplication::processEvents();
        QVERIFY(p->grab().save(renderFile(QStringLiteral("panel-samples-1db.png"))));
    }

    // ---- Dispatch and setting commands ----

    void dispatch_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("AC") << "AC" << QByteArray("G");
        QTest::newRow("FSI") << "FSI" << QByteArray("D");
        QTest::newRow("Up") << "Up" << QByteArray("E");
        QTest::newRow("Down") << "Down" << QByteArray("F");
        QTest::newRow("unknown") << "Memo" << QByteArray();
        QTest::newRow("case counts") << "ac" << QByteArray();
    }
    void dispatch()
    {
        QFETCH(QString, key);
        QFETCH(QByteArray, sent);
        p->PicSave->show();
        // The letter leaves between the timers going off and coming on again.
        QList<QPair<qint64, bool>> switches;
        for (Timer* t : {p->Timer1, p->Timer2})
            connect(t, &Timer::enabledChanged, this, [&](bool on) {
                switches.append({steadyMs(), on});
            });
        int receivedAtOff = -1;
        connect(p->Timer2, &Timer::enabledChanged, this, [&](bool on) {
            if (!on) receivedAtOff = int(line.sim.received().size());
        });
        p->Toolbar1_ButtonClick(key);
        QVERIFY(p->PicSave->isHidden());
        runFor(100);
        QCOMPARE(line.sim.received(), sent);
        if (sent.isEmpty()) {
            QVERIFY(switches.isEmpty());
            return;
        }
        QCOMPARE(switches.size(), 4);
        QCOMPARE(receivedAtOff, 0);
        QVERIFY(!switches[0].second && !switches[1].second && switches[2].second &&
                switches[3].second);
        const qint64 at = line.sim.commands().first().msecs;
        QVERIFY(switches[1].first <= at);
        QVERIFY(switches[2].first - switches[1].first >= 19);
        QVERIFY(p->Timer1->enabled() && p->Timer2->enabled());
    }

    void settingsChangeTheMeter()
    {
        p->Toolbar1_ButtonClick(QStringLiteral("AC"));
        QTRY_COMPARE_WITH_TIMEOUT(p->BoardCA->caption(), QStringLiteral("C"), 3000);
        p->Toolbar1_ButtonClick(QStringLiteral("FSI"));
        QTRY_COMPARE_WITH_TIMEOUT(p->BoardSFI->caption(), QStringLiteral("SLOW"), 3000);
        p->Toolbar1_ButtonClick(QStringLiteral("Up"));
        p->Toolbar1_ButtonClick(QStringLiteral("Up"));
        QTRY_COMPARE_WITH_TIMEOUT(p->BoardLevel->caption(), QStringLiteral("80-140"), 3000);
        QVERIFY(!p->Toolbar1->button(6)->isEnabled());
        QVERIFY(p->Toolbar1->button(7)->isEnabled());
        QCOMPARE(line.sim.received(), QByteArray("GDEE"));
    }

    void acTwice()
    {
        int offs = 0, ons = 0;
        connect(p->Timer1, &Timer::enabledChanged, this, [&](bool on) { ++(on ? ons : offs); });
        p->Toolbar1_ButtonClick(QStringLiteral("AC"));
        p->Toolbar1_ButtonClick(QStringLiteral("AC"));
        runFor(50);
        QCOMPARE(line.sim.received(), QByteArray("GG"));
        QCOMPARE(offs, 2);
        QCOMPARE(ons, 2);
    }

    // ---- Sampling ----

    void samplingWindow()
    {
        SamplingChoice w(p.get());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.grab().save(renderFile(QStringLiteral("sampling-choice.png"))));
        QVERIFY(w.MDLIT_opt->isChecked());
        QCOMPARE(w.windowTitle(), QStringLiteral("Sampling Rate"));
        QCOMPARE(w.pos(), p->pos() + QPoint(67, 67));
        // The tab order: the first two options, "OK", then the third option.
        auto next = [](QWidget* from) {
            QWidget* n = from->nextInFocusChain();
            while (n->focusPolicy() == Qt::NoFocus)
                n = n->nextInFocusChain();
            return n;
        };
        QCOMPARE(next(w.OptPC), static_cast<QWidget*>(w.OptMeter));
        QCOMPARE(next(w.OptMeter), static_cast<QWidget*>(w.CmdOK));
        QCOMPARE(next(w.CmdOK), static_cast<QWidget*>(w.MDLIT_opt));
    }

    void plainOkAsksForTheInterval()
    {
        dialogs.answers.append(ScriptedDialogs::text(QStringLiteral("300")));
        chooseSampling(2);
        p->Toolbar1_ButtonClick(QStringLiteral("Sampling"));
        const auto prompts = dialogs.of(Platform::DialogRequest::Input);
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts[0].text,
                 QStringLiteral("Enter the INTERVAL TIME in seconds\r\n(1 <= t <= 255 ) "));
        QCOMPARE(prompts[0].title, QStringLiteral("Input Interval Time"));
        QCOMPARE(prompts[0].defaultAnswer, QStringLiteral("1"));
        QCOMPARE(samplingState().DisplayStep, 255);
        QVERIFY(samplingState().SamplingByLoggerInterval);
        QVERIFY(!samplingState().SamplingByPc);
        QCOMPARE(line.sim.received(), QByteArray());
    }

    void escapeDoesNothing()
    {
        // The window closes only through "OK": Escape neither closes it nor
        // runs the command (the meter option would send "J").
        bool stillOpen = false;
        QTimer::singleShot(0, [&] {
            auto* w = qobject_cast<SamplingChoice*>(QApplication::activeModalWidget());
            QVERIFY(w);
            w->OptMeter->setChecked(true);
            QTest::keyClick(w, Qt::Key_Escape);
            runFor(100);
            stillOpen = w->isVisible() && QApplication::activeModalWidget() == w;
            w->MDLIT_opt->setChecked(true);
            QTest::mouseClick(w->CmdOK, Qt::LeftButton);
        });
        dialogs.answers.append(ScriptedDialogs::cancel());
        p->Toolbar1_ButtonClick(QStringLiteral("Sampling"));
        QVERIFY(stillOpen);
        runFor(50);
        QCOMPARE(line.sim.received(), QByteArray());
        QCOMPARE(dialogs.of(Platform::DialogRequest::Input).size(), 1); // the interval's prompt
    }

    void pcAnswers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("timersOn");
        QTest::newRow("0") << "0" << 1 << true;
        QTest::newRow("-5") << "-5" << 1 << true;
        QTest::newRow("100000") << "100000" << 86400 << true;
        QTest::newRow("2.5") << "2.5" << 2 << true;
        QTest::newRow("3.5") << "3.5" << 4 << true;
        QTest::newRow("7") << " 7 " << 7 << true;
        QTest::newRow("empty") << "" << 30 << false;
        QTest::newRow("abc") << "abc" << 30 << false;
        QTest::newRow("nan") << "nan" << 30 << false;
        QTest::newRow("inf") << "inf" << 30 << false;
        QTest::newRow("1e999") << "1e999" << 30 << false;
        QTest::newRow("1e300") << "1e300" << 86400 << true;
    }
    void pcAnswers()
    {
        samplingState().PcSamplingTime = 30;
        liveState().SampleTick = 9;
        stopTimers();
        dialogs.answers.append(ScriptedDialogs::text(fetch<QString>("answer")));
        chooseSampling(0);
        p->Toolbar1_ButtonClick(QStringLiteral("Sampling"));
        const auto prompts = dialogs.of(Platform::DialogRequest::Input);
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts[0].text,
                 QStringLiteral("Enter the SAMPLING TIME in seconds\r\n(1 <= t <= 86400 ) "));
        QCOMPARE(prompts[0].title, QStringLiteral("Input Sampling Time"));
        QCOMPARE(prompts[0].defaultAnswer, QStringLiteral("30"));
        QTEST(samplingState().PcSamplingTime, "stored");
        QFETCH(bool, timersOn);
        QCOMPARE(p->Timer1->enabled(), timersOn);
        QCOMPARE(p->Timer2->enabled(), timersOn);
        QCOMPARE(liveState().SampleTick, timersOn ? 0 : 9);
        QCOMPARE(line.sim.received(), QByteArray());
    }

    void meterBranch()
    {
        line.sim.setSamplingTime(10);
        bool timersOffDuringPrompt = false;
        Platform::setDialogSeam([&](const Platform::DialogRequest& r) {
            dialogs.asked.append(r);
            timersOffDuringPrompt = !p->Timer1->enabled() && !p->Timer2->enabled();
            return ScriptedDialogs::text(QStringLiteral("300"));
        });
        chooseSampling(1);
        p->Toolbar1_ButtonClick(QStringLiteral("Sampling"));
        QCOMPARE(dialogs.asked.size(), 1);
        QCOMPARE(dialogs.asked[0].defaultAnswer, QStringLiteral("10"));
        QCOMPARE(dialogs.asked[0].text,
                 QStringLiteral("Enter the SAMPLING TIME in seconds\r\n(1 <= t <= 255 ) "));
        QVERIFY(timersOffDuringPrompt);
        QVERIFY(line.sim.waitForCommands(2, 1000));
        QCOMPARE(line.sim.received(), QByteArray("J\x43\x00\xFF", 4));
        QCOMPARE(samplingState().MeterSamplingTime, std::optional<int>(255));
        QCOMPARE(line.sim.state().samplingTime, quint16(255));
        QVERIFY(p->Timer1->enabled() && p->Timer2->enabled());
    }

    void meterBranchCancelled()
    {
        line.sim.setSamplingTime(10);
        dialogs.answers.append(ScriptedDialogs::cancel());
        chooseSampling(1);
        p->Toolbar1_ButtonClick(QStringLiteral("Sampling"));
        runFor(50);
        QCOMPARE(line.sim.received(), QByteArray("J"));
        QCOMPARE(samplingState().MeterSamplingTime, std::optional<int>(10));
        QVERIFY(p->Timer1->enabled() && p->Timer2->enabled());
    }

    void meterReplyCutShort_data()
    {
        QTest::addColumn<bool>("known");
        QTest::newRow("nothing known") << false;
        QTest::newRow("last known time") << true;
    }
    void meterReplyCutShort()
    {
        if (fetch<bool>("known")) samplingState().MeterSamplingTime = 42;
        line.sim.setReplyFaultFilter("J");
        line.sim.setFault(MeterSim::Fault::ShortReplies, true);
        dialogs.answers.append(ScriptedDialogs::cancel());
        chooseSampling(1);
        p->Toolbar1_ButtonClick(QStringLiteral("Sampling"));
        const auto prompts = dialogs.of(Platform::DialogRequest::Input);
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts[0].defaultAnswer, fetch<bool>("known") ? QStringLiteral("42") : QString());
        QVERIFY(p->Timer1->enabled() && p->Timer2->enabled());
        line.sim.setReplyFaultFilter({});
    }

    void sampleCountRestartsAfterSampling()
    {
        stopTimers();
        samplingState().PcSamplingTime = 5;
        setLevel(600);
        for (int i = 0; i < 3; ++i)
            p->Timer2_Timer();
        dialogs.answers.append(ScriptedDialogs::text(QStringLiteral("5")));
        chooseSampling(0);
        p->Toolbar1_ButtonClick(QStringLiteral("Sampling"));
        stopTimers();
        QList<int> sampled;
        for (int t = 1; t <= 11; ++t) {
            const long long before = liveState().LiveCount;
            p->Timer2_Timer();
            if (liveState().LiveCount > before) sampled.append(t);
        }
        QCOMPARE(sampled, (QList<int>{6, 11}));
    }
};

QTEST_MAIN(TestToolbar)
#include "test_toolbar.moc"
