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
        if (text.isEmpty())
            return f;
        if (text.startsWith(QLatin1Char('*'))) {
            const QString number = text.mid(1).trimmed();
            bool ok = false;
            const double factor = number.toDouble(&ok);
            if (!ok || factor == 0 || !std::isfinite(factor))
                return f;
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
                if (afterPoint)
                    return f;
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
        if (s.startsWith(QLatin1Char('-')) && s.toDouble() == 0)
            s.remove(0, 1); // no "-0.0"
        for (int i = 0; i < optionalDecimals && s.endsWith(QLatin1Char('0')); ++i)
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
        const bool negative = s.startsWith(QLatin1Char('-'));
        const qsizetype start = negative ? 1 : 0;
        qsizetype end = s.indexOf(QLatin1Char('.'));
        if (end < 0)
            end = s.size();
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
        m_text = text;
        m_format = LabelFormat::parse(text);
    }
    QString text() const { return m_text; }

protected:
    double getTickStep(const QCPRange& range) override
    {
        const double step = QCPAxisTicker::getTickStep(range);
        if (!m_format.custom)
            return step;
        // Keep to whole multiples of what the labels can tell apart, on the
        // 1-2-5 ladder so they stay easy to read.
        const double unit = m_format.unit();
        const double m = step / unit;
        if (m <= 1)
            return unit;
        if (std::abs(m - std::round(m)) < 1e-9 * m)
            return std::round(m) * unit;
        const double decade = std::pow(10.0, std::floor(std::log10(m)));
        for (double mantissa : {1.0, 2.0, 5.0, 10.0}) {
            if (mantissa * decade >= m)
                return mantissa * decade * unit;
        }
        return 10 * decade * unit;
    }

    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override
    {
        if (!m_format.custom)
            return QCPAxisTicker::getTickLabel(tick, locale, formatChar, precision);
        return m_format.format(tick);
    }

private:
    QString m_text;
    LabelFormat m_format;
};

// ---------------------------------------------------------------------------

GraphAxis::GraphAxis(Graph* graph, QCPAxis* axis)
    : m_graph(graph)
    , m_axis(axis)
    , m_ticker(new LabelFormatTicker)
{
    m_axis->setTicker(m_ticker);
}

void GraphAxis::setShownRange(double min, double max)
{
    if (!std::isfinite(min) || !std::isfinite(max))
        return;
    if (min > max)
        std::swap(min, max);
    if (min == max) {
        min -= 0.5;
        max += 0.5;
    }
    m_axis->setRange(min, max);
}

void GraphAxis::SetMinMax(double min, double max)
{
    if (!std::isfinite(min) || !std::isfinite(max))
        return;
    m_autoScale = false;
    setShownRange(min, max);
    m_graph->replot();
}

double GraphAxis::Minimum() const { return m_axis->range().lower; }

double GraphAxis::Maximum() const { return m_axis->range().upper; }

void GraphAxis::setCaption(const QString& caption)
{
    m_axis->setLabel(caption);
    m_graph->replot();
}

QString GraphAxis::caption() const { return m_axis->label(); }

void GraphAxis::setFormatString(const QString& format)
{
    m_ticker->setFormat(format);
    m_graph->replot();
}

QString GraphAxis::formatString() const { return m_ticker->text(); }

QString GraphAxis::formatValue(double value, const QString& format)
{
    const LabelFormat f = LabelFormat::parse(format);
    return f.custom ? f.format(value) : QString::number(value);
}

void GraphAxis::setAutoScale(bool on)
{
    m_autoScale = on;
    if (on) {
        m_graph->fitAxes(false);
        m_graph->replot();
    }
}

bool GraphAxis::autoScale() const { return m_autoScale; }

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
        if (painter->brush().style() == Qt::NoBrush || lines->size() < 2)
            return;
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
    : QWidget(parent)
    , m_plot(makePlot(this))
    , m_series(new StepGraph(m_plot->xAxis, m_plot->yAxis))
    , m_x(this, m_plot->xAxis)
    , m_y(this, m_plot->yAxis)
    , m_plotAreaColor(Qt::black)
    , m_traceColor(Qt::yellow)
    , m_graphColor(QColor(40, 40, 40))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_plot);

    const QFont captionFont(QStringLiteral("Arial"), 9, QFont::Bold);
    const QFont tickFont(QStringLiteral("Arial"), 8);
    for (QCPAxis* axis : {m_plot->xAxis, m_plot->yAxis}) {
        axis->setLabelFont(captionFont);
        axis->setSelectedLabelFont(captionFont);
        axis->setTickLabelFont(tickFont);
        axis->grid()->setPen(QPen(QColor(90, 90, 90), 0, Qt::DotLine));
        axis->grid()->setZeroLinePen(Qt::NoPen);
    }
    m_plot->xAxis->setRange(0, 10);
    m_plot->yAxis->setRange(0, 10);
    // Long series stay fast: lines are drawn without smoothing.
    m_series->setAntialiased(false);
    m_series->setAntialiasedFill(false);

    m_plot->setBackground(m_graphColor);
    m_plot->axisRect()->setBackground(m_plotAreaColor);
    applyStyle();
    applyLabelColors();

    connect(m_plot, &QCustomPlot::mouseRelease, this, [this](QMouseEvent* event) {
        if (m_plot->rect().contains(event->position().toPoint()))
            emit clicked();
    });
}

Graph::~Graph() = default;

GraphAxis& Graph::Axes(int i)
{
    Q_ASSERT(i == 1 || i == 2);
    return i == 1 ? m_x : m_y;
}

