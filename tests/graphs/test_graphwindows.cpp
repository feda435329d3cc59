#include "common/graphstate.h"
#include "common/recordlist.h"
#include "graphs/graphtools.h"
#include "graphs/histogram.h"
#include "graphs/plot.h"
#include "meter/core/modulestate.h"
#include "meter/core/startup.h"
#include "meter/panel.h"
#include "platform/dialogs.h"
#include "platform/graph.h"
#include "platform/grid.h"
#include "platform/numedit.h"
#include "platform/timer.h"
#include "platform/toolbar.h"
#include "platform/waits.h"
#include "platform/windows.h"
#include "records/core/datafile.h"
#include "records/listcommands.h"
#include "records/plotcommands.h"
#include "testutil.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace FileTransfer;

namespace {

// A record-list window as the statistics and the plot see one.
struct ListWindow : QWidget
{
    RecordList list;
    int resolutionHidden = 0;
    QStringList captions;

    explicit ListWindow(const QStringList& levels)
    {
        setWindowTitle(QStringLiteral("list.dvrk"));
        RecordRows rows;
        for (qsizetype k = 0; k < levels.size(); ++k)
            rows.append(QString::number(k + 1), u"2016/03/23 10:00:00", levels[k]);
        list.take(std::move(rows));
        connect(this, &QWidget::windowTitleChanged, this,
                [this](const QString& t) { captions.append(t); });
        show();
    }
    void statistics(bool fileList, bool tenths)
    {
        RunStatistics(this, list, fileList, tenths, [this] { ++resolutionHidden; });
    }
    void plot()
    {
        graphState().PlotRecordCount = list.count();
        PlotFromGrid(this, list);
    }
};

QStringList tenths(int first, int last, int step)
{
    QStringList out;
    for (int k = first; k <= last; k += step)
        out << QString::number(k / 10) + '.' + QString::number(k % 10);
    return out;
}

QString lnCell(const Histogram* h, int row, int col)
{
    return h->GridLn->textMatrix(row, col);
}

int pdfPages(const QString& path)
{
    QProcess p;
    p.start("pdfinfo", {path});
    p.waitForFinished();
    const QString out = QString::fromLatin1(p.readAllStandardOutput());
    const qsizetype at = out.indexOf("Pages:");
    return at < 0 ? -1 : out.mid(at + 6).section('\n', 0, 0).trimmed().toInt();
}

} // namespace

