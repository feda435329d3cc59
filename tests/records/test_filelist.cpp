// "Open" and the record-list windows: which window a file goes to, what it
// shows, the progress caption, the timers, the toolbar and the grids.

#include "common/graphstate.h"
#include "listfixture.h"
#include "platform/grid.h"
#include "platform/recordlistview.h"
#include "platform/toolbar.h"
#include "realfiledialog.h"
#include "records/filelist.h"
#include "records/listcommands.h"
#include "testutil.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

namespace {

QString panels(const RecordListWindow& w)
{
    QStringList out;
    for (const char* name :
         {"BoardCA", "BoardSFI", "BoardLevel", "Board05", "Board10", "Board50", "Board90",
          "Board95", "BoardMaxdB", "BoardMaxTime", "BoardSEL", "BoardLeq"})
        if (SSPanel* b = w.board(QString::fromLatin1(name))) out << b->caption();
    return out.join('|');
}

QString rows(RecordListWindow& w)
{
    QStringList out;
    for (int r = 1; r < w.GridN[0]->rows(); ++r)
        out << QStringList{w.GridN[0]->textMatrix(r, 0), w.GridN[1]->textMatrix(r, 0),
                           w.GridN[2]->textMatrix(r, 0)}
                   .join('|');
    return out.join(';');
}

RecordListWindow* shown()
{
    if (auto* w = Windows::find<FileList>(); w && w->isVisible()) return w;
    if (auto* w = Windows::find<FileListReal>(); w && w->isVisible()) return w;
    return nullptr;
}

} // namespace

class TestFileList : public QObject
{
    Q_OBJECT
    Script script;
    std::unique_ptr<Panel> p;
    QTemporaryDir dir;

    // "Open" on the file; the captions Panel showed meanwhile.
    QStringList open(const QString& path)
    {
        QStringList captions;
        auto c = connect(p.get(), &QWidget::windowTitleChanged, this,
                         [&](const QString& t) { captions << t; });
        script.file(path);
        p->Toolbar1_ButtonClick(QStringLiteral("Open"));
        disconnect(c);
        return captions;
    }

private slots:
    void init() { p = freshPanel(script); }
    void cleanup()
    {
        Windows::unloadAll();
        p.reset();
        Platform::setDialogSeam({});
    }

    void goldenFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("panels");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("firstCaption");
        QTest::addColumn<bool>("message");