void Graph::PlotY(const QVector<double>& values, double firstX, double incX)
{
    QVector<QCPGraphData> data(values.size());
    for (qsizetype k = 0; k < values.size(); ++k)
        data[k] = QCPGraphData(firstX + double(k) * incX, values[k]);
    if (incX < 0)
        std::reverse(data.begin(), data.end());
    m_series->data()->set(data, true);
    m_chartStep = incX > 0 ? incX : 1;
    m_nextX = values.isEmpty() ? firstX : (m_series->data()->constEnd() - 1)->key + m_chartStep;
    fitAxes(false);
    replot();
}

void Graph::ChartY(double value)
{
    const double x = m_nextX;
    m_nextX += m_chartStep;
    auto data = m_series->data();
    data->add(QCPGraphData(x, value));
    const int excess = data->size() - m_chartLength;
    if (excess > 0)
        data->removeBefore((data->constBegin() + excess)->key);
    fitAxes(true);
    replot();
}

void Graph::ClearData()
{
    m_series->data()->clear();
    m_nextX = 1;
    m_chartStep = 1;
    replot();
}

void Graph::setChartLength(int points)
{
    m_chartLength = std::max(points, 2);
}

int Graph::chartLength() const { return m_chartLength; }

int Graph::pointCount() const { return m_series->dataCount(); }

QVector<QPointF> Graph::points() const
{
    QVector<QPointF> out;
    out.reserve(pointCount());
    for (auto it = m_series->data()->constBegin(); it != m_series->data()->constEnd(); ++it)
        out.append(QPointF(it->key, it->value));
    return out;
}

void Graph::fitAxes(bool chart)
{
    auto data = m_series->data();
    if (data->isEmpty())
        return;
    const double firstX = data->constBegin()->key;
    const double lastX = (data->constEnd() - 1)->key;
    // A bar reaches half a step either side of its point.
    const double half = m_style == Bars ? m_chartStep / 2 : 0;

    if (m_x.m_autoScale) {
        m_x.setShownRange(firstX - half, lastX + half);
    } else if (chart && lastX + half > m_x.Maximum()) {
        const double shift = lastX + half - m_x.Maximum();
        m_x.setShownRange(m_x.Minimum() + shift, m_x.Maximum() + shift);
    }

    if (m_y.m_autoScale) {
        double lo = std::numeric_limits<double>::infinity();
        double hi = -lo;
        for (auto it = data->constBegin(); it != data->constEnd(); ++it) {
            if (std::isfinite(it->value)) {
                lo = std::min(lo, it->value);
                hi = std::max(hi, it->value);
            }
        }
        if (lo > hi)
            return; // nothing but gaps
        if (m_style == Bars) {
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
        if (nonNegative)
            lo = std::max(lo, 0.0);
        m_y.setShownRange(lo, hi);
    }
}

void Graph::setPlotStyle(PlotStyle style)
{
    m_style = style;
    applyStyle();
    fitAxes(false);
    replot();
}

Graph::PlotStyle Graph::plotStyle() const { return m_style; }

void Graph::applyStyle()
{
    m_series->setPen(QPen(m_traceColor, 0));
    if (m_style == Bars) {
        m_series->setLineStyle(QCPGraph::lsStepCenter);
        // An opaque mix of trace and plot area looks like a see-through fill;
        // blending a real one costs twenty times as much to draw.
        const QColor fill = QColor::fromRgbF(0.6f * m_traceColor.redF() + 0.4f * m_plotAreaColor.redF(),
                                             0.6f * m_traceColor.greenF() + 0.4f * m_plotAreaColor.greenF(),
                                             0.6f * m_traceColor.blueF() + 0.4f * m_plotAreaColor.blueF());
        m_series->setBrush(fill);
    } else {
        m_series->setLineStyle(QCPGraph::lsLine);
        m_series->setBrush(Qt::NoBrush);
    }
}

void Graph::setTrackMode(int mode)
{
    if (mode >= TrackPlain && mode <= TrackZoomY)
        m_trackMode = mode;
}

int Graph::trackMode() const { return m_trackMode; }

void Graph::setPlotAreaColor(const QColor& color)
{
    m_plotAreaColor = color;
    m_plot->axisRect()->setBackground(color);
    applyStyle();
    replot();
}

QColor Graph::plotAreaColor() const { return m_plotAreaColor; }

void Graph::setTraceColor(const QColor& color)
{
    m_traceColor = color;
    applyStyle();
    replot();
}

QColor Graph::traceColor() const { return m_traceColor; }

void Graph::setGraphColor(const QColor& color)
{
    m_graphColor = color;
    m_plot->setBackground(color);
    applyLabelColors();
    replot();
}

QColor Graph::graphColor() const { return m_graphColor; }

void Graph::applyLabelColors()
{
    const QColor ink = m_graphColor.lightness() > 127 ? QColor(Qt::black) : QColor(225, 225, 225);
    for (QCPAxis* axis : {m_plot->xAxis, m_plot->yAxis}) {
        axis->setLabelColor(ink);
        axis->setTickLabelColor(ink);
        axis->setBasePen(QPen(ink, 0));
        axis->setTickPen(QPen(ink, 0));
        axis->setSubTickPen(QPen(ink, 0));
    }
}

void Graph::replot()
{
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

void Graph::mouseReleaseEvent(QMouseEvent* event)
{
    // Reaches here only where the plot does not cover the control.
    if (rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}
