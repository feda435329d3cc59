#include "graph.h"

#include "twips.h"

#include <QHash>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A label format taken apart once, so that drawing a label is arithmetic.
struct LabelFormat
{
    bool custom = false; // false: QCustomPlot's own labels
    double factor = 1;
    int decimals = 0;
    int optionalDecimals = 0; // trailing "#" digits, dropped when zero
    int intDigits = 1;

    static LabelFormat parse(const QString& text)
    {
        LabelFormat f;
        if (text.isEmpty()) return f;
        if (text.startsWith(QLatin1Char('*'))) {
            const QString number = text.mid(1).trimmed();
            bool ok = false;
            const double factor = number.toDouble(&ok);
            if (!ok || factor == 0 || !std::isfinite(factor)) return f;
            const qsizetype point = number.indexOf(QLatin1Char('.'));
            f.factor = factor;
            f.decimals = point < 0 ? 0 : int(number.size() - point - 1);
            f.custom = true;
            return f;
        }
        int intZeros = 0;
        bool afterPoint = false;
        for (QChar c : text) {
            if (c == QLatin1Char('.')) {
                if (afterPoint) return f;
                afterPoint = true;
            } else if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
                if (!afterPoint) {
                    intZeros += c == QLatin1Char('0');
                } else {
                    ++f.decimals;
                    f.optionalDecimals = c == QLatin1Char('#') ? f.optionalDecimals + 1 : 0;
                }
            } else if (c != QLatin1Char(',')) {
                return f;
            }
        }
        f.intDigits = intZeros;
        f.custom = true;
        return f;
    }

    // The smallest tick step whose labels still differ.
    double unit() const { return std::pow(10.0, -decimals) / std::abs(factor); }

    QString format(double value) const
    {
        QString s = QString::number(value * factor, 'f', decimals);
        if (s.startsWith(QLatin1Char('-')) && s.toDouble() == 0) s.remove(0, 1); // no "-0.0"
        for (int i = 0; i < optionalDecimals && s.endsWith(QLatin1Char('0')); ++i)
            s.chop(1);
        if (s.endsWith(QLatin1Char('.'))) s.chop(1);
        const bool negative = s.startsWith(QLatin1Char('-'));
        const qsizetype start = negative ? 1 : 0;
        qsizetype end = s.indexOf(QLatin1Char('.'));
        if (end < 0) end = s.size();
        if (intDigits == 0 && end - start == 1 && s.at(start) == QLatin1Char('0') && end < s.size())
            s.remove(start, 1); // "#.0" shows 0.5 as ".5"
        else if (end - start < intDigits)
            s.insert(start, QString(intDigits - (end - start), QLatin1Char('0')));
        return s;
    }
};

} // namespace

class LabelFormatTicker : public QCPAxisTicker
{
public:
    void setFormat(const QString& text)
    {
        text_ = text;
        format_ = LabelFormat::parse(text);
    }
    QString text() const { return text_; }

protected:
    double getTickStep(const QCPRange& range) override
    {
        const double step = QCPAxisTicker::getTickStep(range);
        if (!format_.custom) return step;
        // Keep to whole multiples of what the labels can tell apart, on the
        // 1-2-5 ladder so they stay easy to read.
        const double unit = format_.unit();
        const double m = step / unit;
        if (m <= 1) return unit;
        if (std::abs(m - std::round(m)) < 1e-9 * m) return std::round(m) * unit;
        const double decade = std::pow(10.0, std::floor(std::log10(m)));
        for (double mantissa : {1.0, 2.0, 5.0, 10.0}) {
            if (mantissa * decade >= m) return mantissa * decade * unit;
        }
        return 10 * decade * unit;
    }

    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar,
                         int precision) override
    {
        if (!format_.custom)
            return QCPAxisTicker::getTickLabel(tick, locale, formatChar, precision);
        return format_.format(tick);
    }

private:
    QString text_;
    LabelFormat format_;
};

// ---------------------------------------------------------------------------

GraphAxis::GraphAxis(Graph* graph, QCPAxis* axis)
    : graph_(graph), axis_(axis), ticker_(new LabelFormatTicker)
{
    axis_->setTicker(ticker_);
}

void GraphAxis::setShownRange(double min, double max)
{
    if (!std::isfinite(min) || !std::isfinite(max)) return;
    if (min > max) std::swap(min, max);
    if (min == max) {
        min -= 0.5;
        max += 0.5;
    }
    axis_->setRange(min, max);
}

