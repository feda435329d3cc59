// The logger against the simulator: "Memory" and its directory, "Erase" and
// its pop-up, the download of a set into the set list, and their time limits.

#include "fixture.h"
#include "meter/core/link.h"
#include "meter/core/logger.h"
#include "platform/grid.h"
#include "platform/windows.h"
#include "records/core/datafile.h"
#include "records/datalist.h"
#include "records/memory.h"
#include "testutil.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QWheelEvent>

namespace {

// The three sets the simulator starts with, by their first cells.
const QStringList SetDates = {"2024/05/14  09:30:00", "2024/05/14  11:00:00",
                              "2024/05/15  08:15:00"};

// Picks an item from the opened list of the combo with Enter.
void pick(QComboBox* combo, int index)
{
    combo->showPopup();
    QAbstractItemView* v = combo->view();
    QTRY_VERIFY(v->isVisible());
    v->setCurrentIndex(v->model()->index(index, 0));
    QTest::keyClick(v, Qt::Key_Return);
}

QStringList items(QComboBox* combo)
{
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

} // namespace

class TestLogger : public QObject
{
    Q_OBJECT
    SimLine line;
    ScriptedDialogs dialogs;
    std::unique_ptr<Panel> p;

    bool timersOn() const { return p->Timer1->enabled() && p->Timer2->enabled(); }
    bool timersOff() const { return !p->Timer1->enabled() && !p->Timer2->enabled(); }
    QStringList messages() const
    {
        QStringList out;
        for (const auto& r : dialogs.of(Platform::DialogRequest::Message))
            out << r.text;
        return out;
    }
    Memory* openMemory()
    {
        p->Toolbar1_ButtonClick(QStringLiteral("Memory"));
        return Windows::find<Memory>();
    }
    // Downloads set `row` of a freshly opened logger window.
    DataList* download(int row)
    {
        Memory* m = openMemory();
        if (!m) return nullptr;
        line.sim.clearLog();
        m->GridSet_Click(row);
        return Windows::find<DataList>();
    }

private slots:
    void initTestCase() { QVERIFY(line.start(1)); }
    void init()
    {
        freshStart(line, dialogs);
        line.sim.setSets(MeterSim::defaultSets());
        line.sim.setPacing(false);
        line.sim.setReplyFaultFilter({});
        QVERIFY((p = loadedPanel(true)));
        p->show();
        line.sim.clearLog();
    }
    void cleanup()
    {
        QVERIFY(!p->link().busy());
        Windows::unloadAll();
        p.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // ---- "Memory" ----

    void memoryListsTheSets()
    {
        Memory* m = openMemory();
        QVERIFY(m);
        QCOMPARE(line.sim.received(), QByteArray("N"));
        QCOMPARE(m->windowTitle(), QStringLiteral("Data Logger"));
        QCOMPARE(m->LblSize->text(), QStringLiteral("65.5"));
        QCOMPARE(m->LblRemain->text(), QStringLiteral("65.3")); // 65255 kB left
        QCOMPARE(m->GridSet->rows(), 4);
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(m->GridSet->textMatrix(k + 1, 0), QString::number(k + 1));
            QCOMPARE(m->GridSet->textMatrix(k + 1, 1), SetDates[k]);
            QCOMPARE(loggerState().SetAddress[size_t(k)], quint16(0x0100 + k));
        }
        QCOMPARE(m->GridSet->textMatrix(0, 2), QStringLiteral("Records"));
        QCOMPARE(m->GridSet->textMatrix(3, 2), QStringLiteral("600"));
        QVERIFY(loggerState().MemoryFormOpen);
        QVERIFY(timersOn());
        QCOMPARE(m->pos(), p->dockPlace(m->size()));
        m->close();
        QVERIFY(!loggerState().MemoryFormOpen);
    }

    void memoryRefused_data()
    {
        QTest::addColumn<int>("why");
        QTest::newRow("meter running") << 0;
        QTest::newRow("erase pop-up shows") << 1;
        QTest::newRow("logger window open") << 2;
        QTest::newRow("port held") << 3;
    }
    void memoryRefused()
    {
        QFETCH(int, why);
        Meter::state().RunFlag = why == 0;
        if (why == 1) p->PicErase->show();
        loggerState().MemoryFormOpen = why == 2;
        Meter::PortToken held = p->link().take();
        if (why != 3) held.release();
        QVERIFY(!openMemory());
        runFor(150);
        QCOMPARE(line.sim.received(), QByteArray());
        QVERIFY(timersOn());
        QVERIFY(dialogs.asked.isEmpty());
    }

