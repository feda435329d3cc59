// Statistics, plot and cursor of a full list (348 000 records); prints
// "name: value unit" lines. With --scale it also times 1.7 million records,
// the size of a full logger, to show the times grow linearly.

#include "bench/cursordrag.h"
#include "common/graphstate.h"
#include "common/recordlist.h"
#include "graphs/graphtools.h"
#include "graphs/histogram.h"
#include "graphs/plot.h"
#include "platform/dialogs.h"
#include "platform/graph.h"
#include "platform/windows.h"
#include "records/listcommands.h"
#include "records/plotcommands.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QWidget>
#include <cstdio>
#include <qcustomplot.h>

namespace {

struct ListWindow : QWidget
{
    RecordList list;
};

// Levels 40.0 to 99.9; with paused every second record is marked "*".
void fill(RecordList& list, qsizetype records, bool paused)
{
    RecordRows rows;
    rows.reserve(records);
    for (qsizetype r = 1; r <= records; ++r) {
        QString level = QString::number(40 + double(r * 7 % 600) / 10, 'f', 1);
        if (paused && r % 2 == 0) level += QLatin1Char('*');
        rows.append(QString::number(r), u"2026/12/08 10:00:00", level);
    }
    list.take(std::move(rows));
}

void report(const QString& name, qint64 ns)
{
    std::printf("%s: %.2f ms\n", qPrintable(name), ns / 1e6);
}

void settle()
{
    Windows::unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void run(qsizetype records)
{
    const QString n = QString::number(records);
    ListWindow window;
    window.setWindowTitle(QStringLiteral("list.dvrk"));
    window.show();
    QElapsedTimer t;

    fill(window.list, records, false);
    FileTransfer::RunStatistics(&window, window.list, true, true, {}); // warm-up
    settle();
    t.start();
    FileTransfer::RunStatistics(&window, window.list, true, true, {});
    report(QStringLiteral("stats_") + n, t.nsecsElapsed());
    settle();

    for (bool paused : {false, true}) {
        fill(window.list, records, paused);
        graphState().PlotRecordCount = records;
        t.start();
        FileTransfer::PlotFromGrid(&window, window.list);
        Windows::find<Plot>()->CWGraph1->customPlot()->replot();
        report(QString::fromLatin1(paused ? "plot_open_paused_" : "plot_open_") + n,
               t.nsecsElapsed());
    }

    // Full range with all 348 000 markers.
    Plot* plot = Windows::find<Plot>();
    QCustomPlot* custom = plot->CWGraph1->customPlot();
    custom->replot();
    t.start();
    constexpr int Replots = 20;
    for (int i = 0; i < Replots; ++i)
        custom->replot();
    report(QStringLiteral("plot_replot_") + n, t.nsecsElapsed() / Replots);

    if (records == 348000) {
        // A drag of the cursor, each step painted on the screen at once.
        plot->tools->select(QStringLiteral("Cursor Coordinates"));
        custom->replot();
        report(QStringLiteral("cursor_drag_repaint"),
               cursorDragNs(custom, *plot->CWGraph1->cursor(1)));
    }
    settle();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Platform::setDialogSeam(
        [](const Platform::DialogRequest&) { return Platform::DialogAnswer{}; });
    run(348000);
    if (app.arguments().contains(QStringLiteral("--scale"))) run(1700000);
    return 0;
}