void GraphAxis::SetMinMax(double min, double max)
{
    if (!std::isfinite(min) || !std::isfinite(max)) return;
    autoScale_ = false;
    setShownRange(min, max);
    graph_->replot();
}

double GraphAxis::Minimum() const
{
    return axis_->range().lower;
}

double GraphAxis::Maximum() const
{
    return axis_->range().upper;
}

void GraphAxis::setCaption(const QString& caption)
{
    axis_->setLabel(caption);
    graph_->replot();
}

QString GraphAxis::caption() const
{
    return axis_->label();
}

void GraphAxis::setFormatString(const QString& format)
{
    ticker_->setFormat(format);
    graph_->replot();
}

QString GraphAxis::formatString() const
{
    return ticker_->text();
}

QString GraphAxis::formatValue(double value, const QString& format)
{
    const LabelFormat f = LabelFormat::parse(format);
    return f.custom ? f.format(value) : QString::number(value);
}

void GraphAxis::setAutoScale(bool on)
{
    autoScale_ = on;
    if (on) {
        graph_->fitAxes(false);
        graph_->replot();
    }
}

bool GraphAxis::autoScale() const
{
    return autoScale_;
}

// ---------------------------------------------------------------------------

// The plot widget: a zoom takes only the selected band in the zoomed
// directions, and in cursor mode a press on a cursor drags it.
class GraphPlot : public QCustomPlot
{
public:
    GraphPlot(Graph* graph, QWidget* parent) : QCustomPlot(parent), graph_(graph)
    {
        setNoAntialiasingOnDrag(true);
    }

    int dragging = 0; // the cursor being dragged, or 0
    // A full drawing is already on its way.
    bool replotQueued() const { return mReplotQueued; }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (graph_->trackMode() == Graph::TrackCursor && event->button() == Qt::LeftButton) {
            dragging = graph_->cursorAt(event->position());
            if (dragging) {
                graph_->dragCursor(dragging, event->position());
                event->accept();
                return;
            }
        }
        QCustomPlot::mousePressEvent(event);
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (dragging) {
            graph_->dragCursor(dragging, event->position());
            event->accept();
            return;
        }
        QCustomPlot::mouseMoveEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (dragging) {
            graph_->dragCursor(dragging, event->position());
            dragging = 0;
            event->accept();
            return;
        }
        QCustomPlot::mouseReleaseEvent(event);
    }
    void wheelEvent(QWheelEvent* event) override { event->ignore(); }
    void processRectZoom(QRect rect, QMouseEvent*) override
    {
        graph_->zoomTo(rect);
        replot(rpQueuedReplot); // takes the band away
    }

private:
    Graph* graph_;
};

// A series whose fill under a step line is drawn as one rectangle per step:
// filling the whole outline as one polygon costs tens of milliseconds when
// neighbouring classes alternate in height, a rectangle each well under one.
class StepGraph : public QCPGraph
{
public:
    using QCPGraph::QCPGraph;

    double leftBarWidth = 0; // above 0: bars that end at their point

protected:
    void draw(QCPPainter* painter) override
    {
        if (leftBarWidth <= 0) {
            QCPGraph::draw(painter);
            return;
        }
        QCPAxis* keys = keyAxis();
        QCPAxis* values = valueAxis();
        if (!keys || !values || mDataContainer->isEmpty()) return;
        const QCPRange range = keys->range();
        auto it =
            std::lower_bound(mDataContainer->constBegin(), mDataContainer->constEnd(), range.lower,
                             [](const QCPGraphData& d, double x) { return d.key < x; });
        const double base = values->coordToPixel(0);
        QPolygonF outline;
        applyDefaultAntialiasingHint(painter);
        painter->setPen(Qt::NoPen);
        painter->setBrush(mBrush);
        for (; it != mDataContainer->constEnd() && it->key - leftBarWidth <= range.upper; ++it) {
            const double left = keys->coordToPixel(it->key - leftBarWidth);
            const double right = keys->coordToPixel(it->key);
            const double top = values->coordToPixel(it->value);
            if (it->value != 0) painter->drawRect(QRectF(QPointF(left, top), QPointF(right, base)));
            outline << QPointF(left, top) << QPointF(right, top);
        }
        painter->setPen(mPen);
        painter->setBrush(Qt::NoBrush);
        painter->drawPolyline(outline);
    }

