#include "graphs/graphtools.h"
#include "platform/dialogs.h"
#include "platform/graph.h"
#include "platform/numedit.h"
#include "testutil.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <qcustomplot.h>

namespace {

// A graph window as the tools expect one: graph, chooser, edits, read-out,
// reset and print, and a frame that printing hides.
struct ToolsWindow : QWidget
{
    Graph* graph = new Graph(this);
    QWidget* frame = new QWidget(this);
    QComboBox* chooser = GraphTools::makeChooser(frame);
    QPlainTextEdit* description = GraphTools::makeDescription(frame);
    std::array<NumEdit*, 2> min{new NumEdit(frame), new NumEdit(frame)};
    std::array<NumEdit*, 2> max{new NumEdit(frame), new NumEdit(frame)};
    QLabel* x = new QLabel(frame);
    QLabel* y = new QLabel(frame);
    QPushButton* reset = new QPushButton(QStringLiteral("Reset Scale"), frame);
    bool held = false;
    int resets = 0;
    GraphTools* tools;

    explicit ToolsWindow(GraphTools::CursorRule onNormal = GraphTools::CursorRule::RemoveAll,
                         GraphTools::CursorRule onPanZoom = GraphTools::CursorRule::RemoveAll)
    {
        resize(600, 500);
        graph->setGeometry(8, 8, 584, 300);
        frame->setGeometry(8, 320, 584, 170);
        int left = 0;
        for (QWidget* c : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            c->setGeometry(left, 0, 60, 30);
            left += 64;
        }
        GraphTools::Setup s;
        s.graph = graph;
        s.chooser = chooser;
        s.description = description;
        s.items =
            QStringList{"Normal", "Cursor Coordinates", "PanXY", "PanX", "PanY", "ZoomXY", "ZoomX",
                        "ZoomY"} +
            QStringList{"Reset Scale"};
        s.onNormal = onNormal;
        s.onPanZoom = onPanZoom;
        s.resetItem = "Reset Scale";
        s.reset = [this] { ++resets; };
        s.resetButton = reset;
        s.axisMin = min;
        s.axisMax = max;
        s.editsHeld = [this] { return held; };
        s.xPosition = x;
        s.yPosition = y;
        s.print.plainFirst = true;
        s.print.note = true;
        s.print.hidden = {frame};
        s.print.whiteBackground = true;
        s.print.whiteGraph = true;
        s.print.emptyYCaption = true;
        s.print.clientTwips = QSize(10000, 8000);
        s.print.graphTwips = QPoint(720, 720);
        tools = new GraphTools(this, s);
        tools->fillChooser();
        graph->Axes(2).setCaption("SPL (dB)");
    }
};

QPoint pixel(Graph& g, double x, double y)
{
    return QPoint(qRound(g.Axes(1).axis()->coordToPixel(x)),
                  qRound(g.Axes(2).axis()->coordToPixel(y)));
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

// Pixels of the screen's graph colour (the dark grey around the plot) on page 1.
int darkGreyPixels(const QString& pdf)
{
    QProcess p;
    p.start("pdftoppm", {"-r", "48", "-png", "-singlefile", pdf, pdf});
    p.waitForFinished();
    const QImage page(pdf + ".png");
    int n = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            n += qAbs(qGray(page.pixel(x, y)) - 40) < 8;
    return page.isNull() ? -1 : n;
}

} // namespace

class TestGraphTools : public QObject
{
    Q_OBJECT
    QList<Platform::DialogRequest> asked;
    QList<Platform::DialogAnswer> answers;

private slots:
    void init()
    {
        asked.clear();
        answers.clear();
        Platform::setDialogSeam([this](const Platform::DialogRequest& r) {
            asked.append(r);
            return answers.isEmpty() ? Platform::DialogAnswer{} : answers.takeFirst();
        });
    }

