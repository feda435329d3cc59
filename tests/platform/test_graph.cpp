#include "platform/graph.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <qcustomplot.h>

#include <cmath>

namespace {

QStringList shownTickLabels(Graph& graph, int axis)
{
    graph.customPlot()->replot();
    return graph.Axes(axis).axis()->tickVectorLabels();
}

} // namespace

class TestGraph : public QObject
{
    Q_OBJECT

private slots:
    void axisRange_data()
    {
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("shownMin");
        QTest::addColumn<double>("shownMax");
        QTest::newRow("plain") << 25.0 << 145.0 << 25.0 << 145.0;
        QTest::newRow("equal: one record") << 1.0 << 1.0 << 0.5 << 1.5;
        QTest::newRow("inverted: one sample") << 1.0 << 0.0 << 0.0 << 1.0;
        QTest::newRow("inverted: no sample") << 1.0 << -1.0 << -1.0 << 1.0;
        QTest::newRow("inverted: empty histogram") << 144.0 << 1.0 << 1.0 << 144.0;
    }
    void axisRange()
    {
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(double, shownMin);
        QFETCH(double, shownMax);
        Graph graph;
        for (int i : {1, 2}) {
            graph.Axes(i).SetMinMax(min, max);
            QCOMPARE(graph.Axes(i).Minimum(), shownMin);
            QCOMPARE(graph.Axes(i).Maximum(), shownMax);
            QVERIFY(!graph.Axes(i).autoScale());
        }
        graph.PlotY({50, 60, 70}, 1, 1); // a set range stays put
        QCOMPARE(graph.Axes(1).Minimum(), shownMin);
        QCOMPARE(graph.Axes(2).Maximum(), shownMax);
        graph.Axes(2).setAutoScale(true);
        QVERIFY(graph.Axes(2).Minimum() <= 50 && graph.Axes(2).Maximum() >= 70);
    }