    void drawFill(QCPPainter* painter, QVector<QPointF>* lines) const override
    {
        if (lineStyle() != lsStepCenter || !mChannelFillGraph.isNull()) {
            QCPGraph::drawFill(painter, lines);
            return;
        }
        if (painter->brush().style() == Qt::NoBrush || lines->size() < 2) return;
        const double base = valueAxis()->coordToPixel(0);
        for (qsizetype i = 0; i + 1 < lines->size(); ++i) {
            const QPointF a = (*lines)[i];
            const QPointF b = (*lines)[i + 1];
            if (a.y() == b.y() && a.x() != b.x())
                painter->drawRect(QRectF(a, QPointF(b.x(), base)).normalized());
        }
    }
};

// Every cursor of the graph, drawn on a layer of its own so that moving one
// repaints nothing else.
class CursorsItem : public QCPAbstractItem
{
public:
    CursorsItem(QCustomPlot* plot, const std::vector<std::unique_ptr<GraphCursor>>& cursors)
        : QCPAbstractItem(plot), cursors_(cursors)
    {
        setSelectable(false);
    }
    double selectTest(const QPointF&, bool, QVariant*) const override { return -1; }

protected:
    void draw(QCPPainter* painter) override
    {
        const QRect area = clipRect();
        QCPAxis* x = parentPlot()->xAxis;
        QCPAxis* y = parentPlot()->yAxis;
        for (const auto& c : cursors_) {
            if (!c->visible()) continue;
            const double px = x->coordToPixel(c->xPosition());
            const double py = y->coordToPixel(c->yPosition());
            painter->setPen(QPen(c->color(), 0));
            painter->setBrush(Qt::NoBrush);
            if (px >= area.left() && px <= area.right())
                painter->drawLine(QPointF(px, area.top()), QPointF(px, area.bottom()));
            if (py >= area.top() && py <= area.bottom())
                painter->drawLine(QPointF(area.left(), py), QPointF(area.right(), py));
            painter->drawRect(QRectF(px - 3, py - 3, 6, 6));
        }
    }

private:
    const std::vector<std::unique_ptr<GraphCursor>>& cursors_;
};

// Every marker of the graph in one item. Markers are kept in the order of
// their label's X for each label height, so a drawing looks at those in
// view only and jumps past the ones whose label would overlap.
class MarkersItem : public QCPAbstractItem
{
public:
    MarkersItem(QCustomPlot* plot, const QCPGraph* curve) : QCPAbstractItem(plot), curve_(curve)
    {
        setSelectable(false);
    }
    double selectTest(const QPointF&, bool, QVariant*) const override { return -1; }

    QList<GraphMarker> markers;
    int drawn = 0;

