// Recording live samples, saving the live list and the automatic dump,
// against the simulator, with a clock of the test's own.

#include "fixture.h"
#include "meter/filetransfer.h"
#include "meter/panel.h"
#include "meter/pictures.h"
#include "platform/grid.h"
#include "platform/recordlistview.h"
#include "platform/timer.h"
#include "platform/toolbar.h"
#include "records/core/filetransferstate.h"
#include "records/core/fulldisk.h"
#include "records/savedialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QToolButton>
#include <cerrno>

namespace {

QDateTime clockNow;
qint64 skewNs = 0;
// The date and time of the samples are the test's, and so is a jump of the
// monotonic time; waits run as usual.
struct TestClock : Clock
{
    QDateTime now() override { return clockNow; }
    qint64 elapsedNs() override { return Clock::elapsedNs() + skewNs; }
} testClock;

QByteArray golden(const QString& name)
{
    return fileContents(QStringLiteral(DORVI_TEST_DATA "/") + name);
}

QList<QByteArray> lines(const QByteArray& bytes)
{
    QList<QByteArray> out = bytes.split('\n');
    if (!out.isEmpty() && out.last().isEmpty()) out.removeLast();
    return out;
}

// The messages shown without blocking (a seam answers none of them).
QList<QMessageBox*> notices()
{
    QList<QMessageBox*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) out.append(b);
    return out;
}

// "Fake" holds whole record lines numbered 1, 2, ... after its title line;
// the number of them, or -1.
int wholeLinesInOrder(const QByteArray& fake)
{
    const QList<QByteArray> l = lines(fake);
    if (!fake.endsWith("\r\n") || l.isEmpty() || !l[0].startsWith("No.s")) return -1;
    for (int i = 1; i < l.size(); ++i)
        if (!l[i].startsWith(QByteArray::number(i) + '\t') || l[i].count('\r') != 1 ||
            !l[i].endsWith("\t\r"))
            return -1;
    return int(l.size()) - 1;
}

} // namespace

class TestRecording : public QObject
{
    Q_OBJECT
    SimLine line;
    ScriptedDialogs dialogs;
    QTemporaryDir work;
    std::unique_ptr<Panel> p;

    QString path(const QString& name) const { return work.filePath(name); }

    // One statistics tick at the given level, one second after the last.
    void tick(int tenths, bool marked = false)
    {
        clockNow = clockNow.addSecs(1);
        Meter::DecodeLevel(uint8_t((tenths >> 8) | (marked ? 0x80 : 0)), uint8_t(tenths & 0xFF));
        p->LblValue->setText(Meter::state().LevelText);
        p->Timer2_Timer();
    }
    void boards(const QString& ca, const QString& sfi, const QString& level)
    {
        p->BoardCA->setCaption(ca);
        p->BoardSFI->setCaption(sfi);
        p->BoardLevel->setCaption(level);
    }
    // "Save", "By PC Sampling Rate", "OK" with the file chosen in the given filter.
    void startRecording(const QString& file, int filter = 1)
    {
        dialogs.answers.append(ScriptedDialogs::file(file, filter));
        p->Toolbar1_ButtonClick(QStringLiteral("Save"));
        QVERIFY(!p->PicSave->isHidden());
        QVERIFY(p->OptSampling->isChecked());
        p->CmdSaveOK->click();
        QVERIFY(p->PicSave->isHidden());
    }
    void saveList(const QString& file, int filter = 1)
    {
        dialogs.answers.append(ScriptedDialogs::file(file, filter));
        p->Toolbar1_ButtonClick(QStringLiteral("Save"));
        p->OptSaveList->click();
        p->CmdSaveOK->click();
    }
    void stop() { p->Toolbar1_ButtonClick(QStringLiteral("Save")); }
    QString tooltip() const { return p->Toolbar1->button(1)->toolTip(); }
    QStringList messages() const
    {
        QStringList out;
        for (const auto& r : dialogs.of(Platform::DialogRequest::Message))
            out.append(r.text);
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(line.start(1));
        QVERIFY(QDir::setCurrent(work.path()));
    }
    void init()
    {
        resetModuleState();
        clockNow = QDateTime(QDate(2016, 3, 23), QTime(10, 0, 0));
        skewNs = 0;
        Clock::set(&testClock);
        dialogs = {};
        dialogs.install();
        for (const QString& f :
             QDir(work.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot))
            QFileInfo(path(f)).isDir() ? void(QDir(path(f)).removeRecursively())
                                       : void(QFile::remove(path(f)));
        QVERIFY((p = loadedPanel()));
        liveState().SampleTick = 1; // every tick takes a sample
    }
    void cleanup() { p.reset(); }

