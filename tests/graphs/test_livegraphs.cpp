// The main window's mini-graph clicks and the two live graph windows they
// open: the history graph and the live histogram, with their tools and prints.

#include "common/clock.h"
#include "common/graphstate.h"
#include "graphs/graphtools.h"
#include "graphs/realhistogram.h"
#include "graphs/realtimegraph.h"
#include "meter/core/link.h"
#include "meter/core/liveline.h"
#include "meter/core/livestats.h"
#include "meter/core/meter.h"
#include "meter/core/startup.h"
#include "meter/filetransfer.h"
#include "meter/panel.h"
#include "platform/dialogs.h"
#include "platform/graph.h"
#include "platform/numedit.h"
#include "platform/timer.h"
#include "platform/toolbar.h"
#include "platform/twips.h"
#include "platform/waits.h"
#include "platform/windows.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <qcustomplot.h>

#include <cmath>

namespace {

using Ranges = QList<double>; // X min, X max, Y min, Y max

Ranges ranges(Graph* g)
{
    return {g->Axes(1).Minimum(), g->Axes(1).Maximum(), g->Axes(2).Minimum(), g->Axes(2).Maximum()};
}

Ranges edits(RealTimeGraph* w)
{
    return {w->AxisMin(1)->value(), w->AxisMax(1)->value(), w->AxisMin(2)->value(),
            w->AxisMax(2)->value()};
}

QString pdfText(const QString& path, bool boxes = false)
{
    QProcess p;
    p.start("pdftotext", {boxes ? "-bbox" : "-raw", "-l", "1", path, "-"});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The centre in points of the lowest word on page 1 that reads text.
double wordCentre(const QString& boxes, const QString& text)
{
    static const QRegularExpression word(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)<)re");
    double centre = -1, lowest = -1;
    for (const auto& m : word.globalMatch(boxes)) {
        if (m.captured(4) != text || m.captured(2).toDouble() < lowest) continue;
        lowest = m.captured(2).toDouble();
        centre = (m.captured(1).toDouble() + m.captured(3).toDouble()) / 2;
    }
    return centre;
}

// The first size a window is given and the places its graph is moved to, in twips.
struct Geometries : QObject
{
    QWidget* graph;
    QList<QSize> sizes;
    QList<QPoint> graphAt;
    Geometries(QWidget* window, QWidget* graph) : graph(graph)
    {
        window->installEventFilter(this);
        graph->installEventFilter(this);
    }
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (o == graph && e->type() == QEvent::Move)
            graphAt.append(static_cast<QMoveEvent*>(e)->pos() * 15);
        else if (o != graph && e->type() == QEvent::Resize)
            sizes.append(static_cast<QResizeEvent*>(e)->size() * 15);
        return false;
    }
};

} // namespace

class TestLiveGraphs : public QObject
{
    Q_OBJECT
    std::unique_ptr<Panel> panel;
    QList<Platform::DialogRequest> asked;
    QList<Platform::DialogAnswer> answers;
    std::function<void()> duringDialog;