    void noSets()
    {
        line.sim.setSets({});
        QVERIFY(!openMemory());
        QCOMPARE(messages(), QStringList{"No Data in Memory"});
        QCOMPARE(dialogs.asked[0].icon, Platform::Icon::Information);
        QVERIFY(!loggerState().MemoryFormOpen);
        QVERIFY(timersOn());
        // "Erase" offers "Exit" alone, the timers on.
        p->Toolbar1_ButtonClick(QStringLiteral("Erase"));
        QCOMPARE(items(p->ComboErase), QStringList{"Exit"});
        QVERIFY(!p->PicErase->isHidden());
        QVERIFY(timersOn());
        QCOMPARE(messages().size(), 2);
    }

    // A first read of fewer than ten bytes, and directories that stall, stop
    // short, or come with bytes around them.
    void directoryRead_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("stallMs");
        QTest::addColumn<bool>("read");
        const int stall = int(MeterSim::Fault::StalledReplies);
        for (const QString c : {"Memory", "Erase"}) {
            const QByteArray n = c.toLatin1();
            QTest::addRow("%s short first read", n.data())
                << c << int(MeterSim::Fault::TruncatedReplies) << 0 << false;
            QTest::addRow("%s stall 1 s", n.data()) << c << stall << 1000 << true;
            QTest::addRow("%s cut, frames go on", n.data())
                << c << int(MeterSim::Fault::TruncatedReplies) << 1 << false;
            QTest::addRow("%s frame before", n.data())
                << c << int(MeterSim::Fault::FrameBeforeReply) << 0 << true;
            QTest::addRow("%s extra bytes", n.data())
                << c << int(MeterSim::Fault::ExtraBytes) << 0 << true;
        }
    }
    void directoryRead()
    {
        QFETCH(QString, command);
        QFETCH(int, fault);
        QFETCH(int, stallMs);
        QFETCH(bool, read);
        const auto f = MeterSim::Fault(fault);
        line.sim.setFault(f, true);
        line.sim.setStall(20, stallMs);
        line.sim.setTruncateAt(stallMs == 1 ? 20 : 5);
        QElapsedTimer t;
        t.start();
        p->Toolbar1_ButtonClick(command);
        const qint64 took = t.elapsed();
        QVERIFY2(took < 2900, qPrintable(QString::number(took)));
        // A list that could not be read whole says so, and shows nothing of it.
        QCOMPARE(messages().size(), read ? 0 : 1);
        if (!read)
            QVERIFY2(messages()[0].startsWith('"' + command + "\": the list of the sets") &&
                         messages()[0].endsWith("Nothing was changed on the meter."),
                     qPrintable(messages()[0]));
        QVERIFY(!p || !p->link().busy());
        if (command == QLatin1String("Memory")) {
            QCOMPARE(bool(Windows::find<Memory>()), read);
            QCOMPARE(loggerState().MemoryFormOpen, read);
            QVERIFY(timersOn());
            if (read) QCOMPARE(Windows::find<Memory>()->GridSet->rows(), 4);
        } else {
            QCOMPARE(p->PicErase->isHidden(), !read);
            QCOMPARE(timersOn(), !read);
            if (read) QCOMPARE(items(p->ComboErase), (QStringList{"Exit", "All", "1", "2", "3"}));
        }
        if (read) QCOMPARE(loggerState().SetAddress[2], quint16(0x0102));
        // The rest of a reply given up on comes later; it must not reach the next test.
        if (!read && f == MeterSim::Fault::StalledReplies) runFor(stallMs);
    }