    void changed() { rowsValid_ = false; }

protected:
    void draw(QCPPainter* painter) override
    {
        drawn = 0;
        if (markers.isEmpty()) return;
        if (!rowsValid_) sortRows();
        QCPAxis* x = parentPlot()->xAxis;
        QCPAxis* y = parentPlot()->yAxis;
        const QRect area = clipRect();
        const QFontMetricsF metrics(font_, painter->device());
        const double gap = metrics.height() * 0.5;
        const auto data = curve_->data();
        const QColor ink(230, 230, 230);
        painter->setFont(font_);

        // Caption widths, measured once a drawing.
        QHash<QString, double> widths;
        const auto widthOf = [&](const QString& caption) {
            auto it = widths.find(caption);
            if (it == widths.end()) it = widths.insert(caption, metrics.horizontalAdvance(caption));
            return *it;
        };

        for (const Row& row : rows_) {
            const std::vector<qsizetype>& order = row.order;
            double narrowest = std::numeric_limits<double>::infinity();
            for (const QString& c : row.captions)
                narrowest = std::min(narrowest, widthOf(c));
            auto byX = [this](qsizetype i, double v) { return markers[i].labelX < v; };
            const double from = x->pixelToCoord(area.left() - metrics.height() * 4);
            const double to = x->pixelToCoord(area.right() + metrics.height() * 4);
            auto it = std::lower_bound(order.begin(), order.end(), std::min(from, to), byX);
            double lastRight = -std::numeric_limits<double>::infinity();
            while (it != order.end() && markers[*it].labelX <= std::max(from, to)) {
                const GraphMarker& m = markers[*it];
                const double width = widthOf(m.caption);
                const double px = x->coordToPixel(m.labelX);
                if (px - width / 2 < lastRight + gap) {
                    // Overlaps: jump to the first label that can stand clear.
                    it = std::lower_bound(it + 1, order.end(),
                                          x->pixelToCoord(lastRight + gap + narrowest / 2), byX);
                    continue;
                }
                if (px + width / 2 < area.left() || px - width / 2 > area.right()) {
                    ++it;
                    continue;
                }
                const double py = y->coordToPixel(m.labelY);
                const QRectF label(px - width / 2, py - metrics.height() / 2, width,
                                   metrics.height());
                painter->setPen(QPen(ink, 0));
                painter->drawText(label, Qt::AlignCenter, m.caption);
                if (m.point >= 0 && m.point < data->size()) {
                    const auto p = data->at(int(m.point));
                    const QPointF tip(x->coordToPixel(p->key), y->coordToPixel(p->value));
                    if (std::isfinite(tip.y())) drawArrow(painter, label, tip);
                }
                ++drawn;
                lastRight = px + width / 2;
                ++it;
            }
        }
    }

private:
    static void drawArrow(QCPPainter* painter, const QRectF& label, QPointF tip)
    {
        const QPointF from(label.center().x(),
                           tip.y() < label.top() ? label.top() : label.bottom());
        if (label.contains(tip)) return;
        const QLineF line(from, tip);
        painter->drawLine(line);
        if (line.length() < 6) return;
        const QPointF unit = (tip - from) / line.length();
        const QPointF normal(-unit.y(), unit.x());
        QPolygonF head;
        head << tip << tip - unit * 7 + normal * 3 << tip - unit * 7 - normal * 3;
        painter->setBrush(painter->pen().color());
        painter->drawPolygon(head);
        painter->setBrush(Qt::NoBrush);
    }

    void sortRows()
    {
        rows_.clear();
        for (qsizetype i = 0; i < markers.size(); ++i) {
            const GraphMarker& m = markers[i];
            auto row = std::find_if(rows_.begin(), rows_.end(),
                                    [&m](const Row& r) { return r.height == m.labelY; });
            if (row == rows_.end()) row = rows_.insert(rows_.end(), Row{m.labelY, {}, {}});
            row->order.push_back(i);
            if (!row->captions.contains(m.caption)) row->captions.append(m.caption);
        }
        const auto byX = [this](qsizetype a, qsizetype b) {
            return markers[a].labelX < markers[b].labelX;
        };
        for (Row& row : rows_) {
            // Markers come in record order: mostly nothing to sort.
            if (!std::is_sorted(row.order.begin(), row.order.end(), byX))
                std::stable_sort(row.order.begin(), row.order.end(), byX);
        }
        rowsValid_ = true;
    }

    struct Row
    {
        double height;
        std::vector<qsizetype> order; // marker indices by label X
        QStringList captions;         // the distinct captions
    };

    const QCPGraph* curve_;
    QFont font_ = Twips::font(QStringLiteral("Arial"), 8);
    std::vector<Row> rows_;
    bool rowsValid_ = false;
};

Graph::Graph(QWidget* parent)
    : QWidget(parent), plot_(new GraphPlot(this, this)),
      series_(new StepGraph(plot_->xAxis, plot_->yAxis)), x_(this, plot_->xAxis),
      y_(this, plot_->yAxis), plotAreaColor_(Qt::black), traceColor_(Qt::yellow),
      graphColor_(QColor(40, 40, 40))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(plot_);

    const QFont captionFont = Twips::font(QStringLiteral("Arial"), 9, true);
    const QFont tickFont = Twips::font(QStringLiteral("Arial"), 8);
    for (QCPAxis* axis : {plot_->xAxis, plot_->yAxis}) {
        axis->setLabelFont(captionFont);
        axis->setSelectedLabelFont(captionFont);
        axis->setTickLabelFont(tickFont);
        axis->grid()->setPen(QPen(QColor(90, 90, 90), 0, Qt::DotLine));
        axis->grid()->setZeroLinePen(Qt::NoPen);
    }
    plot_->xAxis->setRange(0, 10);
    plot_->yAxis->setRange(0, 10);
    // Long series stay fast: lines are drawn without smoothing.
    series_->setAntialiased(false);
    series_->setAntialiasedFill(false);

    plot_->setBackground(graphColor_);
    plot_->axisRect()->setBackground(plotAreaColor_);
    applyStyle();
    applyLabelColors();

    markersItem_ = new MarkersItem(plot_, series_);
    markersItem_->setLayer(QStringLiteral("main"));
    plot_->addLayer(QStringLiteral("cursors"), plot_->layer(QStringLiteral("main")));
    cursorLayer_ = plot_->layer(QStringLiteral("cursors"));
    cursorLayer_->setMode(QCPLayer::lmBuffered);
    auto* cursorsItem = new CursorsItem(plot_, cursors_);
    cursorsItem->setLayer(cursorLayer_);
    plot_->axisRect()->setRangeZoom(Qt::Orientations());
    plot_->selectionRect()->setPen(QPen(Qt::white, 0, Qt::DashLine));

    connect(plot_, &QCustomPlot::mouseRelease, this, [this](QMouseEvent* event) {
        if (plot_->rect().contains(event->position().toPoint())) emit clicked();
    });
}