        const QString rec = "A|FAST|30-90|65.3*|2016/03/23 10:00:02|67.0|62.2";
        const QString live = "C|SLOW|70-130|94|2016/03/23 10:00:05|98.1|92.3";
        QTest::newRow("recording")
            << "recording_tab.dvrk"
            << "FileListReal" << rec
            << "1|2016/03/23 10:00:01|60.1;2|2016/03/23 10:00:02|65.3*;3|2016/03/23 10:00:03|58.0"
            << "9 Records Completed" << false;
        QTest::newRow("live list")
            << "list_tab.dvrk"
            << "FileListReal" << live
            << "1|2016/03/23 10:00:03|88.4;2|2016/03/23 10:00:05|94.0;3|2016/03/23 10:00:07|90.2*"
            << "9 Records Completed" << false;
        QTest::newRow("recording, commas") << "recording_comma.csv"
                                           << "FileListReal" << rec << ""
                                           << "" << true;
        QTest::newRow("live list, commas") << "list_comma.csv"
                                           << "FileListReal" << live << ""
                                           << "" << true;
        QTest::newRow("recording without records") << "recording_empty.dvrk"
                                                   << "FileListReal"
                                                   << "A|FAST|30-90|0|||"
                                                   << ""
                                                   << "" << false;
        // No placeholder passes for a value of the dump.
        QTest::newRow("dump")
            << "0323101530.dvrk"
            << "FileListReal"
            << "||||||"
            << "1|2016/03/23 10:00:01|65.3;2|2016/03/23 10:00:02|65.3*;3|2016/03/23 10:00:03|66.0"
            << "0 Records Completed" << false;
        QTest::newRow("logger set, labels cut")
            << "logger2.dvrk"
            << "FileList"
            << "A|SLOW|30-90| 52.4| 50.8| 46.2| 44.1| 43.7| 58.9|2016/03/23 10:00:15| 62.3| 49.9"
            << "1|2016/03/23 10:00:00| 45.3;2|2016/03/23 10:00:05| 46.1*;"
               "3|2016/03/23 10:00:10|--;4|2016/03/23 10:00:15| 58.9;5|2016/03/23 10:00:20|L"
            << "14 Records Completed" << false;
        QTest::newRow("older logger file, values whole")
            << "logger_old.dvrk"
            << "FileList"
            << "A|SLOW|30-90| 52.4|50.8|46.2|44.1|43.7|58.9|2016/03/23 10:00:15|62.3|49.9"
            << "1|2016/03/23 10:00:00|45.3;2|2016/03/23 10:00:05|46.1*"
            << "14 Records Completed" << false;
    }
    void goldenFiles()
    {
        const QString file = fetch<QString>("file");
        const QString caption = p->windowTitle();
        const QStringList captions = open(dataFile(file));
        RecordListWindow* w = shown();
        QVERIFY(w);
        QCOMPARE(QString::fromLatin1(w->metaObject()->className()), fetch<QString>("window"));
        QCOMPARE(w->windowTitle(), file);
        QCOMPARE(panels(*w), fetch<QString>("panels"));
        QCOMPARE(rows(*w), fetch<QString>("rows"));
        QCOMPARE(p->windowTitle(), caption);
        QVERIFY(timersOn(*p));
        const QString first = fetch<QString>("firstCaption");
        QCOMPARE(captions.value(0, caption), first.isEmpty() ? caption : first);
        const auto messages = script.of(Platform::DialogRequest::Message);
        QCOMPARE(messages.size(), fetch<bool>("message") ? 1 : 0);
        if (!messages.isEmpty()) QVERIFY(messages[0].text.contains("comma form"));
        QVERIFY(w->PicResolution->isHidden());
    }

    void theOpenDialog()
    {
        p->Cmd.FileName = QStringLiteral("/some/where/last.dvrk");
        script.cancel();
        p->Toolbar1_ButtonClick(QStringLiteral("Open"));
        const auto asked = script.of(Platform::DialogRequest::OpenFile);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].filter, "Data Files (*.dvrk)|*.dvrk|All Files (*.*)|*.*|");
        QCOMPARE(asked[0].fileName, "/some/where/last.dvrk"); // shared with the save dialog
        QVERIFY(!shown());
        QVERIFY(timersOn(*p));
        open(QString()); // an empty name ends quietly too
        QVERIFY(!shown());
        QVERIFY(script.of(Platform::DialogRequest::Message).isEmpty());
    }

    // What does not read to its end: the rows so far, and a message that says why.
    void readingCutShort_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("rows"); // "-": no window
        QTest::addColumn<QString>("message");
        QTest::newRow("empty file") << QByteArray() << "-"
                                    << "";
        QTest::newRow("missing file") << QByteArray("missing") << "-"
                                      << "Cannot open";
        QTest::newRow("bad line") << QByteArray("x\r\n1\ta\t60.1\t\r\nbroken\r\n2\tb\t6\t\r\n")
                                  << "1|a|60.1"
                                  << "Line 3 ";
        const char binary[] = "\x7f"
                              "ELF\x02\x01\x01\0\0\r\n\x03\0,\x3e\0\x01\r\n";
        QTest::newRow("binary file, commas and all") << QByteArray(binary, sizeof binary - 1) << ""
                                                     << "not a data file";
    }
    void readingCutShort()
    {
        const QString path = dir.filePath("cut.dvrk");
        QFile::remove(path);
        QFile f(path);
        if (fetch<QByteArray>("bytes") != "missing")
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(fetch<QByteArray>("bytes")) >= 0);
        f.close();
        open(path);
        QCOMPARE(shown() ? rows(*shown()) : QString("-"), fetch<QString>("rows"));
        const auto messages = script.of(Platform::DialogRequest::Message);
        QCOMPARE(messages.size(), fetch<QString>("message").isEmpty() ? 0 : 1);
        if (!messages.isEmpty()) QVERIFY(messages[0].text.contains(fetch<QString>("message")));
    }

    void duringARecordingOnlyTheMessage()
    {
        recordingState().Recording = true;
        open(dataFile("list_tab.dvrk"));
        QVERIFY(!shown());
        QCOMPARE(script.asked.size(), 1);
        QCOMPARE(script.asked[0].text, "Recording Mode!\n\rPlease stop recording!");
        QCOMPARE(script.asked[0].icon, Platform::Icon::Critical);
        script.steps.clear();
    }

    void secondFileReplacesTheWindow()
    {
        open(dataFile("recording_tab.dvrk"));
        QPointer<RecordListWindow> first = shown();
        first->PicResolution->show();
        open(dataFile("list_tab.dvrk"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        RecordListWindow* second = shown();
        QCOMPARE(second->windowTitle(), "list_tab.dvrk");
        QVERIFY(second->PicResolution->isHidden());
        // A window of the other kind stays beside it.
        open(dataFile("logger2.dvrk"));
        QVERIFY(Windows::find<FileListReal>() && Windows::find<FileListReal>()->isVisible());
        QVERIFY(Windows::find<FileList>()->isVisible());
        // Closing the main window leaves no list window behind.
        p->close();
        QVERIFY(!Windows::find<FileList>() && !Windows::find<FileListReal>());
    }

    void timersAsFound_data()
    {
        QTest::addColumn<bool>("offline");
        QTest::addColumn<bool>("before");
        QTest::newRow("online, running") << false << true;
        QTest::newRow("online, stopped") << false << false;
        QTest::newRow("offline") << true << false;
    }
    void timersAsFound()
    {
        p = freshPanel(script, fetch<bool>("offline"));
        p->Timer1->setEnabled(fetch<bool>("before"));
        p->Timer2->setEnabled(fetch<bool>("before"));
        bool offWhileRead = true;
        auto c = connect(p.get(), &QWidget::windowTitleChanged, this,
                         [&] { offWhileRead = offWhileRead && timersOff(*p); });
        open(dataFile("list_tab.dvrk"));
        disconnect(c);
        QVERIFY(offWhileRead);
        QVERIFY(shown());
        QCOMPARE(timersOn(*p), fetch<bool>("before"));
        QCOMPARE(timersOff(*p), !fetch<bool>("before"));
    }

    void windowLook_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("tips");
        QTest::addColumn<int>("height");
        QTest::newRow("File List") << "logger2.dvrk"
                                   << "Plot|Histogram|Print" << 4545;
        QTest::newRow("File List Real") << "list_tab.dvrk"
                                        << "Graphic Plot|Histogram|Print" << 4515;
    }
    void windowLook()
    {
        // At the screen's right edge: the window moves left to lie whole on it.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        p->move(screen.right() - p->frameGeometry().width() + 1, 40);
        open(dataFile(fetch<QString>("file")));
        RecordListWindow* w = shown();
        const int frame = p->frameGeometry().width() - p->width();
        QCOMPARE(w->pos(), QPoint(screen.right() + 1 - w->width() - frame, p->pos().y()));
        QCOMPARE(w->height(), qRound(fetch<int>("height") / 15.0));
        QStringList tips;
        for (int n = 1; n <= w->Toolbar1->count(); ++n)
            tips << w->Toolbar1->button(n)->toolTip();
        QCOMPARE(tips.join('|'), fetch<QString>("tips"));
        QCOMPARE(w->Toolbar1->key(1) + w->Toolbar1->key(2) + w->Toolbar1->key(3), "PlotLnPrint");
        QCOMPARE(w->BoardLn[0] != nullptr, w->variant() == RecordListWindow::Logger);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(w->GridN[size_t(i)]->scrollBars(), i == 2 ? 2 : 0);
        const QString png = renderFile(QStringLiteral("%1.png").arg(w->metaObject()->className()));
        QVERIFY(w->grab().save(png));
        w->Toolbar1_ButtonClick("Ln");
        QVERIFY(w->grab().save(QString(png).replace(".png", "-ln.png")));
    }

    void toolbar()
    {
        open(dataFile("logger2.dvrk"));
        RecordListWindow* w = shown();
        w->Toolbar1_ButtonClick("Ln");
        QVERIFY(w->PicResolution->isVisible());
        w->Toolbar1_ButtonClick("Ln");
        QVERIFY(w->PicResolution->isVisible());
        w->Toolbar1_ButtonClick("Plot");
        QVERIFY(w->PicResolution->isHidden());
        QCOMPARE(graphState().PlotRecordCount, 5);
        w->Toolbar1_ButtonClick("Ln");
        script.cancel(); // the printer dialog
        w->Toolbar1_ButtonClick("Print");
        QVERIFY(w->PicResolution->isHidden());
        w->Toolbar1_ButtonClick("Ln");
        w->Cmd1dB->click();
        QVERIFY(w->PicResolution->isHidden());

        // While a long list command runs, the keys do nothing.
        graphState().PlotRecordCount = 0;
        const ListCommandRun running;
        w->Toolbar1_ButtonClick("Ln");
        w->Toolbar1_ButtonClick("Plot");
        QVERIFY(w->PicResolution->isHidden());
        QCOMPARE(graphState().PlotRecordCount, 0);
    }

    // Each grid and each way of scrolling once; the shared view's own test
    // takes every pair.
    void gridsScrollTogether_data()
    {
        QTest::addColumn<int>("grid");
        QTest::addColumn<QString>("how");
        QTest::newRow("numbers by keys") << 0 << "keys";
        QTest::newRow("times by wheel") << 1 << "wheel";
        QTest::newRow("levels by bar") << 2 << "bar";
    }
    void gridsScrollTogether()
    {
        QFile f(dir.filePath("long.dvrk"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("No.s\tDate Time\tdB\t\r\n");
        for (int i = 1; i <= 300; ++i)
            f.write(QStringLiteral("%1\t2016/03/23 10:00:00\t%2.0\t\r\n")
                        .arg(i)
                        .arg(i % 90)
                        .toLatin1());
        f.close();
        open(f.fileName());
        RecordListWindow* w = shown();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        FlexGrid* g = w->GridN[size_t(fetch<int>("grid"))];
        const QString how = fetch<QString>("how");
        if (how == "bar") {
            g->verticalScrollBar()->setValue(50);
        } else if (how == "wheel") {
            QWheelEvent wheel(QPointF(5, 30), g->viewport()->mapToGlobal(QPointF(5, 30)), QPoint(),
                              QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                              false);
            QApplication::sendEvent(g->viewport(), &wheel);
        } else {
            g->setFocus();
            for (int k = 0; k < 40; ++k)
                QTest::keyClick(g, Qt::Key_Down);
        }
        QVERIFY(g->topRow() > 1);
        for (FlexGrid* other : w->GridN)
            QCOMPARE(other->topRow(), g->topRow());
        QCOMPARE(w->GridN[0]->textMatrix(g->topRow(), 0), QString::number(g->topRow()));
    }

    // The real dialog lists a name without a dot under "All Files (*.*)",
    // and shows each filter's name once.
    void allFilesListsEveryFile()
    {
        Platform::setDialogSeam({});
        QFile f(dir.filePath("nodot"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        p->Cmd.FileName = dir.filePath("long.dvrk"); // opens the dialog in that folder
        QStringList shownFilters;
        bool listed = false;
        QTimer::singleShot(0, this, [&] {
            // No QVERIFY in here: a failure inside the dialog's loop is not counted.
            auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            auto* model = dlg ? dlg->findChild<QFileSystemModel*>() : nullptr;
            if (!model) return;
            if (auto* combo = dlg->findChild<QComboBox*>("fileTypeCombo"))
                for (int i = 0; i < combo->count(); ++i)
                    shownFilters << combo->itemText(i);
            dlg->selectNameFilter(dlg->nameFilters().value(1));
            const QModelIndex root = model->index(dir.path());
            for (int wait = 0; wait < 100 && !listed; ++wait) {
                QTest::qWait(20);
                for (int r = 0; r < model->rowCount(root); ++r)
                    listed =
                        listed || (model->index(r, 0, root).data().toString() == "nodot" &&
                                   (model->flags(model->index(r, 0, root)) & Qt::ItemIsEnabled));
            }
            dlg->reject();
        });
        p->Toolbar1_ButtonClick(QStringLiteral("Open"));
        QCOMPARE(shownFilters, QStringList({"Data Files (*.dvrk)", "All Files (*.*)"}));
        QVERIFY(listed);
    }

    // The filter picked in the real "Open" dialog is the one read back.
    void openReadsBackTheFilter()
    {
        Platform::setDialogSeam({});
        QVERIFY(QFile::copy(dataFile("list_tab.dvrk"), dir.filePath("listed")));
        p->Cmd.FileName = dir.filePath("none.dvrk"); // opens the dialog in that folder
        answerRealFileDialog(this, 2, QStringLiteral("listed"));
        p->Toolbar1_ButtonClick(QStringLiteral("Open"));
        QCOMPARE(p->Cmd.FilterIndex, 2);
        QVERIFY(shown());
        QCOMPARE(shown()->windowTitle(), "listed");
    }
};

QTEST_MAIN(TestFileList)
#include "test_filelist.moc"
