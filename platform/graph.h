#pragma once
// The graph control: an X and a Y axis with ranges, captions and label
// formats, one plotted series (a whole array, or a strip chart that grows a
// point at a time), drawn by QCustomPlot with queued replots.

#include <QColor>
#include <QPointF>
#include <QSharedPointer>
#include <QString>
#include <QVector>
#include <QWidget>

class QCPAxis;
class QCPGraph;
class QCustomPlot;
class Graph;
class LabelFormatTicker;

class GraphAxis
{
public:
    GraphAxis(const GraphAxis&) = delete;
    GraphAxis& operator=(const GraphAxis&) = delete;

    // Sets the range and stops the axis from scaling itself (setAutoScale
    // turns that back on). A range given upside down is shown the right way
    // round; an empty range (min equal to max) is widened by 0.5 on each side.
    // Ranges that are not finite numbers are ignored.
    void SetMinMax(double min, double max);
    double Minimum() const;
    double Maximum() const;

    void setCaption(const QString& caption);
    QString caption() const;

    // Tick label format: "" the plain default; "0", "0.0", "0.00" a fixed
    // number of decimals ("#" in place of a trailing "0" drops that digit when
    // it is zero); "*f" the value times f with as many decimals as f has, so
    // "*.1" labels class 653 as 65.3. Ticks never fall between the steps
    // that a format can show.
    void setFormatString(const QString& format);
    QString formatString() const;
    // value as a tick label in the given format
    static QString formatValue(double value, const QString& format);

    // An autoscaled axis fits the plotted points whenever they change: the X
    // axis tightly, the Y axis with a margin of 5 % of the span rounded
    // outwards to a tenth of the span's decade, never below 0 for points that
    // are all 0 or more. Both axes start autoscaled.
    void setAutoScale(bool on);
    bool autoScale() const;

    QCPAxis* axis() const { return axis_; }

private:
    friend class Graph;
    GraphAxis(Graph* graph, QCPAxis* axis);
    void setShownRange(double min, double max);

    Graph* graph_;
    QCPAxis* axis_;
    QSharedPointer<LabelFormatTicker> ticker_;
    bool autoScale_ = true;
};

class Graph : public QWidget
{
    Q_OBJECT

public:
    enum PlotStyle {
        Line, // points joined by straight lines
        Bars, // a histogram: each point a filled bar one step wide, centred on its x
    };

    // What a drag in the plot area does, as the graph windows number it.
    // Only TrackPlain has behaviour yet; the others are stored.
    enum TrackMode {
        TrackPlain = 1,
        TrackCursor,
        TrackPanXY,
        TrackPanX,
        TrackPanY,
        TrackZoomXY,
        TrackZoomX,
        TrackZoomY
    };

    explicit Graph(QWidget* parent = nullptr);
    ~Graph() override;

    // 1 the X axis, 2 the Y axis.
    GraphAxis& Axes(int i);

    // Replaces the plot: value k at x = firstX + k * incX.
    void PlotY(const QVector<double>& values, double firstX = 0, double incX = 1);
    // Strip chart: one more point at the next x, which runs 1, 2, 3, ... after
    // a clear and on from the last point after a PlotY. Only the last
    // chartLength() points are kept; the X axis scrolls to the newest (when it
    // is autoscaled it spans exactly the points kept; otherwise it keeps its
    // width and moves right once a point passes its end).
    void ChartY(double value);
    // Removes every point; the axes keep their ranges.
    void ClearData();

    void setChartLength(int points); // at least 2; default 1000
    int chartLength() const;

    int pointCount() const;
    QVector<QPointF> points() const;

    void setPlotStyle(PlotStyle style);
    PlotStyle plotStyle() const;

    void setTrackMode(int mode); // 1..8; other values are ignored
    int trackMode() const;

    // Defaults: black plot area, yellow trace, dark grey around the plot.
    // Labels and axes are drawn dark on a light graph colour, light on a dark one.
    void setPlotAreaColor(const QColor& color);
    QColor plotAreaColor() const;
    void setTraceColor(const QColor& color);
    QColor traceColor() const;
    void setGraphColor(const QColor& color);
    QColor graphColor() const;

    // The plot itself, for the tools built on it (cursors, markers, printing).
    QCustomPlot* customPlot() const { return plot_; }

    // Queues one replot for all changes made until the event loop runs.
    void replot();

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    friend class GraphAxis;
    void fitAxes(bool chart);
    void applyStyle();
    void applyLabelColors();

    QCustomPlot* plot_;
    QCPGraph* series_;
    GraphAxis x_;
    GraphAxis y_;
    PlotStyle style_ = Line;
    int trackMode_ = TrackPlain;
    int chartLength_ = 1000;
    double nextX_ = 1;
    double chartStep_ = 1;
    QColor plotAreaColor_;
    QColor traceColor_;
    QColor graphColor_;
};