    void chooserModes_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("mode");
        QTest::addColumn<GraphTools::CursorRule>("onNormal");
        QTest::addColumn<int>("cursorsLeft");
        QTest::addColumn<bool>("firstVisible");
        using R = GraphTools::CursorRule;
        QTest::newRow("Normal keeps") << "Normal" << 1 << R::Keep << 2 << true;
        QTest::newRow("Normal removes") << "Normal" << 1 << R::RemoveAll << 0 << true;
        QTest::newRow("Normal hides") << "Normal" << 1 << R::HideFirstTwo << 2 << false;
        QTest::newRow("ZoomY") << "ZoomY" << 8 << R::Keep << 0 << true;
    }
    void chooserModes()
    {
        QFETCH(QString, item);
        QFETCH(int, mode);
        QFETCH(GraphTools::CursorRule, onNormal);
        QFETCH(int, cursorsLeft);
        QFETCH(bool, firstVisible);
        ToolsWindow w(onNormal);
        QCOMPARE(w.chooser->count(), 9);
        QCOMPARE(w.chooser->currentIndex(), -1);
        QCOMPARE(w.chooser->placeholderText(), QStringLiteral("Normal"));
        w.graph->addCursor("Cursor-1");
        w.graph->addCursor("Cursor-2");
        w.tools->select(item);
        QCOMPARE(w.graph->trackMode(), mode);
        QCOMPARE(w.description->toPlainText(), GraphTools::descriptionOf(mode));
        QCOMPARE(w.chooser->currentText(), item);
        QCOMPARE(w.graph->cursorCount(), cursorsLeft);
        if (cursorsLeft) QCOMPARE(w.graph->cursor(1)->visible(), firstVisible);
    }

    void reChosenItemActsAgain()
    {
        ToolsWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.tools->select("Reset Scale");
        emit w.chooser->activated(w.chooser->currentIndex()); // the same item again
        QCOMPARE(w.resets, 2);
        w.reset->click();
        QCOMPARE(w.resets, 3);
    }

    void cursorSetUp()
    {
        // On a zoomed graph that has cursors: none added, cursor 1 keeps its
        // colour, snaps to the curve and stands in the middle of the axes.
        ToolsWindow w;
        w.graph->PlotY({60, 61, 62, 63, 64, 65, 66, 67, 68, 69}, 1, 1);
        w.graph->Axes(1).SetMinMax(3, 8);
        w.graph->Axes(2).SetMinMax(40, 100);
        w.graph->addCursor().setColor(Qt::green);
        w.graph->addCursor();
        QSignalSpy moved(w.graph, &Graph::cursorChange);
        w.tools->select("Cursor Coordinates");
        QCOMPARE(w.graph->trackMode(), 2);
        QCOMPARE(w.graph->cursorCount(), 2);
        GraphCursor* c = w.graph->cursor(1);
        QCOMPARE(c->color(), QColor(Qt::green));
        QCOMPARE(c->snapMode(), 1);
        QCOMPARE(c->xPosition(), 5.0); // 5.5 lies between records 5 and 6
        QCOMPARE(c->yPosition(), 64.0);
        QCOMPARE(moved.count(), 2);
        QCOMPARE(w.x->text(), QStringLiteral("5"));
        QCOMPARE(w.y->text(), QStringLiteral("64.0"));

        // A graph without cursors gets one, red; cursor 2 changes no read-out.
        ToolsWindow fresh;
        fresh.tools->select("Cursor Coordinates");
        QCOMPARE(fresh.graph->cursorCount(), 1);
        QCOMPARE(fresh.graph->cursor(1)->color(), QColor(255, 0, 0));
        QCOMPARE(fresh.graph->cursor(1)->xPosition(), 5.0); // floating without a curve
        fresh.graph->addCursor().setXPosition(1234.5);
        QCOMPARE(fresh.x->text(), QStringLiteral("5"));
    }

    void cursorDragRepaintsCursorsOnly()
    {
        ToolsWindow w;
        QVector<double> v(100);
        for (int i = 0; i < v.size(); ++i)
            v[i] = 50 + i % 20;
        w.graph->PlotY(v, 1, 1);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.tools->select("Cursor Coordinates");
        w.graph->customPlot()->replot();
        QSignalSpy full(w.graph->customPlot(), &QCustomPlot::afterReplot);
        QWidget* plot = w.graph->customPlot();
        const QPoint from = pixel(*w.graph, 50, 40); // on the vertical line
        QTest::mousePress(plot, Qt::LeftButton, {}, from);
        QTest::mouseMove(plot, pixel(*w.graph, 70.2, 80));
        QTest::mouseRelease(plot, Qt::LeftButton, {}, pixel(*w.graph, 70.2, 80));
        QCOMPARE(w.graph->cursor(1)->xPosition(), 70.0);
        QCOMPARE(w.graph->cursor(1)->yPosition(), v[69]);
        QCOMPARE(w.x->text(), QStringLiteral("70"));
        QTest::qWait(30);
        QCOMPARE(full.count(), 0);
    }

