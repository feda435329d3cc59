// The main window: load online and offline, the start-up error, the list
// grids, the caption toggle, the launch-delay prompt, and how it looks.

#include "fixture.h"
#include "gridutil.h"
#include "meter/core/link.h"
#include "meter/panel.h"
#include "platform/graph.h"
#include "platform/grid.h"
#include "platform/recordlistview.h"
#include "platform/timer.h"
#include "platform/toolbar.h"
#include "testutil.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolButton>
#include <QWheelEvent>

class TestPanel : public QObject
{
    Q_OBJECT
    SimLine line;
    ScriptedDialogs dialogs;

    static std::unique_ptr<Panel> online() { return loadedPanel(true); }

private slots:
    void initTestCase() { QVERIFY(line.start(1)); }
    void init() { freshStart(line, dialogs); }

    void offlineLook()
    {
        startupState().OfflineModeFlag = true;
        Panel p;
        QVERIFY(p.Form_Load());
        QVERIFY(!p.Timer1->enabled());
        QVERIFY(!p.Timer2->enabled());
        for (int n = 1; n <= 11; ++n)
            QCOMPARE(p.Toolbar1->button(n)->isHidden(), n != 2);
        QVERIFY(!p.OfflineSSPL->isHidden());
        QCOMPARE(p.OfflineSSPL->caption(), QStringLiteral("Offline Mode"));
        QCOMPARE(p.LblCOM->text(), QStringLiteral("No COM"));
        QVERIFY(p.PicErase->isHidden());
        QVERIFY(!p.link().portOpen());
        // Commands that switch the timers on again after their work leave them off.
        p.setTimersEnabled(true);
        QVERIFY(!p.Timer1->enabled());
        QVERIFY(!p.Timer2->enabled());
        runFor(300);
        QVERIFY(!p.Timer1->enabled());
    }