    void tickLabels_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("whole dB") << "0" << 44.0 << 71.0
                                  << QStringList{"45", "50", "55", "60", "65", "70"};
        QTest::newRow("whole numbers on a short range")
            << "0" << 0.0 << 3.0 << QStringList{"0", "1", "2", "3"};
        QTest::newRow("one decimal")
            << "0.0" << 0.0 << 1.0 << QStringList{"0.0", "0.2", "0.4", "0.6", "0.8", "1.0"};
        QTest::newRow("tenths classes in dB")
            << "*.1" << 649.0 << 701.0
            << QStringList{"65.0", "66.0", "67.0", "68.0", "69.0", "70.0"};
        QTest::newRow("tenths, narrow")
            << "*0.1" << 649.0 << 652.0 << QStringList{"64.9", "65.0", "65.1", "65.2"};
        QTest::newRow("default") << "" << 0.0 << 1.0
                                 << QStringList{"0", "0.2", "0.4", "0.6", "0.8", "1"};
    }
    void tickLabels()
    {
        QFETCH(QString, format);
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(QStringList, labels);
        Graph graph;
        graph.resize(600, 300);
        graph.Axes(1).setFormatString(format);
        graph.Axes(1).SetMinMax(min, max);
        QCOMPARE(graph.Axes(1).formatString(), format);
        QCOMPARE(shownTickLabels(graph, 1), labels);
    }

    void formatValue_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("text");
        QTest::newRow("class 653") << 653.0 << "*.1"
                                   << "65.3";
        QTest::newRow("rounds") << 64.96 << "0.0"
                                << "65.0";
        QTest::newRow("no minus zero") << -0.04 << "0.0"
                                       << "0.0";
        QTest::newRow("optional decimal") << 65.0 << "0.#"
                                          << "65";
        QTest::newRow("no leading zero") << 0.5 << "#.0"
                                         << ".5";
        QTest::newRow("unknown format") << 2.5 << "dB"
                                        << "2.5";
    }
    void formatValue()
    {
        QFETCH(double, value);
        QFETCH(QString, format);
        QFETCH(QString, text);
        QCOMPARE(GraphAxis::formatValue(value, format), text);
    }

    void plotY_data()
    {
        QTest::addColumn<double>("firstX");
        QTest::addColumn<double>("incX");
        QTest::addColumn<QVector<double>>("x");
        QTest::newRow("values alone") << 0.0 << 1.0 << QVector<double>{0, 1, 2, 3};
        QTest::newRow("records from 1") << 1.0 << 1.0 << QVector<double>{1, 2, 3, 4};
        QTest::newRow("half steps") << 10.0 << 0.5 << QVector<double>{10, 10.5, 11, 11.5};
        QTest::newRow("backwards") << 3.0 << -1.0 << QVector<double>{0, 1, 2, 3};
    }
    void plotY()
    {
        QFETCH(double, firstX);
        QFETCH(double, incX);
        QFETCH(QVector<double>, x);
        Graph graph;
        graph.ChartY(99); // replaced by the plot
        graph.PlotY({60, 61, 62, 63}, firstX, incX);
        QCOMPARE(graph.pointCount(), 4);
        for (int k = 0; k < 4; ++k)
            QCOMPARE(graph.points().at(k).x(), x.at(k));
        QCOMPARE(graph.Axes(1).Minimum(), x.first());
        QCOMPARE(graph.Axes(1).Maximum(), x.last());
        QVERIFY(graph.Axes(2).Minimum() < 60 && graph.Axes(2).Maximum() > 63);
    }

    void histogramReadBack()
    {
        // A 0.1 dB histogram as its window gets it: format, X range, counts.
        Graph graph;
        graph.setPlotStyle(Graph::Bars);
        QVector<double> counts(1401, 0);
        for (int k = 650; k <= 700; ++k)
            counts[k] = k % 7;
        counts[683] = 37;
        graph.Axes(1).setFormatString(QStringLiteral("*.1"));
        graph.Axes(1).SetMinMax(649, 701);
        graph.PlotY(counts);
        QCOMPARE(graph.Axes(1).Minimum(), 649.0);
        QCOMPARE(graph.Axes(1).Maximum(), 701.0);
        QCOMPARE(graph.Axes(2).Minimum(), 0.0);
        QVERIFY(graph.Axes(2).Maximum() >= 37 && graph.Axes(2).Maximum() <= 41);
        QCOMPARE(graph.points().at(683), QPointF(683, 37));
    }

    void barsStandLeftOfTheirPoint()
    {
        // Class 600 (60.0 dB) drawn at X = 601 covers 600 to 601.
        Graph graph;
        graph.resize(400, 300);
        graph.setPlotStyle(Graph::BarsLeft);
        QVector<double> counts(1451, 0);
        counts[600] = 8;
        graph.Axes(1).SetMinMax(598, 603);
        graph.PlotY(counts, 1, 1);
        graph.Axes(2).SetMinMax(0, 10);
        for (int i : {1, 2})
            graph.Axes(i).axis()->grid()->setVisible(false);
        const QImage image = graph.customPlot()->toPixmap(400, 300).toImage();
        QCPAxis* x = graph.Axes(1).axis();
        const int y = qRound(graph.Axes(2).axis()->coordToPixel(4));
        const QColor area = graph.plotAreaColor();
        for (double at : {600.1, 600.5, 600.9})
            QVERIFY(image.pixelColor(qRound(x->coordToPixel(at)), y) != area);
        for (double at : {599.5, 599.9, 601.1, 601.5})
            QCOMPARE(image.pixelColor(qRound(x->coordToPixel(at)), y), area);
    }

    void markersInView()
    {
        Graph graph;
        graph.resize(600, 300);
        graph.show();
        QVERIFY(QTest::qWaitForWindowExposed(&graph));
        QVector<double> levels(20000, 60);
        graph.PlotY(levels, 1, 1);
        QList<GraphMarker> markers;
        for (int r = 1; r <= 20000; r += 2) {
            markers.append({r - 1, double(r), 30, QStringLiteral("Pause")});
            markers.append({r, double(r + 1), 105, QStringLiteral("Start")});
        }
        graph.addMarkers(markers);
        QCOMPARE(graph.markerCount(), 20000);
        QCOMPARE(graph.marker(1).caption, QStringLiteral("Start"));
        graph.customPlot()->replot();
        // Labels that would overlap are left out: a row holds a few dozen.
        QVERIFY(graph.markersDrawn() > 4);
        QVERIFY(graph.markersDrawn() < 200);
        graph.Axes(1).SetMinMax(100, 104);
        graph.customPlot()->replot();
        QCOMPARE(graph.markersDrawn(), 5); // "Start" at 100, 102, 104, "Pause" at 101, 103
        graph.clearMarkers();
        graph.customPlot()->replot();
        QCOMPARE(graph.markersDrawn(), 0);
    }

    void chartBounded()
    {
        Graph graph;
        graph.setChartLength(10);
        for (int i = 1; i <= 25; ++i)
            graph.ChartY(60 + i % 5);
        QCOMPARE(graph.pointCount(), 10);
        QCOMPARE(graph.points().first(), QPointF(16, 61));
        QCOMPARE(graph.points().last(), QPointF(25, 60));
        QCOMPARE(graph.Axes(1).Minimum(), 16.0);
        QCOMPARE(graph.Axes(1).Maximum(), 25.0);
        QVERIFY(graph.Axes(2).Minimum() < 60 && graph.Axes(2).Maximum() > 64);

        // Axes set by hand: X keeps its width and follows, Y stays.
        graph.ClearData();
        graph.Axes(1).SetMinMax(1, 10);
        graph.Axes(2).SetMinMax(30, 130);
        for (int i = 1; i <= 25; ++i)
            graph.ChartY(150);
        QCOMPARE(graph.Axes(1).Minimum(), 16.0);
        QCOMPARE(graph.Axes(1).Maximum(), 25.0);
        QCOMPARE(graph.Axes(2).Maximum(), 130.0);
    }

    void clearData()
    {
        Graph graph;
        graph.PlotY({1, 2, 3}, 5, 1);
        graph.ChartY(4); // continues the plot
        QCOMPARE(graph.points().last(), QPointF(8, 4));
        const double xMax = graph.Axes(1).Maximum();
        const double yMax = graph.Axes(2).Maximum();
        graph.ClearData();
        QCOMPARE(graph.pointCount(), 0);
        QCOMPARE(graph.Axes(1).Maximum(), xMax);
        QCOMPARE(graph.Axes(2).Maximum(), yMax);
        graph.ChartY(70);
        QCOMPARE(graph.points(), (QVector<QPointF>{{1, 70}}));
    }

    void clicked()
    {
        Graph graph;
        graph.resize(300, 200);
        graph.show();
        QVERIFY(QTest::qWaitForWindowExposed(&graph));
        QSignalSpy spy(&graph, &Graph::clicked);
        QTest::mouseClick(graph.customPlot(), Qt::LeftButton, {}, QPoint(150, 100));
        QCOMPARE(spy.count(), 1);
        QTest::mouseClick(&graph, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(spy.count(), 2);
    }

    void queuedReplot()
    {
        Graph graph;
        graph.resize(300, 200);
        graph.show();
        QVERIFY(QTest::qWaitForWindowExposed(&graph));
        QSignalSpy spy(graph.customPlot(), &QCustomPlot::afterReplot);
        QTest::qWait(20);
        spy.clear();
        graph.Axes(2).setCaption(QStringLiteral("Leq (dB)"));
        graph.Axes(1).SetMinMax(0, 100);
        for (int i = 0; i < 50; ++i)
            graph.ChartY(i);
        QCOMPARE(spy.count(), 0);
        QTRY_COMPARE(spy.count(), 1);
        QTest::qWait(20);
        QCOMPARE(spy.count(), 1);
    }

    void captionsLooksAndModes()
    {
        Graph graph;
        graph.Axes(2).setCaption(QStringLiteral("SPL (dB)"));
        QCOMPARE(graph.Axes(2).caption(), QStringLiteral("SPL (dB)"));
        QCOMPARE(graph.customPlot()->yAxis->label(), QStringLiteral("SPL (dB)"));
        QCOMPARE(graph.customPlot()->yAxis->labelFont().family(), QStringLiteral("Arial"));
        QVERIFY(graph.customPlot()->yAxis->labelFont().bold());
        graph.setGraphColor(Qt::white); // as for printing
        QCOMPARE(graph.graphColor(), QColor(Qt::white));
        QCOMPARE(graph.customPlot()->xAxis->tickLabelColor(), QColor(Qt::black));
        QCOMPARE(graph.trackMode(), int(Graph::TrackPlain));
        graph.setTrackMode(Graph::TrackZoomXY);
        graph.setTrackMode(9);
        QCOMPARE(graph.trackMode(), 6);
    }

    void speed()
    {
        Graph graph;
        graph.resize(700, 350);
        QVector<double> levels(864001);
        for (qsizetype i = 0; i < levels.size(); ++i)
            levels[i] = 60 + 20 * std::sin(double(i) / 5000) + (i % 13) * 0.3;
        QElapsedTimer timer;
        timer.start();
        graph.PlotY(levels, 1, 1);
        const qint64 plotted = timer.elapsed();
        graph.customPlot()->replot();
        qDebug() << "864001 points: PlotY" << plotted << "ms, replot" << timer.elapsed() - plotted
                 << "ms";
        QVERIFY(timer.elapsed() < 5000);

        graph.setPlotStyle(Graph::Bars);
        QVector<double> counts(1401);
        for (qsizetype k = 0; k < counts.size(); ++k)
            counts[k] = double(k % 50);
        timer.restart();
        graph.PlotY(counts);
        graph.customPlot()->replot();
        qDebug() << "1401 counts as bars: plot and replot" << timer.elapsed() << "ms";
        QVERIFY(timer.elapsed() < 5000);
    }
};

QTEST_MAIN(TestGraph)
#include "test_graph.moc"