    void recordingFiles_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("title");
        QTest::newRow("tab") << 1 << "recording_tab.dvrk"
                             << QByteArray("No.s\tDate Time\tdB\t\r\n");
        QTest::newRow("comma") << 2 << "recording_comma.csv" << QByteArray("No.s,Date Time,dB\r\n");
    }
    void recordingFiles()
    {
        QFETCH(QString, file);
        boards(QStringLiteral("A"), QStringLiteral("FAST"), QStringLiteral("30-90"));
        startRecording(path(file), fetch<int>("filter"));
        QVERIFY(recordingState().Recording);
        QCOMPARE(tooltip(), QStringLiteral("Stop Recording"));
        QCOMPARE(p->LblFileName->text(), file);
        QVERIFY(!p->LblRec->isHidden());
        QTEST(fileContents(QStringLiteral("Fake")), "title");

        tick(601);
        QCOMPARE(p->LblCount->text(), QStringLiteral("1"));
        QCOMPARE(p->LblRec->text(), QStringLiteral("Rec"));
        tick(653, true);
        tick(580);
        stop();
        QVERIFY(!recordingState().Recording);
        QCOMPARE(tooltip(), QStringLiteral("Save As"));
        QVERIFY(p->LblRec->isHidden());
        QCOMPARE(p->LblCount->text(), QString());
        QCOMPARE(p->LblFileName->text(), QString());
        QCOMPARE(fileContents(path(file)), golden(file));
        QCOMPARE(liveState().RecMaxText, QString());
        QCOMPARE(recordingState().RecordedLines, 0LL);
        QVERIFY(!fileTransferState().FileChosen);
    }

    void stoppedWithNothingAboveZero()
    {
        boards(QStringLiteral("A"), QStringLiteral("FAST"), QStringLiteral("30-90"));
        startRecording(path(QStringLiteral("empty.dvrk")));
        stop();
        QCOMPARE(fileContents(path(QStringLiteral("empty.dvrk"))),
                 golden(QStringLiteral("recording_empty.dvrk")));
    }

    void listFiles_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("file");
        QTest::newRow("tab") << 1 << "list_tab.dvrk";
        QTest::newRow("comma") << 2 << "list_comma.csv";
        QTest::newRow("all files is tab") << 3 << "list_tab.dvrk";
    }
    void listFiles()
    {
        boards(QStringLiteral("C"), QStringLiteral("SLOW"), QStringLiteral("70-130"));
        samplingState().PcSamplingTime = 2;
        LiveState& s = liveState();
        s.MaxLevel = 94;
        s.MaxTime = QStringLiteral("2016/03/23 10:00:05");
        s.SelText = QStringLiteral("98.1");
        s.LeqText = QStringLiteral("92.3");
        const QStringList times = {"2016/03/23 10:00:03", "2016/03/23 10:00:05",
                                   "2016/03/23 10:00:07"};
        const QStringList levels = {"88.4", "94.0", "90.2*"};
        for (int i = 0; i < 3; ++i)
            p->liveRecords().append(QString::number(i + 1), times[i], levels[i]);
        QString shownCaption;
        p->setWindowTitle(QStringLiteral("PANEL   V10.05"));
        const QString target = path(QStringLiteral("saved"));
        saveList(target, fetch<int>("filter"));
        QCOMPARE(fileContents(target), golden(fetch<QString>("file")));
        QCOMPARE(p->windowTitle(), QStringLiteral("PANEL   V10.05"));
        QVERIFY(!fileTransferState().FileChosen);
        QVERIFY(!QFile::exists(target + QStringLiteral(".dvrk"))); // no extension is added
        QCOMPARE(dialogs.of(Platform::DialogRequest::SaveFile).first().filter,
                 QStringLiteral(
                     "Data Files (*.dvrk)|*.dvrk|Data Files (*.csv)|*.csv|All Files (*.*)|*.*|"));
        QVERIFY(dialogs.of(Platform::DialogRequest::SaveFile).first().confirmOverwrite);
    }

    void emptyListSave()
    {
        saveList(path(QStringLiteral("empty-list.dvrk")));
        const QList<QByteArray> l = lines(fileContents(path(QStringLiteral("empty-list.dvrk"))));
        QCOMPARE(l.size(), 10);
        QCOMPARE(l[5], QByteArray(" 0\r"));
        QCOMPARE(l[9], QByteArray("No.s\tDate Time\tdB\t\r"));
    }

    void cancelledDialogChangesNothing()
    {
        p->Toolbar1_ButtonClick(QStringLiteral("Save"));
        p->CmdSaveOK->click(); // the default answer of a file dialog here is a cancel
        QVERIFY(!recordingState().Recording);
        QCOMPARE(tooltip(), QStringLiteral("Save As"));
        QVERIFY(!QFile::exists(QStringLiteral("Fake")));
        p->Toolbar1_ButtonClick(QStringLiteral("Save"));
        p->OptSaveList->click();
        p->CmdSaveOK->click();
        QCOMPARE(QDir(work.path()).entryList(QDir::Files).size(), 0);
    }

    void startsAtAnyListRecord()
    {
        for (int i = 0; i < 56; ++i)
            tick(600);
        QCOMPARE(liveState().LiveCount, 56LL);
        startRecording(path(QStringLiteral("r.dvrk")));
        tick(610);
        QCOMPARE(p->GridN[0]->textMatrix(57, 0), QStringLiteral("57"));
        stop();
        const QList<QByteArray> l = lines(fileContents(path(QStringLiteral("r.dvrk"))));
        QCOMPARE(l.size(), 11);
        QVERIFY(l[10].startsWith("1\t2016/03/23 10:00:57\t61.0\t"));
    }

    void twoRecordingsInARow()
    {
        startRecording(path(QStringLiteral("one.dvrk")));
        tick(900);
        tick(700);
        stop();
        tick(950); // between recordings: counts for neither
        startRecording(path(QStringLiteral("two.dvrk")));
        tick(650);
        tick(800);
        tick(640);
        stop();
        const QList<QByteArray> two = lines(fileContents(path(QStringLiteral("two.dvrk"))));
        QCOMPARE(two[5], QByteArray("80.0\r"));
        QCOMPARE(two[6], QByteArray("2016/03/23 10:00:05\r"));
        QCOMPARE(two.size(), 13);
        QVERIFY(two[10].startsWith("1\t"));
        QVERIFY(two[12].startsWith("3\t"));
        const QList<QByteArray> one = lines(fileContents(path(QStringLiteral("one.dvrk"))));
        QCOMPARE(one[5], QByteArray("90.0\r"));
    }

    void samplingTimeAtTheStop()
    {
        startRecording(path(QStringLiteral("r.dvrk")));
        tick(600);
        samplingState().PcSamplingTime = 7;
        tick(600);
        stop();
        QCOMPARE(lines(fileContents(path(QStringLiteral("r.dvrk"))))[1], QByteArray(" 7\r"));
    }

    void okWhileRecordingOnlyHides()
    {
        startRecording(path(QStringLiteral("r.dvrk")));
        tick(600);
        p->PicSave->show();
        p->OptSaveList->click();
        p->CmdSaveOK->click();
        QVERIFY(p->PicSave->isHidden());
        QVERIFY(recordingState().Recording);
        QCOMPARE(dialogs.of(Platform::DialogRequest::SaveFile).size(), 1);
        stop();
    }

    void stopsByItselfAtTheLimit()
    {
        recordingState().RecordLimit = 5;
        startRecording(path(QStringLiteral("full.dvrk")));
        for (int i = 0; i < 5; ++i)
            tick(600 + i);
        QVERIFY(!recordingState().Recording);
        QCOMPARE(tooltip(), QStringLiteral("Save As"));
        const QList<QByteArray> l = lines(fileContents(path(QStringLiteral("full.dvrk"))));
        QCOMPARE(l.size(), 9 + 1 + 5);
        QVERIFY(l.last().startsWith("5\t"));
        tick(700);
        QCOMPARE(liveState().LiveCount, 6LL);
        QCOMPARE(lines(fileContents(path(QStringLiteral("full.dvrk")))).size(), 15);
    }

    void recordingStatisticsStartEmpty()
    {
        LiveState& s = liveState();
        s.RecLeqText = QStringLiteral("99.9");
        s.RecSelText = QStringLiteral("99.9");
        s.RecMaxText = QStringLiteral("99.9");
        s.RecMaxTime = QStringLiteral("old");
        startRecording(path(QStringLiteral("r.dvrk")));
        stop();
        const QList<QByteArray> l = lines(fileContents(path(QStringLiteral("r.dvrk"))));
        QCOMPARE(l[5], QByteArray(" 0\r"));
        QCOMPARE(l[6], QByteArray("\r"));
        QCOMPARE(l[7], QByteArray("\r"));
        QCOMPARE(l[8], QByteArray("\r"));
    }

    // ---- Nothing is lost ----

    void lostMeterKeepsTheRecording()
    {
        const QString file = path(QStringLiteral("lost.dvrk"));
        startRecording(file);
        tick(600);
        tick(610);
        line.sim.setLiveFrames(true);
        Platform::setDialogSeam({}); // the real message, which must not hold anything up
        FileTransfer::ResetAndResync(*p);
        QVERIFY(!recordingState().Recording);
        QCOMPARE(tooltip(), QStringLiteral("Save As"));
        const QList<QByteArray> l = lines(fileContents(file));
        QCOMPARE(l.size(), 12);
        QCOMPARE(l[8], QByteArray("60.5\r")); // Leq of the recording
        QCOMPARE(liveState().LiveCount, 0LL);
        QCOMPARE(recordingState().RecordedLines, 0LL);
        // Told without holding the ticks up: samples go on while it shows.
        QCOMPARE(notices().size(), 1);
        QMessageBox* box = notices().first();
        QVERIFY(!box->isModal());
        QVERIFY(box->text().contains(QStringLiteral("meter stopped answering")));
        QVERIFY(
            !box->text().contains(QLatin1Char('\r'))); // line breaks as a message box shows them
        QVERIFY2(box->text().contains(
                     QStringLiteral("2 records are in %1").arg(QDir::toNativeSeparators(file))),
                 qPrintable(box->text()));
        tick(620);
        tick(620);
        QCOMPARE(liveState().LiveCount, 2LL);
        QVERIFY(box->isVisible());
        box->close();
    }

    void closeKeepsTheRecording()
    {
        startRecording(path(QStringLiteral("closed.dvrk")));
        tick(600);
        QSignalSpy ended(p.get(), &Panel::unloaded);
        p->close();
        QCOMPARE(ended.size(), 1);
        QCOMPARE(lines(fileContents(path(QStringLiteral("closed.dvrk")))).size(), 11);
        QVERIFY(messages().isEmpty());
    }

    void fullDisk_data()
    {
        QTest::addColumn<bool>("mount");
        QTest::addColumn<bool>("roomAgain"); // before the stop
        QTest::newRow("tmpfs, room again") << true << true;
        QTest::newRow("tmpfs, stopped while full") << true << false;
        QTest::newRow("seam, room again") << false << true;
        QTest::newRow("seam, stopped while full") << false << false;
    }
    void fullDisk()
    {
        FullDisk disk(fetch<bool>("mount"));
        if (fetch<bool>("mount") && !disk.mounted()) QSKIP("no tmpfs may be mounted here");
        QVERIFY(QDir::setCurrent(disk.path()));
        const auto back = qScopeGuard([this] { QDir::setCurrent(work.path()); });
        const QString target = disk.filePath(QStringLiteral("old.dvrk"));
        const QByteArray old = "Real Time\r\nan earlier recording\r\n";
        QVERIFY(DataFile::saveFile(target, old));
        startRecording(target);
        tick(600);
        tick(601);

        // Full: lines wait, one message tells it and the ticks go on.
        disk.fill();
        Platform::setDialogSeam({});
        for (int i = 0; i < 400 && notices().isEmpty(); ++i)
            tick(600 + i % 50);
        QCOMPARE(notices().size(), 1);
        QMessageBox* box = notices().first();
        QVERIFY(!box->isModal());
        const QString fake = QDir::toNativeSeparators(disk.filePath(QStringLiteral("Fake")));
        QVERIFY2(box->text().contains(fake) && box->text().contains(qt_error_string(ENOSPC)),
                 qPrintable(box->text()));
        const long long listed = liveState().LiveCount;
        const long long recorded = recordingState().RecordedLines;
        for (int i = 0; i < 5; ++i)
            tick(700);
        QCOMPARE(liveState().LiveCount, listed + 5);
        QCOMPARE(recordingState().RecordedLines, recorded + 5);
        QCOMPARE(notices().size(), 1); // once, not at every tick
        const int inFake = wholeLinesInOrder(fileContents(QStringLiteral("Fake")));
        QVERIFY(inFake >= 2 && inFake < recorded);
        box->close();
        dialogs.install();

        if (fetch<bool>("roomAgain")) {
            disk.makeRoom();
            tick(710); // the waiting lines first, in order, then its own
            QCOMPARE(wholeLinesInOrder(fileContents(QStringLiteral("Fake"))), recorded + 6);
            stop();
            QVERIFY(messages().isEmpty());
            const QByteArray file = fileContents(target);
            QCOMPARE(wholeLinesInOrder(file.mid(file.indexOf("No.s"))), recorded + 6);
            return;
        }
        // Both full: the sampling ends, the records wait and the key stays "Stop".
        stop();
        QVERIFY(!recordingState().Recording);
        QCOMPARE(tooltip(), QStringLiteral("Stop Recording"));
        QCOMPARE(fileContents(target), old); // the earlier file stays whole
        QCOMPARE(messages().size(), 1);
        const QString m = messages()[0];
        QVERIFY2(m.contains(QDir::toNativeSeparators(target)) &&
                     m.contains(qt_error_string(ENOSPC)) &&
                     m.contains(QStringLiteral("Its %1 records are kept: the first %2 in the "
                                               "file \"Fake\", the last %3 in memory")
                                    .arg(recorded + 5)
                                    .arg(inFake)
                                    .arg(recorded + 5 - inFake)) &&
                     m.contains(QStringLiteral("tries again")),
                 qPrintable(m));
        QCOMPARE(wholeLinesInOrder(fileContents(QStringLiteral("Fake"))), inFake);
        tick(950); // joins the live list only, and not the header's maximum

        // Room again: the next stop writes every record, in order.
        disk.makeRoom();
        stop();
        QCOMPARE(tooltip(), QStringLiteral("Save As"));
        const QByteArray file = fileContents(target);
        QCOMPARE(wholeLinesInOrder(file.mid(file.indexOf("No.s"))), recorded + 5);
        QCOMPARE(lines(file)[5], QByteArray("70.0\r"));
        QCOMPARE(messages().size(), 2);

        // A list saved over the same file fails alike and keeps it.
        disk.fill();
        saveList(target);
        QCOMPARE(fileContents(target), file);
        QCOMPARE(messages().size(), 3);
        QVERIFY(messages()[2].contains(QDir::toNativeSeparators(target)) &&
                messages()[2].contains(qt_error_string(ENOSPC)));
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files), (QStringList{"Fake", "old.dvrk"}));
    }

    void closeWhileBothFull_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("no keeps it running") << false;
        QTest::newRow("yes closes") << true;
    }
    void closeWhileBothFull()
    {
        FullDisk disk(false);
        QVERIFY(QDir::setCurrent(disk.path()));
        const auto back = qScopeGuard([this] { QDir::setCurrent(work.path()); });
        const QString target = disk.filePath(QStringLiteral("r.dvrk"));
        startRecording(target);
        tick(600);
        disk.fill();
        tick(610);
        tick(620);
        QSignalSpy ended(p.get(), &Panel::unloaded);
        Platform::DialogAnswer answer;
        answer.accepted = fetch<bool>("yes");
        dialogs.answers.append(answer);
        p->close();
        QCOMPARE(messages().size(), 2); // "Fake" full, then the question
        const Platform::DialogRequest asked = dialogs.of(Platform::DialogRequest::Message)[1];
        QVERIFY(asked.yesNo);
        QVERIFY2(asked.text.contains(QStringLiteral("the last 2 of its 3 records are lost")),
                 qPrintable(asked.text));
        QCOMPARE(ended.size(), answer.accepted ? 1 : 0);
        if (answer.accepted) return;
        QCOMPARE(tooltip(), QStringLiteral("Stop Recording"));
        disk.makeRoom();
        stop();
        const QByteArray file = fileContents(target);
        QCOMPARE(wholeLinesInOrder(file.mid(file.indexOf("No.s"))), 3);
    }

    void scratchCannotBeCreated()
    {
        QVERIFY(QDir(work.path()).mkdir(QStringLiteral("Fake")));
        startRecording(path(QStringLiteral("r.dvrk")));
        QVERIFY(!recordingState().Recording);
        QCOMPARE(tooltip(), QStringLiteral("Save As"));
        QCOMPARE(p->LblFileName->text(), QString());
        QVERIFY(p->LblRec->isHidden());
        QCOMPARE(messages().size(), 1);
        QVERIFY(messages()[0].contains(QStringLiteral("\"Fake\"")));
        tick(600);
        QVERIFY(!QFile::exists(path(QStringLiteral("r.dvrk"))));
    }

    void scratchRefusedAsTarget()
    {
        startRecording(path(QStringLiteral("Fake")));
        QVERIFY(!recordingState().Recording);
        QCOMPARE(messages().size(), 1);
        saveList(QStringLiteral("Fake"));
        QCOMPARE(messages().size(), 2);
        QVERIFY(!QFile::exists(QStringLiteral("Fake")));
    }

    void otherSavesLeaveTheRecordingAlone()
    {
        // Another save (a downloaded set's, say) asks the dialog again while
        // the recording runs: its file and separator stay the recording's own.
        startRecording(path(QStringLiteral("rec.csv")), 2);
        tick(600);
        dialogs.answers.append(ScriptedDialogs::file(path(QStringLiteral("other.dvrk")), 1));
        FileTransfer::ShowSaveDialog(p->Cmd, p.get());
        QCOMPARE(fileTransferState().SaveFileName, path(QStringLiteral("other.dvrk")));
        tick(610);
        stop();
        const QList<QByteArray> rec = lines(fileContents(path(QStringLiteral("rec.csv"))));
        QCOMPARE(rec.size(), 12);
        QCOMPARE(rec[9], QByteArray("No.s,Date Time,dB\r"));
        QVERIFY(rec[11].startsWith("2,"));
        QVERIFY(!QFile::exists(path(QStringLiteral("other.dvrk"))));
    }

    void finalFileCannotBeWritten()
    {
        const QString target = path(QStringLiteral("no-such-folder/r.dvrk"));
        startRecording(target);
        tick(600);
        stop();
        QVERIFY(!recordingState().Recording);
        QCOMPARE(messages().size(), 1);
        QVERIFY(messages()[0].contains(QDir::toNativeSeparators(target)));
        QCOMPARE(lines(fileContents(QStringLiteral("Fake"))).size(), 2); // kept
    }

    void refusedWhileStopping()
    {
        recordingState().Stopping = true;
        p->Toolbar1_ButtonClick(QStringLiteral("Save"));
        QVERIFY(p->PicSave->isHidden());
        p->SaveMode = 1;
        p->CmdSaveOK_Click();
        QCOMPARE(dialogs.asked.size(), 0);
        recordingState().Stopping = false;
    }

    // ---- The automatic dump ----

    void dumpOfAFullList()
    {
        recordingState().ListLimit = 3;
        const int levels[] = {653, 653, 660};
        for (int i = 0; i < 3; ++i)
            tick(levels[i], i == 1);
        QCOMPARE(p->GridN[0]->rows(), 4);
        clockNow = QDateTime(QDate(2016, 3, 23), QTime(10, 15, 29));
        tick(700); // asks for the dump: no row of its own
        QCOMPARE(fileContents(QStringLiteral("0323101530.dvrk")),
                 golden(QStringLiteral("0323101530.dvrk")));
        QCOMPARE(p->GridN[0]->rows(), 1);
        QCOMPARE(liveState().LiveCount, 3LL);
        QCOMPARE(p->windowTitle(), QStringLiteral("PANEL   V10.05"));
        tick(710);
        tick(720);
        QCOMPARE(p->GridN[0]->rows(), 3);
        QCOMPARE(p->GridN[0]->textMatrix(1, 0), QStringLiteral("4"));
        tick(730);
        clockNow = QDateTime(QDate(2016, 3, 23), QTime(10, 20, 0));
        tick(740); // the next dump, three records later
        const QList<QByteArray> next = lines(fileContents(QStringLiteral("0323102001.dvrk")));
        QCOMPARE(next.size(), 4);
        QVERIFY(next[1].startsWith("4\t"));
    }

    void dumpThatCannotBeWritten()
    {
        recordingState().ListLimit = 2;
        tick(600);
        tick(600);
        clockNow = QDateTime(QDate(2016, 3, 23), QTime(11, 0, 0));
        QVERIFY(QDir(work.path()).mkdir(QStringLiteral("0323110001.dvrk")));
        tick(600);
        tick(600);
        tick(600);
        QCOMPARE(messages().size(), 1);
        QVERIFY(dialogs.of(Platform::DialogRequest::Message)[0].modeless); // raised in a tick
        QCOMPARE(p->GridN[0]->rows(), 3);                                  // kept
        p->Toolbar1_ButtonClick(QStringLiteral("Refresh"));
        tick(600);
        QCOMPARE(p->GridN[0]->rows(), 2);
    }

    void dumpTriedAgainWhenRoomIsBack()
    {
        recordingState().ListLimit = 2;
        tick(600);
        tick(600);
        DataFile::setRoomLeft(0);
        const auto room = qScopeGuard([] { DataFile::setRoomLeft(std::nullopt); });
        tick(600); // the dump fails: the list is kept
        QCOMPARE(messages().size(), 1);
        DataFile::setRoomLeft(std::nullopt);
        tick(600); // too soon for another try
        QCOMPARE(p->GridN[0]->rows(), 3);
        skewNs = 10'000'000'000;
        tick(610);
        QCOMPARE(p->GridN[0]->rows(), 1);
        QCOMPARE(messages().size(), 2);
        QVERIFY(dialogs.of(Platform::DialogRequest::Message)[1].modeless);
        QVERIFY(messages()[1].contains(QStringLiteral("grows again")));
        tick(620);
        QCOMPARE(p->GridN[0]->rows(), 2);
    }
};

QTEST_MAIN(TestRecording)
#include "test_recording.moc"