    // One tick of Panel.Timer2 that takes a sample at this level.
    void sample(double level)
    {
        Meter::state().RecordLevel = level;
        Meter::state().DecodedNs = Clock::current().elapsedNs(); // a fresh reading
        panel->LblValue->setText(FormatTenths(level));
        liveState().SampleTick = 1;
        panel->Timer2_Timer();
    }
    // n samples from 50.0 to 79.9 dB in no order.
    void samples(int n)
    {
        for (int i = 0; i < n; ++i)
            sample((500 + i * 37 % 300) / 10.0);
    }
    void click(const QString& graph) { emit panel->findChild<Graph*>(graph)->clicked(); }
    static RealTimeGraph* history() { return Windows::find<RealTimeGraph>(); }
    static RealHistogram* histogram() { return Windows::find<RealHistogram>(); }

private slots:
    void init()
    {
        graphState() = {};
        liveState() = {};
        Meter::state() = {};
        samplingState() = {};
        startupState() = {};
        Program::setEnding(false);
        asked.clear();
        answers.clear();
        duringDialog = nullptr;
        Platform::setDialogSeam([this](const Platform::DialogRequest& r) {
            asked.append(r);
            if (duringDialog) duringDialog();
            return answers.isEmpty() ? Platform::DialogAnswer{} : answers.takeFirst();
        });
        panel = std::make_unique<Panel>();
        panel->Timer1->setEnabled(false);
        panel->Timer2->setEnabled(false);
    }
    void cleanup()
    {
        Windows::unloadAll();
        panel.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void trendClick_data()
    {
        QTest::addColumn<QString>("graph");
        QTest::addColumn<QString>("caption");
        QTest::newRow("level") << "CWG"
                               << "SPL (dB)";
        QTest::newRow("Leq") << "CWLeq"
                             << "Leq (dB)";
        QTest::newRow("SEL") << "CWSEL"
                             << "SEL (dB)";
    }
    void trendClick()
    {
        QFETCH(QString, graph);
        QFETCH(QString, caption);
        samples(100);
        const LiveState& s = liveState();
        const bool level = graph == "CWG", leq = graph == "CWLeq";
        const std::vector<double>& series = level ? s.LevelSeries : leq ? s.LeqSeries : s.SelSeries;
        const double yMin = level ? s.LevelMin01dB / 10 : leq ? s.LeqMin : s.SelMin;
        const double yMax = level ? s.LevelMax01dB / 10 : leq ? s.LeqMax : s.SelMax;
        QVERIFY(yMin < yMax);
        click(graph);

        RealTimeGraph* w = history();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Real Time Graph"));
        QCOMPARE(QRect(w->pos(), w->size()), QRect(0, 0, Twips::px(10560), Twips::px(8295)));
        const GraphState& g = graphState();
        QCOMPARE((Ranges{g.RealTimeXMax, g.RealTimeYMin, g.RealTimeYMax}),
                 (Ranges{99, yMin, yMax}));
        QCOMPARE(g.RealTimeCaption, caption);
        QVERIFY(!g.GraphLoading);
        QCOMPARE(w->LblUnit->text(), caption);
        Graph* c = w->CWGraph1;
        QCOMPARE(c->Axes(2).caption(), caption);
        QCOMPARE(edits(w), (Ranges{1, 99, yMin, yMax}));
        QCOMPARE(ranges(c), (Ranges{1, 99, yMin, yMax}));
        // The newest sample one step beyond the X axis.
        const QVector<QPointF> points = c->points();
        QCOMPARE(points.size(), 100);
        QCOMPARE(points.first(), QPointF(1, series[0]));
        QCOMPARE(points.last(), QPointF(100, series[99]));
        // Plain display; the design cursors stay.
        QCOMPARE(w->Combo1->currentText(), QStringLiteral("Normal"));
        QCOMPARE(w->txtDescription->toPlainText(), QStringLiteral("Normal mode"));
        QCOMPARE(c->trackMode(), 1);
        QCOMPARE(c->cursorCount(), 2);
    }

    void editsAndReset()
    {
        samples(100);
        click("CWG");
        RealTimeGraph* w = history();
        Graph* c = w->CWGraph1;
        const GraphState& g = graphState();
        const Ranges opened{1, 99, g.RealTimeYMin, g.RealTimeYMax};

        // Under the opener's flag the edits change no axis; afterwards a
        // typed maximum re-applies both axes from all four edits.
        graphState().GraphLoading = true;
        w->AxisMax(1)->setValue(20);
        w->AxisMin(2)->setValue(10);
        QCOMPARE(ranges(c), opened);
        graphState().GraphLoading = false;
        w->AxisMax(1)->setValue(50);
        QCOMPARE(ranges(c), (Ranges{1, 50, 10, g.RealTimeYMax}));

        // Cursor 1 of the design on the sample nearest the middle of X 1 to
        // 50, read out; "Normal" leaves it.
        w->tools->select("Cursor Coordinates");
        QCOMPARE(c->cursorCount(), 2);
        QCOMPARE(w->XPosition->text(), QStringLiteral("25"));
        QCOMPARE(w->YPosition->text(), GraphAxis::formatValue(liveState().LevelSeries[24], "0.0"));
        w->tools->select("Normal");
        QCOMPARE(c->cursorCount(), 2);

        // "Reset Scale" after typed limits and a zoom: edits and axes as opened.
        w->tools->select("ZoomXY");
        c->Axes(2).SetMinMax(60, 61);
        w->CmdReset->click();
        QCOMPARE(edits(w), opened);
        QCOMPARE(ranges(c), opened);
        QCOMPARE(c->trackMode(), 6);
        QCOMPARE(c->Axes(2).caption(), QStringLiteral("SPL (dB)"));
    }

    void secondClickRebuilds()
    {
        samples(10);
        click("CWLeq");
        QPointer<RealTimeGraph> first = history();
        first->tools->select("PanX");
        first->CWGraph1->Axes(1).SetMinMax(3, 4);
        samples(1);
        click("CWLeq");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        Graph* c = history()->CWGraph1;
        QCOMPARE(c->pointCount(), 11);
        QCOMPARE(c->Axes(1).Maximum(), 10.0);
        QCOMPARE(c->trackMode(), 1);
        QCOMPARE(history()->Combo1->currentText(), QStringLiteral("Normal"));
    }

    void fewSamples_data()
    {
        QTest::addColumn<QString>("when");
        QTest::addColumn<int>("points");
        QTest::newRow("start") << "start" << 0;
        QTest::newRow("one sample") << "one" << 1;
        QTest::newRow("after Refresh") << "refresh" << 0;
        QTest::newRow("during the resynchronisation") << "resync" << 0;
    }
    void fewSamples()
    {
        QFETCH(QString, when);
        QFETCH(int, points);
        samples(when == "start" ? 0 : when == "one" ? 1 : 20);
        if (when == "refresh") panel->Refresh();
        int clicks = 0;
        const auto clickAll = [&] {
            for (const char* trend : {"CWG", "CWLeq", "CWSEL"}) {
                click(trend);
                QCOMPARE(graphState().RealTimeXMax, points - 1.0);
                Graph* c = history()->CWGraph1;
                QCOMPARE(c->pointCount(), points);
                // X 1 to -1, or 1 to 0, shown the right way round.
                QCOMPARE(c->Axes(1).Minimum(), points - 1.0);
                QCOMPARE(c->Axes(1).Maximum(), 1.0);
                QVERIFY(c->Axes(2).Minimum() < c->Axes(2).Maximum());
                ++clicks;
            }
            // No counts, or an inverted X range: still a range, Y from 0 up.
            for (const char* counts : {"CWInt", "CWDec"}) {
                click(counts);
                const GraphState& g = graphState();
                QVERIFY(g.RealHistXMin < g.RealHistXMax);
                QVERIFY(g.RealHistYMax > 0);
                histogram()->Toolbar1_ButtonClick("Reset");
                QCOMPARE(ranges(histogram()->CWGraph1),
                         (Ranges{g.RealHistXMin, g.RealHistXMax, 0, g.RealHistYMax}));
                ++clicks;
            }
        };
        if (when == "resync") {
            // Clicked while the resynchronisation listens for frames.
            FileTransfer::ResetAndResync(*panel);
            QVERIFY(panel->link().live().listening());
        }
        clickAll();
        QCOMPARE(clicks, 5);
    }

    void wrapped_data()
    {
        QTest::addColumn<qint64>("total");
        QTest::newRow("exactly full") << 864001LL;
        QTest::newRow("wrapped by 5") << 864006LL;
    }
    void wrapped()
    {
        QFETCH(qint64, total);
        // Sample n at 30 dB and n mod 1000 tenths; the last ones taken by ticks.
        const auto level = [](qint64 n) { return 30 + double(n % 1000) / 10; };
        LiveState& s = liveState();
        const qint64 direct = total - 3;
        for (qint64 n = 0; n < direct; ++n)
            s.LevelSeries[size_t(n % HistorySlots)] = level(n);
        s.SampleCount = int(direct % HistorySlots);
        s.HistoryWrapped = direct >= HistorySlots;
        for (qint64 n = direct; n < total; ++n)
            sample(level(n));
        click("CWG");
        QCOMPARE(graphState().RealTimeXMax, 864000.0);
        Graph* c = history()->CWGraph1;
        QCOMPARE(c->Axes(1).Maximum(), 864000.0);
        const QVector<QPointF> points = c->points();
        QCOMPARE(points.size(), HistorySlots);
        QCOMPARE(points.first(), QPointF(1, level(total - HistorySlots)));
        QCOMPARE(points[1000].y(), level(total - HistorySlots + 1000));
        QCOMPARE(points.last(), QPointF(864001, level(total - 1)));

        panel->Refresh();
        sample(61);
        sample(62);
        click("CWG");
        QCOMPARE(graphState().RealTimeXMax, 1.0);
        QCOMPARE(history()->CWGraph1->points(), (QVector<QPointF>{{1, 61}, {2, 62}}));
    }

    void histogramClick_data()
    {
        QTest::addColumn<QString>("graph");
        QTest::addColumn<QString>("format");
        QTest::newRow("1 dB") << "CWInt"
                              << "0";
        QTest::newRow("0.1 dB") << "CWDec"
                                << "*.1";
    }
    void histogramClick()
    {
        QFETCH(QString, graph);
        QFETCH(QString, format);
        for (int i = 0; i < 60; ++i)
            sample((640 + i * 7 % 21) / 10.0); // 64.0 to 66.0 dB
        const LiveState& s = liveState();
        const bool tenths = graph == "CWDec";
        click(graph);

        RealHistogram* w = histogram();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Histogram"));
        QCOMPARE(QRect(w->pos(), w->size()), QRect(0, 0, Twips::px(10320), Twips::px(5730)));
        Graph* c = w->CWGraph1;
        QCOMPARE(c->cursorCount(), 0); // "Normal" took the design cursors away
        QVERIFY(w->Picture1->isHidden());
        QCOMPARE(c->Axes(1).formatString(), format);
        const double low = tenths ? s.LevelMin01dB - 1 : s.LevelMin1dB - 1;
        const double high = tenths ? s.LevelMax01dB + 1 : s.LevelMax1dB + 1;
        QCOMPARE(low, tenths ? 639.0 : 62.0);
        QCOMPARE(c->Axes(1).Minimum(), low);
        QCOMPARE(c->Axes(1).Maximum(), high);
        const QVector<QPointF> points = c->points();
        QCOMPARE(points.size(), tenths ? Bins01dB : Bins1dB);
        long long most = 0;
        for (int k = 0; k < points.size(); ++k) {
            const long long n = tenths ? s.LiveCounts01dB[size_t(k)] : s.LiveCounts1dB[size_t(k)];
            most = std::max(most, n);
            if (points[k] != QPointF(k, double(n))) QFAIL(qPrintable(QString::number(k)));
        }
        // Read back after the Y axis fitted the counts.
        const GraphState& g = graphState();
        QCOMPARE((Ranges{g.RealHistXMin, g.RealHistXMax, g.RealHistYMax}),
                 (Ranges{low, high, c->Axes(2).Maximum()}));
        QVERIFY(g.RealHistYMax >= double(most));
        if (tenths) { // classes in tenths, labelled in dB
            c->customPlot()->replot();
            const qsizetype at = c->Axes(1).axis()->tickVector().indexOf(655);
            QVERIFY(at >= 0);
            QCOMPARE(c->Axes(1).axis()->tickVectorLabels().at(at), QStringLiteral("65.5"));
        }
    }

    void histogramTools()
    {
        samples(50);
        click("CWInt");
        RealHistogram* w = histogram();
        Graph* c = w->CWGraph1;
        const GraphState& g = graphState();
        const Ranges opened{g.RealHistXMin, g.RealHistXMax, 0, g.RealHistYMax};
        QCOMPARE(w->Toolbar1->key(1), QStringLiteral("Track"));
        QCOMPARE(w->Toolbar1->button(2)->toolTip(), QStringLiteral("Reset Scale"));

        // Each key hides the chooser first: "Track" twice leaves it shown.
        w->Toolbar1_ButtonClick("Track");
        w->Toolbar1_ButtonClick("Track");
        QVERIFY(!w->Picture1->isHidden());
        w->tools->select("ZoomXY");
        QVERIFY(w->Picture1->isHidden());

        // "Reset Scale" in the chooser keeps the zoom mode.
        c->Axes(1).SetMinMax(60, 62);
        c->Axes(2).SetMinMax(1, 2);
        w->Toolbar1_ButtonClick("Track");
        w->tools->select("Reset Scale");
        QVERIFY(w->Picture1->isHidden());
        QCOMPARE(c->trackMode(), 6);
        QCOMPARE(ranges(c), opened);

        // "Reset" after a zoom.
        c->Axes(1).SetMinMax(70, 71);
        c->Axes(2).SetMinMax(3, 4);
        w->Toolbar1_ButtonClick("Track");
        w->Toolbar1_ButtonClick("Reset");
        QVERIFY(w->Picture1->isHidden());
        QCOMPARE(ranges(c), opened);
    }

    void print_data()
    {
        QTest::addColumn<bool>("history");
        QTest::addColumn<int>("copies");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("history, two copies") << true << 2 << false;
        QTest::newRow("history, no copies") << true << 0 << false;
        QTest::newRow("history, cancel") << true << 1 << true;
        QTest::newRow("histogram, one copy") << false << 1 << false;
        QTest::newRow("histogram, no copies") << false << 0 << false;
    }
    void print()
    {
        QFETCH(bool, history);
        QFETCH(int, copies);
        QFETCH(bool, cancel);
        samples(200);
        click(history ? "CWG" : "CWInt");
        RealTimeGraph* h = this->history();
        QWidget* w = history ? static_cast<QWidget*>(h) : histogram();
        Graph* c = history ? h->CWGraph1 : histogram()->CWGraph1;
        QWidget* hidden = history ? static_cast<QWidget*>(h->FrmGraphic) : histogram()->Toolbar1;
        if (history) h->tools->select("Cursor Coordinates");
        const QString caption = c->Axes(2).caption();
        const QColor colour = c->graphColor();
        QTemporaryDir dir;
        Platform::DialogAnswer a;
        a.accepted = !cancel;
        a.fileName = dir.filePath("graph.pdf");
        a.copies = copies;
        a.landscape = true;
        answers = {a};
        Geometries seen(w, c);
        history ? h->CmdPrint->click() : histogram()->Toolbar1_ButtonClick("Print");

        QCOMPARE(asked.size(), cancel ? 1 : 2);
        QCOMPARE(asked[0].kind, Platform::DialogRequest::Printer);
        if (!cancel) {
            QCOMPARE(asked[1].text, GraphTools::noteText());
            QCOMPARE(seen.sizes.value(0), history ? QSize(11550, 8295) : QSize(11115, 6465));
            QCOMPARE(seen.graphAt,
                     (QList<QPoint>{{720, 720}, history ? QPoint(120, 120) : QPoint(0, 480)}));
        }
        QCOMPARE(QFile::exists(a.fileName), copies > 0 && !cancel);
        QCOMPARE(w->size(), history ? QSize(Twips::px(10560), Twips::px(8295))
                                    : QSize(Twips::px(10320), Twips::px(5730)));
        QCOMPARE(c->Axes(2).caption(), caption);
        QCOMPARE(c->graphColor(), colour);
        QVERIFY(hidden->isVisible());
        if (history) { // plain display without cursors, whatever came of it
            QCOMPARE(h->Combo1->currentText(), QStringLiteral("Normal"));
            QCOMPARE(c->trackMode(), 1);
            QCOMPARE(c->cursorCount(), 0);
        }
        if (copies == 0 || cancel) return;

        // Without the Y caption and the frame below the graph, laid out as
        // shown (a pixel to 0.75 pt): the outer X labels as far apart.
        QProcess info;
        info.start("pdfinfo", {a.fileName});
        info.waitForFinished();
        const QString infoText = QString::fromLatin1(info.readAll());
        QVERIFY(infoText.contains(QRegularExpression(QStringLiteral("Pages: +%1\\n").arg(copies))));
        // The job's name in the queue.
        QVERIFY(infoText.contains(
            QRegularExpression(history ? "Title: +Real Time Graph\\n" : "Title: +Histogram\\n")));
        const QString text = pdfText(a.fileName);
        QVERIFY(!text.contains(caption) && !text.contains("Graphic Plot"));
        QCPAxis* x = c->Axes(1).axis();
        c->Axes(2).setCaption(QString());
        c->customPlot()->replot();
        const QStringList labels = x->tickVectorLabels();
        const double shown =
            (x->coordToPixel(x->tickVector().last()) - x->coordToPixel(x->tickVector().first())) *
            0.75;
        const QString boxes = pdfText(a.fileName, true);
        const double printed = wordCentre(boxes, labels.last()) - wordCentre(boxes, labels.first());
        QVERIFY2(std::abs(printed - shown) < 1.5, qPrintable(QString::number(printed)));
    }

    void clickWhilePrinting()
    {
        samples(30);
        click("CWG");
        QPointer<RealTimeGraph> printing = history();
        QTemporaryDir dir;
        Platform::DialogAnswer a;
        a.fileName = dir.filePath("graph.pdf");
        answers = {a};
        duringDialog = [&] {
            duringDialog = nullptr;
            click("CWSEL");
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
        printing->CmdPrint->click();
        QVERIFY(!printing);
        QVERIFY(!QFile::exists(a.fileName));
        int shown = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            shown += w->inherits("RealTimeGraph") && w->isVisible();
        QCOMPARE(shown, 1);
        RealTimeGraph* w = history();
        QCOMPARE(w->size(), QSize(Twips::px(10560), Twips::px(8295)));
        QCOMPARE(w->CWGraph1->Axes(2).caption(), QStringLiteral("SEL (dB)"));
        QVERIFY(w->FrmGraphic->isVisible());
    }

    void renderLive()
    {
        // Five minutes of a street: traffic swelling and passing, a lorry.
        for (int t = 0; t < 300; ++t) {
            const double lorry = t > 200 && t < 215 ? 15 : 0;
            sample(std::round((58 + 6 * std::sin(t / 40.0) +
                               4 * std::sin(t * 1.3) * std::sin(t / 9.0) + lorry) *
                              10) /
                   10);
        }
        click("CWG");
        history()->tools->select("Cursor Coordinates");
        click("CWDec");
        const QString out = qEnvironmentVariable("DORVI_RENDER_DIR");
        for (QWidget* w : {static_cast<QWidget*>(history()), static_cast<QWidget*>(histogram())}) {
            QTest::qWait(50);
            const QImage image = w->grab().toImage();
            QVERIFY(!image.isNull());
            if (!out.isEmpty())
                QVERIFY(image.save(QDir(out).filePath("live " + w->windowTitle() + ".png")));
        }
    }
};

QTEST_MAIN(TestLiveGraphs)
#include "test_livegraphs.moc"