class TestGraphWindows : public QObject
{
    Q_OBJECT
    QList<Platform::DialogRequest> asked;
    QList<Platform::DialogAnswer> answers;
    std::function<void()> duringDialog;

private slots:
    void init()
    {
        resetModuleState();
        asked.clear();
        answers.clear();
        duringDialog = nullptr;
        Platform::setDialogSeam([this](const Platform::DialogRequest& r) {
            asked.append(r);
            if (duringDialog) duringDialog();
            if (!answers.isEmpty()) return answers.takeFirst();
            Platform::DialogAnswer a;
            a.accepted = r.kind != Platform::DialogRequest::Printer;
            return a;
        });
        setListCommandYieldInterval(100);
    }
    void cleanup()
    {
        Windows::unloadAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void histogramWindow()
    {
        Histogram* h = Windows::get<Histogram>();
        QCOMPARE(h->pos(), QPoint(0, 0));
        QCOMPARE(h->Combo1->itemText(7), QStringLiteral("Reset"));
        QCOMPARE(h->Combo1->currentIndex(), -1);
        QCOMPARE(h->Combo1->placeholderText(), QStringLiteral("Normal"));
        QCOMPARE(h->CWG->trackMode(), 1);
        QCOMPARE(h->CWG->cursorCount(), 2);
        QCOMPARE(lnCell(h, 0, 0), QStringLiteral("Ln"));
        QCOMPARE(lnCell(h, 0, 1), QStringLiteral(" 0"));
        QCOMPARE(lnCell(h, 0, 10), QStringLiteral(" 9"));
        QVERIFY(h->GridLn->colWidth(0) > h->GridLn->colWidth(1));
        QVERIFY(h->Picture1->isHidden());
        h->Toolbar1_ButtonClick("Limit");
        QVERIFY(!h->Picture1->isHidden());
        h->tools->select("ZoomXY"); // cursors hidden, the chooser stays
        QCOMPARE(h->CWG->trackMode(), 6);
        QVERIFY(!h->CWG->cursor(1)->visible() && !h->CWG->cursor(2)->visible());
        QVERIFY(!h->Picture1->isHidden());
        h->Toolbar1_ButtonClick("Limit");
        QVERIFY(h->Picture1->isHidden());
    }

    void statistics_data()
    {
        QTest::addColumn<bool>("fileList");
        QTest::addColumn<bool>("tenths");
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<QString>("ln87");
        QTest::newRow("FileList 0.1 dB") << true << true << "*0.1" << 600 << 670 << "61.0";
        QTest::newRow("FileList 1 dB") << true << false << "0" << 60 << 67 << "61.0";
        QTest::newRow("FileListReal 0.1 dB") << false << true << "*0.1" << 600 << 670 << "61.0";
        QTest::newRow("FileListReal 1 dB") << false << false << "0" << 60 << 67 << "61";
    }
    void statistics()
    {
        QFETCH(bool, fileList);
        QFETCH(bool, tenths);
        QFETCH(QString, format);
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(QString, ln87);
        ListWindow w(::tenths(600, 670, 10)); // N = 8
        w.statistics(fileList, tenths);
        const GraphState& g = graphState();
        QCOMPARE(g.RecordCount, 8);
        QCOMPARE(g.HistogramLow, low);
        QCOMPARE(g.HistogramHigh, high);
        QCOMPARE(g.LnTable[87], ln87);
        Histogram* h = Windows::find<Histogram>();
        QVERIFY(h && h->isVisible());
        QCOMPARE(h->CWG->Axes(1).formatString(), format);
        QCOMPARE(h->CWG->Axes(1).Minimum(), double(low));
        QCOMPARE(h->CWG->Axes(1).Maximum(), double(high + 1));
        QCOMPARE(g.HistogramYMax, h->CWG->Axes(2).Maximum());
        QCOMPARE(h->CWG->pointCount(), tenths ? 1451 : 146);
        QCOMPARE(h->CWG->points().at(low), QPointF(low + 1, 1)); // class k at X = k + 1
        QCOMPARE(h->GridLn->rows(), 11);
        QCOMPARE(lnCell(h, 1, 0), QStringLiteral("L(00)"));
        QCOMPARE(lnCell(h, 10, 0), QStringLiteral("L(90)"));
        QCOMPARE(lnCell(h, 5, 6), g.LnTable[45]); // L(40), " 5"
        QCOMPARE(lnCell(h, 9, 8), ln87);
        QCOMPARE(w.resolutionHidden, 1);
        QCOMPARE(w.captions.last(), QStringLiteral("list.dvrk"));
        QCOMPARE(w.captions.value(w.captions.size() - 2), QStringLiteral("100.0% Completed"));

        // "Reset" after a zoom: the occupied classes, Y from 0, plain display.
        h->tools->select("ZoomX");
        h->CWG->Axes(1).SetMinMax(low + 2, low + 3);
        h->CWG->Axes(2).SetMinMax(5, 6);
        h->tools->select("Reset");
        QCOMPARE(h->CWG->Axes(1).Minimum(), double(low));
        QCOMPARE(h->CWG->Axes(1).Maximum(), double(high + 1));
        QCOMPARE(h->CWG->Axes(2).Minimum(), 0.0);
        QCOMPARE(h->CWG->Axes(2).Maximum(), g.HistogramYMax);
        QCOMPARE(h->CWG->trackMode(), 1);
        QCOMPARE(h->Combo1->currentText(), QStringLiteral("Reset"));
    }

    void nothingToCount_data()
    {
        QTest::addColumn<QStringList>("levels");
        QTest::newRow("no records") << QStringList{};
        QTest::newRow("only paused") << QStringList{"62.0*", "63.0*"};
        QTest::newRow("only bin 0") << QStringList{"abc", "0.0", "0.04"};
    }
    void nothingToCount()
    {
        QFETCH(QStringList, levels);
        ListWindow first({"70.0"});
        first.statistics(true, true);
        QPointer<Histogram> shown = Windows::find<Histogram>();
        const GraphState before = graphState();
        asked.clear();

        ListWindow w(levels);
        w.statistics(true, true);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].icon, Platform::Icon::Information);
        QCOMPARE(w.resolutionHidden, 1);
        QCOMPARE(w.windowTitle(), QStringLiteral("list.dvrk"));
        QVERIFY(shown && Windows::find<Histogram>() == shown);
        QCOMPARE(graphState().LnTable, before.LnTable);
        QCOMPARE(graphState().HistogramLow, 700);
        QCOMPARE(graphState().RecordCount, 1);
    }

    void tableEmptiedFirst()
    {
        ListWindow full(::tenths(600, 700, 1));
        full.statistics(true, true);
        QVERIFY(!graphState().LnTable[0].isEmpty());
        // Half the records paused: the top half of the table no sum reaches.
        ListWindow paused({"60.0", "61.0*"});
        paused.statistics(true, true);
        QCOMPARE(graphState().LnTable[99], QStringLiteral("60.0"));
        QCOMPARE(graphState().LnTable[0], QString());
        QCOMPARE(lnCell(Windows::find<Histogram>(), 1, 1), QString());
    }

    void runs_data()
    {
        QTest::addColumn<bool>("plot");
        QTest::addColumn<QString>("interrupt");
        for (bool plot : {false, true}) {
            const char* what = plot ? "plot" : "statistics";
            QTest::addRow("%s, second click", what) << plot << "second";
            QTest::addRow("%s, list window closed", what) << plot << "list";
            QTest::addRow("%s, Panel closed", what) << plot << "panel";
        }
    }
    void runs()
    {
        QFETCH(bool, plot);
        QFETCH(QString, interrupt);
        auto panel = std::make_unique<Panel>();
        panel->show();
        panel->Timer1->setEnabled(true);
        panel->Timer2->setEnabled(false);
        const QString panelCaption = panel->windowTitle();
        setListCommandYieldInterval(0);
        QStringList levels;
        for (int i = 0; i < 20000; ++i)
            levels << (i % 3 ? "60.0" : "61.0*");
        auto* w = new ListWindow(levels);
        w->setAttribute(Qt::WA_DeleteOnClose);
        QPointer<ListWindow> list(w);
        auto* other = new ListWindow({"50.0"});
        bool timersOff = true;
        bool guarded = true;
        int yields = 0;
        QTimer poke;
        connect(&poke, &QTimer::timeout, this, [&] {
            if (++yields > 1) return;
            timersOff = !panel->Timer1->enabled() && !panel->Timer2->enabled();
            guarded = listCommandRunning();
            if (interrupt == "second") {
                other->statistics(true, true); // does nothing meanwhile
                other->plot();
            } else if (interrupt == "list") {
                w->close();
            } else {
                panel->close();
            }
        });
        poke.start(0);
        plot ? w->plot() : w->statistics(true, true);
        poke.stop();
        QVERIFY(yields > 0);
        QVERIFY(timersOff);
        QVERIFY(guarded);
        QVERIFY(!listCommandRunning());
        QCOMPARE(other->resolutionHidden, 0);
        QCOMPARE(other->captions, QStringList());
        const bool ended = interrupt != "second";
        QCOMPARE(Windows::find<Histogram>() != nullptr, !plot && !ended);
        QCOMPARE(Windows::find<Plot>() != nullptr, plot && !ended);
        if (interrupt != "panel") {
            QCOMPARE(panel->windowTitle(), panelCaption);
            QVERIFY(panel->Timer1->enabled()); // as found
            QVERIFY(!panel->Timer2->enabled());
        }
        panel->Timer1->setEnabled(false);
        delete other;
        delete list;
    }

    void plotWindow()
    {
        auto panel = std::make_unique<Panel>();
        panel->Timer1->setEnabled(false);
        panel->Timer2->setEnabled(false);
        panel->move(10, 20);
        panel->show();
        QStringList captions;
        connect(panel.get(), &QWidget::windowTitleChanged, this,
                [&](const QString& t) { captions.append(t); });
        ListWindow w({"50.0", "51.0*", "52.0*", "53.0", "--", "141.0", "56.0*"});
        w.plot();
        Plot* p = Windows::find<Plot>();
        QVERIFY(p && p->isVisible());
        // Docked at the main window's right edge, but whole on the screen.
        const QRect room = panel->screen()->availableGeometry();
        const int frame = panel->frameGeometry().width() - panel->width();
        const int edge = panel->frameGeometry().right() + 1;
        QVERIFY(edge + p->width() + frame > room.right() + 1); // it would not fit
        QCOMPARE(p->pos(), QPoint(room.right() + 1 - p->width() - frame, 20));
        panel->move(room.left() - panel->frameGeometry().width(), 20); // its edge at the left
        QCOMPARE(panel->dockPlace(p->size()), QPoint(panel->frameGeometry().right() + 1, 20));
        QCOMPARE(p->Combo1->itemText(1), QStringLiteral("Cursor Coordinates"));
        QCOMPARE(captions, (QStringList{"7 Completed", panel->windowTitle()}));
        QCOMPARE(p->AxisMax(1)->value(), 7.0);
        QCOMPARE(p->AxisMin(1)->value(), 1.0);
        QCOMPARE(p->AxisMax(2)->value(), 145.0);
        QCOMPARE(p->AxisMin(2)->value(), 25.0);
        Graph* g = p->CWGraph1;
        QCOMPARE(g->Axes(1).Minimum(), 1.0);
        QCOMPARE(g->Axes(1).Maximum(), 7.0);
        QCOMPARE(g->Axes(2).Minimum(), 25.0);
        QCOMPARE(g->Axes(2).Maximum(), 145.0);
        QCOMPARE(g->points().at(4), QPointF(5, 25));
        QCOMPARE(g->points().at(5), QPointF(6, 145));
        // "Pause" at 2 and "Start" at 4; the block begun on the last record
        // gets its "Pause".
        QCOMPARE(g->markerCount(), 3);
        const auto marks = [g](int i, const char* caption, qsizetype point, double labelY) {
            const GraphMarker m = g->marker(i);
            return m.caption == caption && m.point == point && m.labelX == point + 1 &&
                   m.labelY == labelY;
        };
        QVERIFY(marks(0, "Pause", 1, 30));
        QVERIFY(marks(1, "Start", 3, 105));
        QVERIFY(marks(2, "Pause", 6, 30));
        QCOMPARE(p->Combo1->currentText(), QStringLiteral("Normal"));
        QCOMPARE(p->txtDescription->toPlainText(), QStringLiteral("Normal mode"));

        // The edits re-apply both axes; the reset goes back to the count the
        // window took when it opened, and leaves the edits alone.
        g->Axes(1).SetMinMax(3, 4);
        p->AxisMin(2)->setValue(50);
        QCOMPARE(g->Axes(2).Minimum(), 50.0);
        QCOMPARE(g->Axes(1).Minimum(), 1.0);
        graphState().PlotRecordCount = 99;
        p->CmdReset->click();
        QCOMPARE(g->Axes(1).Maximum(), 7.0);
        QCOMPARE(g->Axes(2).Minimum(), 25.0);
        QCOMPARE(p->AxisMin(2)->value(), 50.0);

        // Cursor read-out, then a second plot replaces everything.
        p->tools->select("Cursor Coordinates");
        QCOMPARE(p->XPosition->text(), QStringLiteral("4"));
        QCOMPARE(p->YPosition->text(), QStringLiteral("53.0"));
        p->tools->select("Normal");
        QCOMPARE(g->cursorCount(), 0);
        p->tools->select("PanX");
        ListWindow second({"70.0", "71.0"});
        second.plot();
        Plot* q = Windows::find<Plot>();
        QVERIFY(q != p);
        QCOMPARE(q->CWGraph1->pointCount(), 2);
        QCOMPARE(q->CWGraph1->markerCount(), 0);
        QCOMPARE(q->CWGraph1->trackMode(), 1);

        ListWindow empty({});
        empty.plot();
        QCOMPARE(Windows::find<Plot>()->CWGraph1->pointCount(), 0);
    }

    void printPlot()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath("plot.pdf");
        ListWindow w({"50.0", "51.0*", "52.0"});
        w.plot();
        Plot* p = Windows::find<Plot>();
        p->tools->select("Cursor Coordinates");
        Platform::DialogAnswer a;
        a.fileName = pdf;
        a.copies = 2; // copies and orientation from the dialog
        a.landscape = true;
        answers = {a};
        asked.clear();
        p->CmdPrint->click();
        QCOMPARE(asked.size(), 1); // the dialog, no message
        QCOMPARE(pdfPages(pdf), 2);
        QVERIFY(p->FrmGraphic->isVisible());
        QCOMPARE(p->CWGraph1->cursorCount(), 0);
        QCOMPARE(p->Combo1->currentText(), QStringLiteral("Normal"));
        QCOMPARE(p->CWGraph1->graphColor(), Windows::get<Histogram>()->CWG->graphColor());
    }

    void printHistogram()
    {
        ListWindow w({"60.0", "61.0"});
        w.statistics(true, true);
        Histogram* h = Windows::find<Histogram>();
        h->Toolbar1_ButtonClick("Limit");
        // No printer: says so, with the toolbar shown, the chooser hidden.
        h->Toolbar1_ButtonClick("Print");
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[0].text, QStringLiteral("Default printer"));
        QVERIFY(asked[1].text.endsWith("Nothing was printed."));
        QVERIFY(h->Toolbar1->isVisible());
        QVERIFY(h->Picture1->isHidden());
        QTemporaryDir dir;
        Platform::DialogAnswer a;
        a.fileName = dir.filePath("histogram.pdf");
        answers = {a};
        h->Toolbar1_ButtonClick("Print");
        QCOMPARE(pdfPages(a.fileName), 1);
        QVERIFY(h->Toolbar1->isVisible());
    }

    void replacedWhilePrinting()
    {
        ListWindow w({"50.0", "51.0"});
        w.plot();
        QPointer<Plot> old = Windows::find<Plot>();
        QTemporaryDir dir;
        Platform::DialogAnswer a;
        a.fileName = dir.filePath("old.pdf");
        answers = {a};
        ListWindow other({"70.0", "71.0", "72.0"});
        duringDialog = [&] {
            duringDialog = nullptr;
            other.plot(); // an opener run from elsewhere meanwhile
        };
        old->CmdPrint->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!old);
        QVERIFY(!QFile::exists(a.fileName));
        Plot* now = Windows::find<Plot>();
        QCOMPARE(now->CWGraph1->pointCount(), 3);
        QVERIFY(now->FrmGraphic->isVisible());
    }

    void renderRecording()
    {
        // A realistic recording: an hour of a street with two pauses.
        QTemporaryDir dir;
        QByteArray file = DataFile::realTimeFileHeader({1, "A", "FAST", "30-90", 88.4,
                                                        "2016/03/23 10:20:00", "95.1", "59.5"}) +
                          DataFile::titleLine(DataFile::Separator::Tab, DataFile::LineForm::List);
        for (int r = 1; r <= 3600; ++r) {
            double level =
                55 + 8 * std::sin(r / 300.0) + 6 * std::sin(r * 1.7) * std::sin(r / 37.0);
            if (r % 900 < 40) level += 20; // a lorry
            QString text = QString::number(level, 'f', 1);
            if ((r > 1200 && r <= 1260) || r > 3500) text += '*';
            file += DataFile::recordLine(DataFile::Separator::Tab, DataFile::LineForm::List,
                                         QString::number(r), u"2016/03/23 10:00:00", text);
        }
        const QString path = dir.filePath("street.dvrk");
        QVERIFY(DataFile::saveFile(path, file));
        DataFile::ReadResult read = DataFile::readFile(path);
        QVERIFY(read.complete());
        ListWindow w({});
        w.list.take(std::move(read.rows));
        w.statistics(true, true);
        w.plot();
        QCOMPARE(Windows::find<Plot>()->CWGraph1->markerCount(), 3);
        const QString out = qEnvironmentVariable("DORVI_RENDER_DIR");
        for (QWidget* window : {static_cast<QWidget*>(Windows::find<Histogram>()),
                                static_cast<QWidget*>(Windows::find<Plot>())}) {
            QTest::qWait(50);
            const QImage image = window->grab().toImage();
            QVERIFY(!image.isNull());
            if (!out.isEmpty())
                QVERIFY(image.save(QDir(out).filePath(window->windowTitle() + ".png")));
        }
    }
};

QTEST_MAIN(TestGraphWindows)
#include "test_graphwindows.moc"