QCustomPlot* Graph::customPlot() const
{
    return plot_;
}

Graph::~Graph()
{
    // The plot's items look at the cursors: they go first.
    delete plot_;
}

GraphAxis& Graph::Axes(int i)
{
    Q_ASSERT(i == 1 || i == 2);
    return i == 1 ? x_ : y_;
}

void Graph::PlotY(const QVector<double>& values, double firstX, double incX)
{
    QVector<QCPGraphData> data(values.size());
    for (qsizetype k = 0; k < values.size(); ++k)
        data[k] = QCPGraphData(firstX + double(k) * incX, values[k]);
    if (incX < 0) std::reverse(data.begin(), data.end());
    series_->data()->set(data, true);
    chartStep_ = incX > 0 ? incX : (incX < 0 ? -incX : 1);
    setBarWidth();
    nextX_ = values.isEmpty() ? firstX : (series_->data()->constEnd() - 1)->key + chartStep_;
    fitAxes(false);
    replot();
}

void Graph::ChartY(double value)
{
    const double x = nextX_;
    nextX_ += chartStep_;
    auto data = series_->data();
    data->add(QCPGraphData(x, value));
    const int excess = data->size() - chartLength_;
    if (excess > 0) data->removeBefore((data->constBegin() + excess)->key);
    fitAxes(true);
    replot();
}

void Graph::ClearData()
{
    series_->data()->clear();
    nextX_ = 1;
    chartStep_ = 1;
    setBarWidth();
    replot();
}

void Graph::setChartLength(int points)
{
    chartLength_ = std::max(points, 2);
}

int Graph::chartLength() const
{
    return chartLength_;
}

int Graph::pointCount() const
{
    return series_->dataCount();
}

QVector<QPointF> Graph::points() const
{
    QVector<QPointF> out;
    out.reserve(pointCount());
    for (auto it = series_->data()->constBegin(); it != series_->data()->constEnd(); ++it)
        out.append(QPointF(it->key, it->value));
    return out;
}

void Graph::fitAxes(bool chart)
{
    auto data = series_->data();
    if (data->isEmpty()) return;
    const double firstX = data->constBegin()->key;
    const double lastX = (data->constEnd() - 1)->key;
    // A bar reaches half a step either side of its point, or a step left of it.
    const double half = style_ == Bars ? chartStep_ / 2 : 0;
    const double before = style_ == BarsLeft ? chartStep_ : half;

    if (x_.autoScale_) {
        x_.setShownRange(firstX - before, lastX + half);
    } else if (chart && lastX + half > x_.Maximum()) {
        const double shift = lastX + half - x_.Maximum();
        x_.setShownRange(x_.Minimum() + shift, x_.Maximum() + shift);
    }

    if (y_.autoScale_) {
        double lo = std::numeric_limits<double>::infinity();
        double hi = -lo;
        for (auto it = data->constBegin(); it != data->constEnd(); ++it) {
            if (std::isfinite(it->value)) {
                lo = std::min(lo, it->value);
                hi = std::max(hi, it->value);
            }
        }
        if (lo > hi) return; // nothing but gaps
        if (style_ != Line) {
            lo = std::min(lo, 0.0);
            hi = std::max(hi, 0.0);
        }
        const bool nonNegative = lo >= 0;
        if (lo == hi) {
            lo -= 0.5;
            hi += 0.5;
        }
        const double span = hi - lo;
        const double step = std::pow(10.0, std::floor(std::log10(span)) - 1);
        lo = std::floor((lo - span * 0.05) / step) * step;
        hi = std::ceil((hi + span * 0.05) / step) * step;
        if (nonNegative) lo = std::max(lo, 0.0);
        y_.setShownRange(lo, hi);
    }
}