    void zoomAndPan_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("dx"); // pixels of the drag
        QTest::addColumn<int>("dy");
        QTest::addColumn<bool>("xChanges");
        QTest::addColumn<bool>("yChanges");
        QTest::newRow("ZoomXY") << 6 << 100 << 80 << true << true;
        QTest::newRow("ZoomX") << 7 << 100 << 80 << true << false;
        QTest::newRow("ZoomY") << 8 << 100 << 80 << false << true;
        QTest::newRow("ZoomX, band of 2 px") << 7 << 2 << 80 << false << false;
        QTest::newRow("ZoomXY, band of 2 px high") << 6 << 100 << 2 << false << false;
        QTest::newRow("PanX") << 4 << 100 << 80 << true << false;
        QTest::newRow("PanY") << 5 << 100 << 80 << false << true;
        QTest::newRow("Normal") << 1 << 100 << 80 << false << false;
    }
    void zoomAndPan()
    {
        QFETCH(int, mode);
        QFETCH(int, dx);
        QFETCH(int, dy);
        QFETCH(bool, xChanges);
        QFETCH(bool, yChanges);
        ToolsWindow w;
        w.graph->Axes(1).SetMinMax(0, 100);
        w.graph->Axes(2).SetMinMax(0, 100);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.graph->setTrackMode(mode);
        w.graph->customPlot()->replot();
        QWidget* plot = w.graph->customPlot();
        const QPoint a = pixel(*w.graph, 30, 70);
        QTest::mousePress(plot, Qt::LeftButton, {}, a);
        QTest::mouseMove(plot, a + QPoint(dx / 2, dy / 2));
        QTest::mouseMove(plot, a + QPoint(dx, dy));
        QTest::mouseRelease(plot, Qt::LeftButton, {}, a + QPoint(dx, dy));
        QCOMPARE(w.graph->Axes(1).Minimum() != 0, xChanges);
        QCOMPARE(w.graph->Axes(2).Minimum() != 0, yChanges);
        // The wheel never zooms; the edits do not follow.
        QWheelEvent wheel(QPointF(a), plot->mapToGlobal(QPointF(a)), {}, {0, 120}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        const double xMin = w.graph->Axes(1).Minimum();
        QApplication::sendEvent(plot, &wheel);
        QCOMPARE(w.graph->Axes(1).Minimum(), xMin);
        QCOMPARE(w.min[0]->value(), 0.0);
    }

    void edits()
    {
        ToolsWindow w;
        w.graph->Axes(2).SetMinMax(40, 50);
        w.held = true; // as while an opener fills the edits
        w.max[1]->setValue(145);
        w.min[1]->setValue(25);
        QCOMPARE(w.graph->Axes(2).Maximum(), 50.0);
        w.held = false;
        w.max[0]->setValue(200); // one edit re-applies both axes
        QCOMPARE(w.graph->Axes(1).Maximum(), 200.0);
        QCOMPARE(w.graph->Axes(2).Minimum(), 25.0);
        QCOMPARE(w.graph->Axes(2).Maximum(), 145.0);
        // No test of the values: an upside-down pair is the graph's to show.
        w.min[0]->setValue(300);
        QCOMPARE(w.graph->Axes(1).Minimum(), 200.0);
        QCOMPARE(w.graph->Axes(1).Maximum(), 300.0);
    }

    void numEdit()
    {
        NumEdit e;
        QSignalSpy changed(&e, &NumEdit::valueChanged);
        e.setValue(1.7e7); // by code: never clamped
        QCOMPARE(e.value(), 1.7e7);
        e.setValue(1.7e7);
        QCOMPARE(changed.count(), 1);
        e.show();
        e.setFocus();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        e.selectAll();
        QTest::keyClicks(&e, "12.34");
        QCOMPARE(changed.count(), 1); // nothing until Enter
        QTest::keyClick(&e, Qt::Key_Return);
        QCOMPARE(e.value(), 12.3);
        QCOMPARE(changed.count(), 2);
        QTest::keyClick(&e, Qt::Key_Up);
        QCOMPARE(e.value(), 13.3);
        e.selectAll();
        QTest::keyClicks(&e, "-99999999");
        QTest::keyClick(&e, Qt::Key_Enter);
        QCOMPARE(e.value(), NumEdit::Minimum);
        QCOMPARE(e.text(), QStringLiteral("-10000000.0"));
        QCOMPARE(changed.count(), 4);
    }

    void print_data()
    {
        QTest::addColumn<int>("copies");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QString>("printer"); // the system printer the PDF stands for
        QTest::newRow("one") << 1 << false << false << 1 << "";
        QTest::newRow("two copies") << 2 << false << false << 2 << "";
        QTest::newRow("none") << 0 << false << false << 0 << "";
        QTest::newRow("cancel") << 1 << true << false << 0 << "";
        QTest::newRow("failure") << 1 << false << true << 0 << "";
        QTest::newRow("printer gone") << 1 << false << false << 0 << "Dorvi Gone Printer";
    }
    void print()
    {
        QFETCH(int, copies);
        QFETCH(bool, cancel);
        QFETCH(bool, fails);
        QFETCH(int, pages);
        QFETCH(QString, printer);
        const bool nothingPrinted = fails || !printer.isEmpty();
        QTemporaryDir dir;
        const QString pdf = fails ? dir.filePath("missing/out.pdf") : dir.filePath("out.pdf");
        Platform::DialogAnswer a;
        a.accepted = !cancel;
        a.fileName = pdf;
        a.copies = copies;
        a.printerName = printer;
        answers = {a};

        ToolsWindow w;
        w.graph->PlotY({60, 70, 65}, 1, 1);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.tools->select("Cursor Coordinates");
        const QSize size = w.size();
        const QPoint graphPos = w.graph->pos();
        const QColor graphColor = w.graph->graphColor();
        bool frameHiddenWhileAsked = false;
        Platform::setDialogSeam([&](const Platform::DialogRequest& r) {
            asked.append(r);
            frameHiddenWhileAsked = w.frame->isHidden();
            return answers.isEmpty() ? Platform::DialogAnswer{} : answers.takeFirst();
        });
        w.tools->print();

        // Plain display and no cursor, whatever came of it.
        QCOMPARE(w.chooser->currentText(), QStringLiteral("Normal"));
        QCOMPARE(w.graph->trackMode(), 1);
        QCOMPARE(w.graph->cursorCount(), 0);
        QVERIFY(!frameHiddenWhileAsked);
        QCOMPARE(asked.size(), cancel ? 1 : nothingPrinted ? 3 : 2);
        if (!cancel) QCOMPARE(asked[1].text.split('\r').size(), 6); // the "Note" box
        if (nothingPrinted) { // named, after the window is back
            QVERIFY(asked[2].text.contains(printer.isEmpty() ? QDir::toNativeSeparators(pdf)
                                                             : '"' + printer + '"'));
            QVERIFY(asked[2].text.endsWith("Nothing was printed."));
        }
        // Everything else as it was.
        QCOMPARE(w.size(), size);
        QCOMPARE(w.graph->pos(), graphPos);
        QCOMPARE(w.graph->graphColor(), graphColor);
        QCOMPARE(w.graph->Axes(2).caption(), QStringLiteral("SPL (dB)"));
        QVERIFY(w.frame->isVisible());
        QVERIFY(!w.tools->printing());
        QCOMPARE(QFile::exists(pdf), pages > 0);
        if (pages > 0) {
            QCOMPARE(pdfPages(pdf), pages);
            QCOMPARE(darkGreyPixels(pdf), 0); // the graph printed white
        }
    }
};

QTEST_MAIN(TestGraphTools)
#include "test_graphtools.moc"