    void closedWhileReadingTheDirectory_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("Memory") << "Memory";
        QTest::newRow("Erase") << "Erase";
    }
    void closedWhileReadingTheDirectory()
    {
        // The program closes while the directory's head is awaited: the read
        // ends, the port is free, and nothing is shown.
        line.sim.setFault(MeterSim::Fault::Silence, true);
        QTimer::singleShot(50, p.get(), [this] { p->close(); });
        p->Toolbar1_ButtonClick(fetch<QString>("command"));
        QVERIFY(Program::ending());
        QVERIFY(!p->link().busy());
        QVERIFY(messages().isEmpty());
        QVERIFY(!Windows::find<Memory>());
        Program::setEnding(false);
    }

    // ---- "Erase" ----

    void erase_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("Exit") << 0 << QByteArray();
        QTest::newRow("All") << 1 << QByteArray("H");
        QTest::newRow("set 2") << 3 << QByteArray("P\x01\x01", 3);
    }
    void erase()
    {
        QFETCH(int, item);
        QFETCH(QByteArray, sent);
        QVERIFY(openMemory());
        p->Toolbar1_ButtonClick(QStringLiteral("Erase"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!Windows::find<Memory>()); // "Erase" closed the logger window
        QVERIFY(!loggerState().MemoryFormOpen);
        QCOMPARE(items(p->ComboErase), (QStringList{"Exit", "All", "1", "2", "3"}));
        QCOMPARE(p->ComboErase->currentIndex(), 0);
        QVERIFY(timersOff());
        line.sim.clearLog();
        // A wheel or an arrow key over the closed combo erases nothing.
        QWheelEvent wheel(QPointF(5, 5), p->ComboErase->mapToGlobal(QPointF(5, 5)), {},
                          QPoint(0, -120), Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(p->ComboErase, &wheel);
        QTest::keyClick(p->ComboErase, Qt::Key_Down);
        QCOMPARE(p->ComboErase->currentIndex(), 0);
        QVERIFY(timersOff());
        pick(p->ComboErase, item);
        runFor(100);
        QCOMPARE(line.sim.received(), sent);
        QVERIFY(p->PicErase->isHidden());
        QVERIFY(timersOn());
        if (item == 3) QCOMPARE(line.sim.sets().size(), 2);
    }

    void eraseByAddressAndTwice()
    {
        MeterSim::Set s =
            MeterSim::makeSet(0x1234, QDateTime(QDate(2016, 3, 23), QTime(10, 0)), 1, 1);
        line.sim.setSets({s});
        p->Toolbar1_ButtonClick(QStringLiteral("Erase"));
        p->Toolbar1_ButtonClick(QStringLiteral("Erase"));
        QCOMPARE(items(p->ComboErase), (QStringList{"Exit", "All", "1"}));
        QCOMPARE(loggerState().SetAddress[0], quint16(4660));
        line.sim.clearLog();
        pick(p->ComboErase, 2);
        QVERIFY(line.sim.waitForReceived(3, 1000));
        QCOMPARE(line.sim.received(), QByteArray::fromHex("503412"));
        QVERIFY(line.sim.sets().isEmpty());
    }

    // ---- The download ----

    void downloadListsTheSet()
    {
        Meter::state().RecordLevel = 42.5;
        DataList* d = download(1);
        QVERIFY(d);
        QCOMPARE(line.sim.received(), QByteArray("O\x00\x01", 3));
        Memory* m = Windows::find<Memory>();
        QCOMPARE(m->Process_lbl->text(), QStringLiteral("100.0% Completed"));
        QVERIFY(m->GridSet->isEnabled());
        QCOMPARE(d->windowTitle(), QStringLiteral("100.0% Completed"));
        QCOMPARE(d->list().count(), 12);
        QCOMPARE(d->BoardCA->caption(), QStringLiteral("A"));
        QCOMPARE(d->BoardSFI->caption(), QStringLiteral("FAST"));
        QCOMPARE(d->BoardLevel->caption(), QStringLiteral("40-100"));
        QCOMPARE(loggerState().LoggerInterval, QStringLiteral("1"));
        QCOMPARE(d->list().text(1, 1), QStringLiteral("2024/05/14 09:30:00"));
        QCOMPARE(d->list().text(12, 0), QStringLiteral("12"));
        QCOMPARE(d->list().text(12, 1), QStringLiteral("2024/05/14 09:30:11"));
        QVERIFY(d->list().text(4, 2).endsWith('*')); // record 4 is paused
        QVERIFY(!d->list().text(3, 2).endsWith('*'));
        QCOMPARE(Meter::state().RecordLevel, 42.5); // the live reading is not touched
        QVERIFY(timersOn());
        QVERIFY(dialogs.asked.isEmpty());
        QVERIFY(d->grab().save(renderFile(QStringLiteral("datalist.png"))));
        QVERIFY(m->grab().save(renderFile(QStringLiteral("memory.png"))));
    }

    void downloadEmptySetAndStep()
    {
        DataList* d = download(2); // no records: 359 bytes
        QVERIFY(d);
        QCOMPARE(d->windowTitle(), QStringLiteral("Data List"));
        QCOMPARE(d->list().count(), 0);
        QCOMPARE(d->BoardCA->caption(), QStringLiteral("C"));
        QCOMPARE(d->BoardSFI->caption(), QStringLiteral("SLOW"));
        QCOMPARE(loggerState().LoggerInterval, QStringLiteral("5"));
        Windows::unloadAll();
        samplingState().DisplayStep = 7;
        d = download(3); // 600 records, every 7th listed
        QVERIFY(d);
        QCOMPARE(d->list().count(), 86LL);
        QCOMPARE(d->list().text(2, 1), QStringLiteral("2024/05/15 08:15:14"));
    }

    void unreadableIntervalSaysSo()
    {
        QList<MeterSim::Set> sets = MeterSim::defaultSets();
        sets[0].headerPatches[20] = "?";
        line.sim.setSets(sets);
        DataList* d = download(1);
        QVERIFY(d);
        QCOMPARE(d->list().count(), 12);
        QCOMPARE(d->list().text(12, 1), QStringLiteral("2024/05/14 09:30:11")); // its own time
        QCOMPARE(messages().size(), 1);
        QVERIFY(messages()[0].contains(QStringLiteral("own time")));
    }

    void clicksThatDoNothing()
    {
        Memory* m = openMemory();
        line.sim.clearLog();
        m->GridSet_Click(0); // the title row
        Meter::state().RunFlag = true;
        m->GridSet_Click(1);
        Meter::state().RunFlag = false;
        {
            Meter::PortToken held = p->link().take();
            m->GridSet_Click(1);
            p->Toolbar1_ButtonClick(QStringLiteral("Erase"));
            p->Toolbar1_ButtonClick(QStringLiteral("RTC"));
        }
        runFor(100);
        QCOMPARE(line.sim.received(), QByteArray());
        QVERIFY(!Windows::find<DataList>());
        QVERIFY(Windows::find<Memory>());
    }

    // Downloads that stall, stop short, come with bytes around them, or end
    // with the window; a failed one keeps the set list already shown.
    void downloadFaults_data()
    {
        QTest::addColumn<int>("fault"); // -1: Memory closed meanwhile
        QTest::addColumn<int>("stallMs");
        QTest::addColumn<bool>("listed");
        const int stall = int(MeterSim::Fault::StalledReplies);
        QTest::newRow("stall 1 s") << stall << 1000 << true;
        QTest::newRow("cut, frames go on") << int(MeterSim::Fault::TruncatedReplies) << 0 << false;
        QTest::newRow("frame before") << int(MeterSim::Fault::FrameBeforeReply) << 0 << true;
        QTest::newRow("extra bytes") << int(MeterSim::Fault::ExtraBytes) << 0 << true;
        QTest::newRow("window closed") << -1 << 0 << false;
    }
    void downloadFaults()
    {
        QFETCH(int, fault);
        QFETCH(bool, listed);
        QVERIFY(download(2)); // the set list shows set 2
        QPointer<DataList> shown = Windows::find<DataList>();
        QPointer<Memory> m = Windows::find<Memory>();
        QFETCH(int, stallMs);
        line.sim.setReplyFaultFilter("O");
        line.sim.setTruncateAt(0);
        if (fault < 0) {
            // The dump stalls; the window is closed meanwhile.
            stallMs = 3000;
            fault = int(MeterSim::Fault::StalledReplies);
            QTimer::singleShot(200, m, [m] { m->close(); });
        }
        line.sim.setFault(MeterSim::Fault(fault), true);
        line.sim.setStall(300, stallMs);
        QElapsedTimer t;
        t.start();
        m->GridSet_Click(1);
        const bool closed = !m;
        QCOMPARE(Windows::find<DataList>() != shown.data(), listed);
        if (listed) {
            QCOMPARE(Windows::find<DataList>()->list().count(), 12);
            QVERIFY(dialogs.asked.isEmpty());
        } else {
            QCOMPARE(shown->BoardCA->caption(), QStringLiteral("C"));
            QCOMPARE(messages().size(), closed ? 0 : 1);
            if (!closed) QVERIFY(m->GridSet->isEnabled());
        }
        QVERIFY(timersOn());
        QVERIFY(!p || !p->link().busy());
        // The rest of a reply given up on comes later; it must not reach the next test.
        if (!listed && fault == int(MeterSim::Fault::StalledReplies))
            runFor(int(std::max<qint64>(0, stallMs + 800 - t.elapsed())));
    }

    void noDownloadWhileTheListSaves()
    {
        QVERIFY(download(1));
        Memory* m = Windows::find<Memory>();
        DataList* d = Windows::find<DataList>();
        line.sim.clearLog();
        // A set clicked while the save dialog is open is refused.
        Platform::setDialogSeam([&](const Platform::DialogRequest&) {
            m->GridSet_Click(2);
            Platform::DialogAnswer a;
            a.accepted = false;
            return a;
        });
        d->Toolbar1_ButtonClick(QStringLiteral("Save"));
        runFor(100);
        QCOMPARE(line.sim.received(), QByteArray());
        QCOMPARE(Windows::find<DataList>(), d);
    }

    // The whole round with the live ticks running, as a user goes through it.
    void wholeRoundWithLiveTicks()
    {
        line.sim.setRunState(MeterSim::RunState::Stop);
        QTRY_VERIFY_WITH_TIMEOUT(p->LblStop->isVisible(), 3000);
        Memory* m = openMemory();
        QVERIFY(m);
        // The number of a set's row downloads it too.
        QHeaderView* numbers = m->GridSet->verticalHeader();
        QTest::mouseClick(numbers->viewport(), Qt::LeftButton, {},
                          QPoint(numbers->width() / 2, numbers->sectionViewportPosition(0) + 3));
        QTRY_VERIFY_WITH_TIMEOUT(Windows::find<DataList>() && m->GridSet->isEnabled(), 3000);
        DataList* d = Windows::find<DataList>();
        QCOMPARE(d->list().count(), 12);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("set.dvrk"));
        dialogs.answers.append(ScriptedDialogs::file(path, 1));
        d->Toolbar1_ButtonClick(QStringLiteral("Save"));
        const DataFile::ReadResult back = DataFile::readFile(path);
        QVERIFY(back.complete());
        QVERIFY(back.rows == d->list().records());
        p->Toolbar1_ButtonClick(QStringLiteral("Erase"));
        QVERIFY(!p->PicErase->isHidden());
        QVERIFY(p->grab().save(renderFile(QStringLiteral("panel-erase.png"))));
        pick(p->ComboErase, 2);
        QTRY_COMPARE_WITH_TIMEOUT(line.sim.sets().size(), 2, 2000);
        QVERIFY(timersOn());
        // Frames keep coming and are shown again.
        QTRY_VERIFY_WITH_TIMEOUT(p->LblCOM->text() == QLatin1String("COM1"), 3000);
    }

    void closedWhileDownloading_data()
    {
        QTest::addColumn<bool>("main"); // the main window rather than the logger window
        QTest::newRow("logger window") << false;
        QTest::newRow("main window") << true;
    }
    void closedWhileDownloading()
    {
        // A real click on a set of 1000 records, 10 s on the line; a window
        // closed meanwhile ends the download, and nothing runs on it after.
        auto sets = MeterSim::defaultSets();
        sets[0] = MeterSim::makeSet(0x0100, QDateTime(QDate(2024, 5, 14), QTime(9, 30)), 1, 1000);
        line.sim.setSets(sets);
        QPointer<Memory> m = openMemory();
        QVERIFY(m);
        line.sim.setPacing(true);
        bool closed = false;
        QTimer::singleShot(500, this, [&] {
            QVERIFY(p->link().busy());
            closed = true;
            if (fetch<bool>("main"))
                p->close();
            else
                m->close();
        });
        QTest::mouseClick(m->GridSet->viewport(), Qt::LeftButton, {},
                          m->GridSet->visualRect(m->GridSet->model()->index(0, 0)).center());
        QTRY_VERIFY_WITH_TIMEOUT(closed && (!p || !p->link().busy()), 3000);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!m);
        QVERIFY(!Windows::find<DataList>());
        if (!fetch<bool>("main")) QVERIFY(timersOn());
        Program::setEnding(false);
    }

    void meterUnpluggedMidDownload()
    {
        Memory* m = openMemory();
        line.sim.setPacing(true); // 600 records take 6 s on the line
        QTimer::singleShot(500, [this] { line.sim.stop(); });
        QElapsedTimer t;
        t.start();
        m->GridSet_Click(3);
        QVERIFY2(t.elapsed() < 1500, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(messages().size(), 1);
        QVERIFY(!Windows::find<DataList>());
        QVERIFY(line.start(1));
    }
};

QTEST_MAIN(TestLogger)
#include "test_logger.moc"