void Graph::setPlotStyle(PlotStyle style)
{
    style_ = style;
    applyStyle();
    fitAxes(false);
    replot();
}

void Graph::setBarWidth()
{
    series_->leftBarWidth = style_ == BarsLeft ? chartStep_ : 0;
}

void Graph::applyStyle()
{
    series_->setPen(QPen(traceColor_, 0));
    setBarWidth();
    if (style_ != Line) {
        series_->setLineStyle(QCPGraph::lsStepCenter);
        // An opaque mix of trace and plot area looks like a see-through fill;
        // blending a real one costs twenty times as much to draw.
        const QColor fill =
            QColor::fromRgbF(0.6f * traceColor_.redF() + 0.4f * plotAreaColor_.redF(),
                             0.6f * traceColor_.greenF() + 0.4f * plotAreaColor_.greenF(),
                             0.6f * traceColor_.blueF() + 0.4f * plotAreaColor_.blueF());
        series_->setBrush(fill);
    } else {
        series_->setLineStyle(QCPGraph::lsLine);
        series_->setBrush(Qt::NoBrush);
    }
}

void Graph::setTrackMode(int mode)
{
    if (mode < TrackPlain || mode > TrackZoomY) return;
    trackMode_ = mode;
    plot_->dragging = 0;
    const bool pan = mode >= TrackPanXY && mode <= TrackPanY;
    plot_->setInteraction(QCP::iRangeDrag, pan);
    plot_->axisRect()->setRangeDrag(mode == TrackPanXY  ? Qt::Horizontal | Qt::Vertical
                                    : mode == TrackPanX ? Qt::Horizontal
                                    : mode == TrackPanY ? Qt::Vertical
                                                        : Qt::Orientations());
    plot_->setSelectionRectMode(mode >= TrackZoomXY ? QCP::srmZoom : QCP::srmNone);
}

void Graph::zoomTo(const QRect& band)
{
    const bool zoomX = trackMode_ == TrackZoomXY || trackMode_ == TrackZoomX;
    const bool zoomY = trackMode_ == TrackZoomXY || trackMode_ == TrackZoomY;
    const QRect r = band.normalized();
    // A click or a slip of the hand is no band: it must span 3 pixels.
    if ((zoomX && r.right() - r.left() < 3) || (zoomY && r.bottom() - r.top() < 3) ||
        (!zoomX && !zoomY))
        return;
    if (zoomX)
        x_.setShownRange(plot_->xAxis->pixelToCoord(r.left()),
                         plot_->xAxis->pixelToCoord(r.right()));
    if (zoomY)
        y_.setShownRange(plot_->yAxis->pixelToCoord(r.bottom()),
                         plot_->yAxis->pixelToCoord(r.top()));
}

int Graph::cursorCount() const
{
    return int(cursors_.size());
}

GraphCursor& Graph::addCursor(const QString& name)
{
    cursors_.push_back(
        std::unique_ptr<GraphCursor>(new GraphCursor(this, int(cursors_.size()) + 1, name)));
    replotCursors();
    return *cursors_.back();
}

void Graph::removeAllCursors()
{
    plot_->dragging = 0;
    cursors_.clear();
    replotCursors();
}

GraphCursor* Graph::cursor(int index) const
{
    return index >= 1 && index <= cursorCount() ? cursors_[index - 1].get() : nullptr;
}

bool Graph::nearestPoint(double x, QPointF* point) const
{
    const auto data = series_->data();
    if (data->isEmpty() || !std::isfinite(x)) return false;
    auto it = std::lower_bound(data->constBegin(), data->constEnd(), x,
                               [](const QCPGraphData& d, double v) { return d.key < v; });
    if (it == data->constEnd() || (it != data->constBegin() && x - (it - 1)->key <= it->key - x))
        --it;
    *point = QPointF(it->key, it->value);
    return true;
}

