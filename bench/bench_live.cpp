// Cost of a statistics tick that takes a sample, with a full live list and
// full histories; prints "name: value unit" lines.

#include "meter/core/livestats.h"
#include "meter/core/meter.h"
#include "meter/core/recording.h"
#include "meter/panel.h"
#include "platform/graph.h"
#include "platform/recordlistview.h"

#include "platform/timer.h"
#include <qcustomplot.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <cstdio>

namespace {

double residentMB()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toDouble() * 4096 / 1e6 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir work; // the dump of a full list lands here
    QDir::setCurrent(work.path());
    LiveState& s = liveState();
    // Touch every slot, as full histories would.
    std::fill(s.LevelSeries.begin(), s.LevelSeries.end(), 65.0);
    std::fill(s.LeqSeries.begin(), s.LeqSeries.end(), 65.0);
    std::fill(s.SelSeries.begin(), s.SelSeries.end(), 90.0);
    std::printf("histories_memory: %.1f MB\n", 3.0 * HistorySlots * sizeof(double) / 1e6);

    Panel panel;
    panel.Timer1->setEnabled(false);
    panel.Timer2->setEnabled(false);
    panel.show();
    const int rows = 348000 - 200;
    const double beforeList = residentMB();
    RecordRows records;
    for (int r = 1; r <= rows; ++r)
        records.append(QByteArray::number(r), "2026/12/08 10:00:00", "65.3");
    panel.liveRecords().take(std::move(records));
    s.LiveCount = rows;
    std::printf("live_list_rows: %d rows\n", rows);
    std::printf("live_list_memory: %.1f MB\n", residentMB() - beforeList);
    s.SampleCount = HistorySlots - 100; // the histories wrap during the run

    // A spread of levels so both histograms hold many bins.
    QElapsedTimer t;
    double worst = 0, total = 0;
    int counted = 0;
    const int ticks = std::getenv("BENCH_TICKS") ? std::atoi(std::getenv("BENCH_TICKS")) : 1200;
    for (int i = 0; i < ticks; ++i) {
        const int tenths = 400 + (i * 37) % 600; // neighbouring classes of unequal height
        Meter::DecodeLevel(uint8_t(tenths >> 8), uint8_t(tenths & 0xFF));
        panel.LblValue->setText(Meter::state().LevelText);
        s.SampleTick = samplingState().PcSamplingTime; // a sample is due
        const long long before = s.LiveCount;
        t.start();
        panel.Timer2_Timer();
        // Both histograms drawn now, whichever shows, and the queued chart replots.
        panel.CWInt->customPlot()->replot(QCustomPlot::rpImmediateRefresh);
        panel.CWDec->customPlot()->replot(QCustomPlot::rpImmediateRefresh);
        QCoreApplication::processEvents();
        const double ms = t.nsecsElapsed() / 1e6;
        if (s.LiveCount == before) {
            std::printf("timer2_tick_with_dump: %.1f ms\n", ms);
            continue;
        }
        if (i < 20) continue; // first paints load fonts and caches
        ++counted;
        total += ms;
        worst = std::max(worst, ms);
    }
    std::printf("timer2_sample_tick_mean: %.3f ms\n", total / std::max(counted, 1));
    std::printf("timer2_sample_tick_worst: %.3f ms\n", worst);
    std::printf("strip_chart_points: %d points\n", panel.CWG->pointCount());
    return 0;
}