    void missingPortEndsTheProgram_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("why"); // the message's second line
        QTest::newRow("no such device")
            << 7 << "COM7 stands for /dev/ttyUSB6, which is not there: is the meter plugged in?";
        QTest::newRow("no port chosen") << 0 << "No port was chosen.";
        QTest::newRow("in use") << 1 << "COM1 stands for %1, which another program is using.";
    }
    void missingPortEndsTheProgram()
    {
        startupState().PortNumber = fetch<int>("port");
        SerialPort other; // another program's hold on COM1
        other.setCommPort(1);
        if (fetch<int>("port") == 1) QVERIFY(other.setPortOpen(true));
        Panel p;
        QSignalSpy ended(&p, &Panel::unloaded);
        QVERIFY(!p.Form_Load());
        QCOMPARE(ended.size(), 1);
        const auto messages = dialogs.of(Platform::DialogRequest::Message);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].text, QStringLiteral("No device found, try again!\r\n") +
                                       fetch<QString>("why").arg(SerialPort::deviceFor(1)));
        QCOMPARE(messages[0].title, QStringLiteral("Dorvi"));
        QCOMPARE(messages[0].icon, Platform::Icon::Critical);
        QVERIFY(!p.Timer1->enabled());
        QVERIFY(!p.Timer2->enabled());
    }

    void onlineLoad()
    {
        liveState().LeqCount = 99;
        samplingState().PcSamplingTime = 30;
        auto p = online();
        QCOMPARE(p->LblCOM->text(), QStringLiteral("COM1"));
        QCOMPARE(p->windowTitle(), QStringLiteral("PANEL   V10.05"));
        QVERIFY(p->Timer1->enabled());
        QVERIFY(p->Timer2->enabled());
        QVERIFY(p->OfflineSSPL->isHidden());
        const char* titles[] = {"No.s", "Date Time", "dB"};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(p->GridN[i]->rows(), 1);
            QCOMPARE(p->GridN[i]->textMatrix(0, 0), QString::fromLatin1(titles[i]));
            QCOMPARE(p->GridN[i]->scrollBars(), i == 2 ? 2 : 0);
        }
        // The "Date Time" column is as wide as its template, wider than the others.
        QVERIFY(p->GridN[1]->colWidth(0) > p->GridN[2]->colWidth(0));
        QCOMPARE(liveState().LeqCount, 0LL);
        QCOMPARE(samplingState().PcSamplingTime, 1);
        QCOMPARE(liveState().LevelMin01dB, 1450.0);
        QCOMPARE(liveState().LevelMin1dB, 145.0);
        QCOMPARE(liveState().LeqMin, 145.0);
        QVERIFY(p->link().portOpen());
        // Both timers were enabled when the window was created.
        Panel fresh;
        QVERIFY(fresh.Timer1->enabled());
        QVERIFY(fresh.Timer2->enabled());
    }

    void designState()
    {
        Panel p;
        QVERIFY(p.PicSave->isHidden());
        QVERIFY(p.PicErase->isHidden());
        QVERIFY(p.LblValue->isHidden());
        QVERIFY(!p.CWInt->isHidden());
        QVERIFY(p.CWDec->isHidden());
        QVERIFY(p.LblRec->isHidden());
        QCOMPARE(p.ShownLCD->text(), QStringLiteral("140.0"));
        QCOMPARE(p.CWG->Axes(2).caption(), QStringLiteral("SPL (dB)"));
        QCOMPARE(p.CWLeq->Axes(2).caption(), QStringLiteral("Leq (dB)"));
        QCOMPARE(p.CWSEL->Axes(2).caption(), QStringLiteral("SEL (dB)"));
        QCOMPARE(p.CWInt->Axes(1).caption(), QStringLiteral("dB"));
        QCOMPARE(p.CWDec->Axes(2).caption(), QStringLiteral("Frequency (Times)"));
        QCOMPARE(p.size(), QSize(625, 652));
        const char* keys[] = {"Save", "Open", "Sampling", "AC",    "FSI",    "Up",
                              "Down", "RTC",  "Memory",   "Erase", "Refresh"};
        const char* tips[] = {
            "Save As",     "Open File To Read", "Sampling Rate", "Frequency Weight",
            "Time Weight", "Level Up",          "Level Down",    "Real Time Clock",
            "Data Logger", "Erase Memory",      "Refresh"};
        QCOMPARE(p.Toolbar1->count(), 11);
        for (int n = 1; n <= 11; ++n) {
            QCOMPARE(p.Toolbar1->key(n), QString::fromLatin1(keys[n - 1]));
            QCOMPARE(p.Toolbar1->button(n)->toolTip(), QString::fromLatin1(tips[n - 1]));
        }
        // The meter keys and CmdL lie beyond the right edge and are not reached by Tab.
        for (QPushButton* b : p.Btn) {
            QVERIFY(b->geometry().left() >= p.width());
            QCOMPARE(b->focusPolicy(), Qt::NoFocus);
        }
        QVERIFY(p.CmdL->geometry().left() >= p.width());
        QCOMPARE(p.CmdL->focusPolicy(), Qt::NoFocus);
    }

    void gridsScrollTogether_data()
    {
        QTest::addColumn<int>("grid");
        QTest::addColumn<QString>("how");
        for (int g = 0; g < 3; ++g) {
            QTest::addRow("grid %d top row", g) << g << "top";
            QTest::addRow("grid %d wheel", g) << g << "wheel";
            QTest::addRow("grid %d keys", g) << g << "keys";
        }
        QTest::addRow("dB scroll bar") << 2 << "bar";
    }
    void gridsScrollTogether()
    {
        QFETCH(int, grid);
        QFETCH(QString, how);
        auto p = online();
        p->Timer1->setEnabled(false);
        p->Timer2->setEnabled(false);
        p->show();
        for (int r = 1; r <= 60; ++r)
            p->liveRecords().append(QString::number(r), QString::number(r * 2),
                                    QString::number(r * 3));
        QCoreApplication::processEvents(); // the view lays out its new rows, as it would on screen
        FlexGrid* g = p->GridN[grid];
        scrollGrid(g, how, how == "bar" ? 20 : how == "top" ? 20 : 25);
        const int top = g->topRow();
        QVERIFY(top > 1);
        for (FlexGrid* other : p->GridN)
            QCOMPARE(other->topRow(), top);
        if (how == "top") QCOMPARE(top, 21);
    }

    void captionToggle()
    {
        Panel p;
        const QStringList expected = {"Panel   V10.05", "Panel   V10.05   20160323.01",
                                      "Panel   V10.05"};
        for (const QString& e : expected) {
            QTest::mouseClick(p.LblCOM, Qt::LeftButton);
            QCOMPARE(p.windowTitle(), e);
        }
        p.setWindowTitle(QStringLiteral("panel   v10.05"));
        p.LblCOM_Click();
        QCOMPARE(p.windowTitle(), QStringLiteral("Panel   V10.05"));
    }

    void launchDelayPrompt_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<int>("prompts");
        QTest::addColumn<int>("messages");
        QTest::newRow("bad then good") << QStringList{"0010", "00:01:00"} << 2 << 1;
        QTest::newRow("good") << QStringList{"00:00:10"} << 1 << 0;
        QTest::newRow("cancel") << QStringList{""} << 1 << 0;
        QTest::newRow("bad twice then cancel") << QStringList{"1", "x", ""} << 3 << 2;
    }
    void launchDelayPrompt()
    {
        QFETCH(QStringList, answers);
        for (const QString& a : answers)
            dialogs.answers.append(ScriptedDialogs::text(a));
        // A message takes an answer from the queue too: give it one.
        QList<Platform::DialogAnswer> queue;
        for (const QString& a : answers) {
            queue.append(ScriptedDialogs::text(a));
            if (!a.isEmpty() && !a.contains(':')) queue.append(Platform::DialogAnswer());
        }
        dialogs.answers = queue;
        Panel p;
        p.CmdL_Click();
        const auto prompts = dialogs.of(Platform::DialogRequest::Input);
        QCOMPARE(prompts.size(), fetch<int>("prompts"));
        QCOMPARE(prompts[0].text,
                 QStringLiteral("Set up the willing time period to launch. \r\n (hh:nn:ss) "));
        QCOMPARE(prompts[0].title, QStringLiteral("Set up the willing time period"));
        QCOMPARE(prompts[0].defaultAnswer, QStringLiteral("00:00:10"));
        const auto messages = dialogs.of(Platform::DialogRequest::Message);
        QCOMPARE(messages.size(), fetch<int>("messages"));
        for (const auto& m : messages) {
            QCOMPARE(m.text, QStringLiteral("Invalid, comply with the data format properly\r\n"));
            QCOMPARE(m.icon, Platform::Icon::Critical);
        }
        QCOMPARE(p.windowTitle(), QStringLiteral("PANEL   V10.05"));
    }

    void trendChoice_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("shown");
        QTest::newRow("SPL") << 0 << "CWG";
        QTest::newRow("Leq") << 1 << "CWLeq";
        QTest::newRow("SEL") << 2 << "CWSEL";
    }
    void trendChoice()
    {
        Panel p;
        QFETCH(int, option);
        p.SSOpt[option]->click();
        QFETCH(QString, shown);
        for (Graph* g : {p.CWG, p.CWLeq, p.CWSEL})
            QCOMPARE(!g->isHidden(), g->objectName() == shown);
    }

    void closeEndsTheProgram()
    {
        auto p = online();
        QSignalSpy ended(p.get(), &Panel::unloaded);
        p->show();
        QVERIFY(p->close());
        QCOMPARE(ended.size(), 1);
        QVERIFY(Program::ending());
        QVERIFY(!p->Timer1->enabled());
        QVERIFY(!p->Timer2->enabled());
    }

    void renderLooks()
    {
        {
            startupState().OfflineModeFlag = true;
            Panel p;
            p.Form_Load();
            p.show();
            QVERIFY(p.grab().save(renderFile(QStringLiteral("panel-offline.png"))));
        }
        resetModuleState();
        dialogs.install();
        auto p = online();
        p->show();
        line.sim.setLevel(653);
        QTRY_COMPARE_WITH_TIMEOUT(p->ShownLCD->text(), QStringLiteral("65.3"), 3000);
        runFor(2500);
        QVERIFY(p->grab().save(renderFile(QStringLiteral("panel-online.png"))));
        line.sim.setLevel(std::nullopt);
    }
};

QTEST_MAIN(TestPanel)
#include "test_panel.moc"