int Graph::cursorAt(const QPointF& pos) const
{
    constexpr double reach = 8; // pixels
    int best = 0;
    double bestDistance = reach;
    for (const auto& c : cursors_) {
        if (!c->visible()) continue;
        const double d = std::min(std::abs(plot_->xAxis->coordToPixel(c->xPosition()) - pos.x()),
                                  std::abs(plot_->yAxis->coordToPixel(c->yPosition()) - pos.y()));
        if (d <= bestDistance) {
            bestDistance = d;
            best = c->index_;
        }
    }
    return best;
}

void Graph::dragCursor(int index, const QPointF& pos)
{
    if (GraphCursor* c = cursor(index))
        c->moveTo(plot_->xAxis->pixelToCoord(pos.x()), plot_->yAxis->pixelToCoord(pos.y()));
}

void Graph::replotCursors()
{
    if (plot_->replotQueued()) return;
    if (plot_->isVisible())
        cursorLayer_->replot();
    else
        replot();
}

void Graph::addMarker(qsizetype point, double labelX, double labelY, const QString& caption)
{
    markersItem_->markers.append({point, labelX, labelY, caption});
    markersItem_->changed();
    replot();
}

void Graph::addMarkers(const QList<GraphMarker>& markers)
{
    markersItem_->markers.append(markers);
    markersItem_->changed();
    replot();
}

void Graph::reserveMarkers(qsizetype count)
{
    markersItem_->markers.reserve(count);
}

int Graph::markerCount() const
{
    return int(markersItem_->markers.size());
}

GraphMarker Graph::marker(int index) const
{
    return markersItem_->markers.value(index);
}

void Graph::clearMarkers()
{
    markersItem_->markers.clear();
    markersItem_->changed();
    replot();
}

int Graph::markersDrawn() const
{
    return markersItem_->drawn;
}

int Graph::trackMode() const
{
    return trackMode_;
}

QColor Graph::plotAreaColor() const
{
    return plotAreaColor_;
}

void Graph::setGraphColor(const QColor& color)
{
    graphColor_ = color;
    plot_->setBackground(color);
    applyLabelColors();
    replot();
}

QColor Graph::graphColor() const
{
    return graphColor_;
}

void Graph::applyLabelColors()
{
    const QColor ink = graphColor_.lightness() > 127 ? QColor(Qt::black) : QColor(225, 225, 225);
    for (QCPAxis* axis : {plot_->xAxis, plot_->yAxis}) {
        axis->setLabelColor(ink);
        axis->setTickLabelColor(ink);
        axis->setBasePen(QPen(ink, 0));
        axis->setTickPen(QPen(ink, 0));
        axis->setSubTickPen(QPen(ink, 0));
    }
}

void Graph::replot()
{
    plot_->replot(QCustomPlot::rpQueuedReplot); // many changes, one drawing
}

void Graph::render(QCPPainter* painter, const QSize& size)
{
    // Laid out at the screen's size and scaled: the plot measures its
    // margins with the screen's font metrics, which only pixel-sized fonts
    // drawn through the same scale keep true on a printer.
    if (width() <= 0 || height() <= 0) return;
    painter->save();
    painter->scale(size.width() / double(width()), size.height() / double(height()));
    plot_->toPainter(painter, width(), height());
    painter->restore();
    replot();
}

void Graph::mouseReleaseEvent(QMouseEvent* event)
{
    // Reaches here only where the plot does not cover the control.
    if (rect().contains(event->position().toPoint())) emit clicked();
    QWidget::mouseReleaseEvent(event);
}

// ---------------------------------------------------------------------------

GraphCursor::GraphCursor(Graph* graph, int index, const QString& name)
    : graph_(graph), index_(index), name_(name)
{
}

void GraphCursor::setColor(const QColor& color)
{
    color_ = color;
    graph_->replotCursors();
}

void GraphCursor::setSnapMode(int mode)
{
    snapMode_ = mode == NearestPoint ? NearestPoint : Floating;
}

void GraphCursor::setVisible(bool on)
{
    visible_ = on;
    graph_->replotCursors();
}

void GraphCursor::setXPosition(double x)
{
    moveTo(x, y_);
}

void GraphCursor::setYPosition(double y)
{
    moveTo(x_, y);
}

void GraphCursor::moveTo(double x, double y)
{
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    QPointF p(x, y);
    if (snapMode_ == NearestPoint) graph_->nearestPoint(x, &p);
    x_ = p.x();
    y_ = p.y();
    graph_->replotCursors();
    emit graph_->cursorChange(index_, x_, y_);
}
