#pragma once
// The graph control: an X and a Y axis with ranges, captions and label
// formats, one plotted series (a whole array, or a strip chart that grows a
// point at a time), cursors, labelled markers and what a drag in the plot
// does, drawn by QCustomPlot with queued replots.

#include <QColor>
#include <QPointF>
#include <QSharedPointer>
#include <QString>
#include <QVector>
#include <QWidget>
#include <memory>
#include <vector>

class QCPAxis;
class QCPLayer;
class QCPPainter;
class QCustomPlot;
class Graph;
class GraphPlot;
class LabelFormatTicker;
class MarkersItem;
class StepGraph;

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

// One cursor: a cross of a vertical and a horizontal line through its
// position. A new cursor stands at 0, 0, visible, white and floating.
class GraphCursor
{
public:
    GraphCursor(const GraphCursor&) = delete;
    GraphCursor& operator=(const GraphCursor&) = delete;

    enum SnapMode {
        Floating = 0,     // stands wherever it is put
        NearestPoint = 1, // on the curve's point nearest in X; floating with no curve
    };

    QString name() const { return name_; }
    void setColor(const QColor& color);
    QColor color() const { return color_; }
    void setSnapMode(int mode); // other values count as floating
    int snapMode() const { return snapMode_; }
    void setVisible(bool on);
    bool visible() const { return visible_; }

    // Moving a cursor, by code or by a drag, raises the graph's cursorChange.
    // A cursor snapped to a point keeps the point's value as its Y position.
    void setXPosition(double x);
    double xPosition() const { return x_; }
    void setYPosition(double y);
    double yPosition() const { return y_; }

private:
    friend class Graph;
    GraphCursor(Graph* graph, int index, const QString& name);
    void moveTo(double x, double y);

    Graph* graph_;
    int index_; // 1-based
    QString name_;
    QColor color_ = Qt::white;
    int snapMode_ = Floating;
    bool visible_ = true;
    double x_ = 0;
    double y_ = 0;
};

// A labelled marker tied to one point of the curve: its label stands at
// labelX, labelY and an arrow runs from it to the point.
struct GraphMarker
{
    qsizetype point = 0; // index into the curve, from 0
    double labelX = 0;
    double labelY = 0;
    QString caption;
};
Q_DECLARE_TYPEINFO(GraphMarker, Q_RELOCATABLE_TYPE);

class Graph : public QWidget
{
    Q_OBJECT

public:
    enum PlotStyle {
        Line,     // points joined by straight lines
        Bars,     // a histogram: each point a filled bar one step wide, centred on its x
        BarsLeft, // a histogram: each point a filled bar one step wide, ending at its x
    };

    // What a drag in the plot area does, as the graph windows number it. A
    // zoom takes the band selected with the mouse; a band under 3 pixels
    // wide (in a direction it zooms) does nothing. The wheel does nothing.
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

    void setTrackMode(int mode); // 1..8; other values are ignored
    int trackMode() const;

    // Cursors, numbered from 1. Adding to a graph with none gives cursor 1.
    int cursorCount() const;
    GraphCursor& addCursor(const QString& name = QString());
    void removeAllCursors();
    GraphCursor* cursor(int index) const; // nullptr when there is no such cursor

    // Markers; many thousands are cheap: only those in view are drawn, and
    // a label that would overlap one already drawn is left out with its arrow.
    void addMarker(qsizetype point, double labelX, double labelY, const QString& caption);
    void addMarkers(const QList<GraphMarker>& markers);
    void reserveMarkers(qsizetype count); // room for this many in all
    int markerCount() const;
    GraphMarker marker(int index) const; // from 0
    void clearMarkers();
    // How many markers the last drawing showed.
    int markersDrawn() const;

    // A black plot area with a yellow trace; dark grey around the plot unless set.
    // Labels and axes are drawn dark on a light graph colour, light on a dark one.
    QColor plotAreaColor() const;
    void setGraphColor(const QColor& color);
    QColor graphColor() const;

    // The plot itself, for the tools built on it (cursors, markers, printing).
    QCustomPlot* customPlot() const;

    // Queues one replot for all changes made until the event loop runs.
    void replot();

    // Draws the graph as it is now with the painter's origin at its top
    // left, scaled to the given size in device pixels: on a printer it looks
    // as on the screen, its lines drawn as lines and its texts as texts.
    void render(QCPPainter* painter, const QSize& size);

signals:
    void clicked();
    // A cursor was moved, with its number and new position.
    void cursorChange(int index, double x, double y);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    friend class GraphAxis;
    friend class GraphCursor;
    friend class GraphPlot;
    void fitAxes(bool chart);
    void applyStyle();
    void setBarWidth();
    void applyLabelColors();
    // Redraws the cursors alone when nothing else waits to be drawn.
    void replotCursors();
    // Snapped to the curve: the point nearest x, if there is a curve.
    bool nearestPoint(double x, QPointF* point) const;
    // The cursor under a press at pixel pos, or 0.
    int cursorAt(const QPointF& pos) const;
    void dragCursor(int index, const QPointF& pos);
    void zoomTo(const QRect& band);

    GraphPlot* plot_;
    StepGraph* series_;
    QCPLayer* cursorLayer_;
    MarkersItem* markersItem_;
    std::vector<std::unique_ptr<GraphCursor>> cursors_;
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
