// Panel.Timer2: running statistics every second, and a sample every
// PcSamplingTime ticks into the live list, the mini graphs, the histograms
// and the histories.

#include "meter/panel.h"

#include "meter/core/link.h"
#include "meter/core/liveline.h"
#include "meter/core/livestats.h"
#include "meter/core/meter.h"
#include "platform/graph.h"
#include "platform/grid.h"
#include "platform/recordlistview.h"

#include <QDateTime>
#include <QLabel>

namespace {

template <size_t N> QVector<double> asValues(const std::array<long long, N>& counts)
{
    QVector<double> v(static_cast<qsizetype>(N));
    for (size_t i = 0; i < N; ++i)
        v[qsizetype(i)] = double(counts[i]);
    return v;
}

} // namespace

void Panel::Timer2_Timer()
{
    // Only a level that a frame of this connection gave is counted, and not
    // once it has stood for long with no attempt to read a newer one: the
    // tick then counts nothing, as if the timers had been off.
    if (!ReadingCurrent(Meter::state().DecodedNs, link_->live().pollNs(),
                        Clock::current().elapsedNs()))
        return;
    LiveState& s = liveState();
    const Meter::State& m = Meter::state();
    const double L = m.RecordLevel;
    const QString now = TimeText(Now());

    if (s.addRunning(L, now)) {
        BoardMaxdB->setCaption(m.LevelText);
        BoardMaxTime->setCaption(s.MaxTime);
    }
    BoardLeq->setCaption(s.LeqText);
    BoardSEL->setCaption(s.SelText);
    if (isRecording()) s.addRecording(L, m.LevelText, now);

    if (!s.sampleDue(samplingState().PcSamplingTime)) return;
    takeSample(L, now);
}

void Panel::takeSample(double L, const QString& now)
{
    LiveState& s = liveState();
    s.SampleTime = now;
    const QString dB = LblValue->text();

    recordSample(s.SampleTime, dB);

    if (listFull())
        dumpLiveList();
    else
        appendLiveRow(s.SampleTime, dB);

    CWG->ChartY(L);
    CWLeq->ChartY(ValueOfText(s.LeqText));
    CWSEL->ChartY(ValueOfText(s.SelText));

    s.countLevel(L);
    CWInt->Axes(1).SetMinMax(s.LevelMin1dB - 1, s.LevelMax1dB + 1);
    CWInt->PlotY(asValues(s.LiveCounts1dB));
    CWDec->Axes(1).SetMinMax(s.LevelMin01dB - 1, s.LevelMax01dB + 1);
    CWDec->PlotY(asValues(s.LiveCounts01dB));
    const bool tenths = s.showTenths();
    CWInt->setVisible(!tenths);
    CWDec->setVisible(tenths);

    s.trackLeqSelExtremes();
    s.storeHistory(L);
}

void Panel::appendLiveRow(const QString& sampleTime, const QString& dB)
{
    LiveState& s = liveState();
    s.LiveCount += 1;
    liveRecords().append(QString::number(s.LiveCount), sampleTime, dB);
    for (FlexGrid* g : GridN)
        g->setRow(g->rows() - 1);
    if (s.LiveCount > 3) {
        // Keep the newest rows in view; the coupling keeps the three aligned.
        const int top = GridN[2]->topRow() + 1;
        for (FlexGrid* g : GridN)
            g->setTopRow(top);
    }
}
