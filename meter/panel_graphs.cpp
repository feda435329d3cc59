// The mini graphs' clicks: a trend graph opens its whole history in the
// history window, a mini histogram its class counts in the live histogram
// window. Each click builds its window afresh from a snapshot of that moment.

#include "meter/panel.h"

#include "common/graphstate.h"
#include "graphs/realhistogram.h"
#include "graphs/realtimegraph.h"
#include "meter/core/livestats.h"
#include "platform/graph.h"
#include "platform/numedit.h"
#include "platform/windows.h"

#include <QLabel>

namespace {

void openHistory(Graph* trend, const std::vector<double>& series, double yMin, double yMax,
                 bool showFirst)
{
    Windows::unload<RealTimeGraph>();
    const LiveState& s = liveState();
    GraphState& g = graphState();
    g.RealTimeYMax = yMax;
    g.RealTimeYMin = yMin;
    g.RealTimeCaption = trend->Axes(2).caption();
    // -1 before the first sample, and no copy: the window opens with no
    // curve. A wrapped history is drawn whole, all of its slots.
    g.RealTimeXMax = s.historyLength() - 1;
    const QVector<double> copy = s.historyCopy(series);

    g.GraphLoading = true;
    RealTimeGraph* w = Windows::get<RealTimeGraph>();
    if (showFirst) w->show();
    w->CWGraph1->Axes(2).setCaption(g.RealTimeCaption);
    w->AxisMax(1)->setValue(g.RealTimeXMax);
    w->AxisMin(1)->setValue(1);
    w->AxisMax(2)->setValue(g.RealTimeYMax);
    w->AxisMin(2)->setValue(g.RealTimeYMin);
    g.GraphLoading = false;
    w->LblUnit->setText(g.RealTimeCaption);
    w->CWGraph1->Axes(2).SetMinMax(g.RealTimeYMin, g.RealTimeYMax);
    w->CWGraph1->Axes(1).SetMinMax(1, g.RealTimeXMax);
    w->show();
    w->CWGraph1->PlotY(copy, 1, 1);
}

template <size_t N>
void openHistogram(const QString& format, double xMin, double xMax,
                   const std::array<long long, N>& counts)
{
    Windows::unload<RealHistogram>();
    RealHistogram* w = Windows::get<RealHistogram>();
    w->show();
    GraphAxis& x = w->CWGraph1->Axes(1);
    x.setFormatString(format);
    x.SetMinMax(xMin, xMax);
    QVector<double> values(static_cast<qsizetype>(N));
    std::copy(counts.begin(), counts.end(), values.begin());
    w->CWGraph1->PlotY(values);
    GraphState& g = graphState();
    g.RealHistXMax = x.Maximum();
    g.RealHistXMin = x.Minimum();
    g.RealHistYMax = w->CWGraph1->Axes(2).Maximum();
}

} // namespace

void Panel::CWG_Click()
{
    const LiveState& s = liveState();
    openHistory(CWG, s.LevelSeries, s.LevelMin01dB / 10, s.LevelMax01dB / 10, false);
}

void Panel::CWLeq_Click()
{
    const LiveState& s = liveState();
    openHistory(CWLeq, s.LeqSeries, s.LeqMin, s.LeqMax, false);
}

void Panel::CWSEL_Click()
{
    const LiveState& s = liveState();
    openHistory(CWSEL, s.SelSeries, s.SelMin, s.SelMax, true);
}

void Panel::CWInt_Click()
{
    const LiveState& s = liveState();
    openHistogram(QStringLiteral("0"), s.LevelMin1dB - 1, s.LevelMax1dB + 1, s.LiveCounts1dB);
}

void Panel::CWDec_Click()
{
    const LiveState& s = liveState();
    openHistogram(QStringLiteral("*.1"), s.LevelMin01dB - 1, s.LevelMax01dB + 1, s.LiveCounts01dB);
}
