// The history window over a full, wrapped history of 864 001 samples: the
// trend click that opens it, a replot while panning over the whole range,
// and a drag of the cursor. Prints "name: value unit" lines.

#include "bench/cursordrag.h"
#include "graphs/graphtools.h"
#include "graphs/realtimegraph.h"
#include "meter/core/livestats.h"
#include "meter/panel.h"
#include "platform/dialogs.h"
#include "platform/graph.h"
#include "platform/timer.h"
#include "platform/windows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <cmath>
#include <cstdio>
#include <qcustomplot.h>

namespace {

void report(const char* name, qint64 ns)
{
    std::printf("%s: %.2f ms\n", name, ns / 1e6);
}

// Ten days of a busy street, five samples past the wrap: every slot full,
// neighbouring samples far apart, as drawing finds them hardest.
void fillHistory()
{
    LiveState& s = liveState();
    for (int n = 0; n < HistorySlots; ++n) {
        const double level = std::round(
            (55 + 10 * std::sin(n / 3000.0) + 9 * std::sin(n * 1.7) * std::sin(n / 37.0)) * 10);
        s.LevelSeries[size_t(n)] = level / 10;
        s.LeqSeries[size_t(n)] = 62.4;
        s.SelSeries[size_t(n)] = 100 + 10 * std::log10(n + 1.0);
    }
    s.SampleCount = 5;
    s.HistoryWrapped = true;
    s.LevelMin01dB = 360;
    s.LevelMax01dB = 740;
}

// Opens the window by the trend click and waits until it is drawn.
qint64 open(Panel& panel)
{
    Windows::unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QElapsedTimer t;
    t.start();
    panel.CWG_Click();
    QCustomPlot* custom = Windows::find<RealTimeGraph>()->CWGraph1->customPlot();
    bool drawn = false;
    const auto c = QObject::connect(custom, &QCustomPlot::afterReplot, [&] { drawn = true; });
    QCoreApplication::processEvents();
    if (!drawn) custom->replot();
    QObject::disconnect(c);
    return t.nsecsElapsed();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Platform::setDialogSeam(
        [](const Platform::DialogRequest&) { return Platform::DialogAnswer{}; });
    fillHistory();
    Panel panel;
    panel.Timer1->setEnabled(false);
    panel.Timer2->setEnabled(false);

    open(panel); // warm-up
    report("history_open_864001", open(panel));

    RealTimeGraph* w = Windows::find<RealTimeGraph>();
    QCustomPlot* custom = w->CWGraph1->customPlot();
    QCPAxis* x = custom->xAxis;
    constexpr int Replots = 20;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < Replots; ++i) {
        x->setRange(x->range().lower + 100, x->range().upper + 100); // a pan step
        custom->replot();
    }
    report("history_replot_864001", t.nsecsElapsed() / Replots);

    // A drag of the cursor, each step painted on the screen at once.
    w->CmdReset->click();
    w->tools->select(QStringLiteral("Cursor Coordinates"));
    custom->replot();
    report("cursor_drag_repaint_history", cursorDragNs(custom, *w->CWGraph1->cursor(1)));

    Windows::unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
