#include "graph.h"

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

namespace {

QCustomPlot* makePlot(QWidget* parent)
{
    auto* plot = new QCustomPlot(parent);
    plot->setNoAntialiasingOnDrag(true);
    return plot;
}

// A series whose fill under a step line is drawn as one rectangle per step:
// filling the whole outline as one polygon costs tens of milliseconds when
// neighbouring classes alternate in height, a rectangle each well under one.
class StepGraph : public QCPGraph
{
public:
    using QCPGraph::QCPGraph;

protected:
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

} // namespace

Graph::Graph(QWidget* parent)
    : QWidget(parent), plot_(makePlot(this)), series_(new StepGraph(plot_->xAxis, plot_->yAxis)),
      x_(this, plot_->xAxis), y_(this, plot_->yAxis), plotAreaColor_(Qt::black),
      traceColor_(Qt::yellow), graphColor_(QColor(40, 40, 40))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(plot_);

    const QFont captionFont(QStringLiteral("Arial"), 9, QFont::Bold);
    const QFont tickFont(QStringLiteral("Arial"), 8);
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

    connect(plot_, &QCustomPlot::mouseRelease, this, [this](QMouseEvent* event) {
        if (plot_->rect().contains(event->position().toPoint())) emit clicked();
    });
}

Graph::~Graph() = default;

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
    chartStep_ = incX > 0 ? incX : 1;
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
    // A bar reaches half a step either side of its point.
    const double half = style_ == Bars ? chartStep_ / 2 : 0;

    if (x_.autoScale_) {
        x_.setShownRange(firstX - half, lastX + half);
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
        if (style_ == Bars) {
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

Graph::PlotStyle Graph::plotStyle() const
{
    return style_;
}

void Graph::applyStyle()
{
    series_->setPen(QPen(traceColor_, 0));
    if (style_ == Bars) {
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
    if (mode >= TrackPlain && mode <= TrackZoomY) trackMode_ = mode;
}

int Graph::trackMode() const
{
    return trackMode_;
}

void Graph::setPlotAreaColor(const QColor& color)
{
    plotAreaColor_ = color;
    plot_->axisRect()->setBackground(color);
    applyStyle();
    replot();
}

QColor Graph::plotAreaColor() const
{
    return plotAreaColor_;
}

void Graph::setTraceColor(const QColor& color)
{
    traceColor_ = color;
    applyStyle();
    replot();
}

QColor Graph::traceColor() const
{
    return traceColor_;
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
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void Graph::mouseReleaseEvent(QMouseEvent* event)
{
    // Reaches here only where the plot does not cover the control.
    if (rect().contains(event->position().toPoint())) emit clicked();
    QWidget::mouseReleaseEvent(event);
}
