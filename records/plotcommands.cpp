#include "records/plotcommands.h"

#include "records/listcommands.h"

#include "common/graphstate.h"
#include "common/mainwindow.h"
#include "common/recordlist.h"
#include "graphs/histogram.h"
#include "graphs/plot.h"
#include "platform/dialogs.h"
#include "platform/graph.h"
#include "platform/grid.h"
#include "platform/numedit.h"
#include "platform/waits.h"
#include "platform/windows.h"
#include "records/core/filestats.h"
#include "records/core/plotscan.h"
#include "records/core/setdump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QScopeGuard>

#include <algorithm>
#include <optional>

namespace FileTransfer {

namespace {

int yieldInterval = 100;

// What a run needs to go on: its list window, and the main window if there
// was one when it started.
class RunContext
{
public:
    explicit RunContext(QWidget* listWindow)
        : list_(listWindow), main_(MainWindow::instance()), hadMain_(main_),
          shown_(listWindow->isVisible())
    {
    }
    // Closed, unloaded or deleted meanwhile, or the program ends.
    bool alive() const
    {
        return list_ && (!shown_ || list_->isVisible()) && (!hadMain_ || main_) &&
               !Program::ending();
    }
    QWidget* list() const { return list_; }
    MainWindow* main() const { return main_.get(); }

private:
    QPointer<QWidget> list_;
    MainWindowWatch main_;
    bool hadMain_;
    bool shown_;
};

// Walks records 0 to n - 1 in slices; between slices, at most every
// yieldInterval ms, shows progress(done) and runs pending events. False when
// the run is to end. The final progress is always shown.
template <class Slice, class Progress>
bool walk(qsizetype n, const RunContext& run, Slice slice, Progress progress)
{
    constexpr qsizetype SliceLength = 4096;
    QElapsedTimer sinceYield;
    sinceYield.start();
    for (qsizetype done = 0; done < n;) {
        const qsizetype next = std::min(n, done + SliceLength);
        slice(done, next);
        done = next;
        if (done < n && sinceYield.elapsed() >= yieldInterval) {
            progress(done);
            QCoreApplication::processEvents();
            if (!run.alive()) return false;
            sinceYield.restart();
        }
    }
    progress(n);
    return true;
}

} // namespace

void setListCommandYieldInterval(int ms)
{
    yieldInterval = std::max(ms, 0);
}

namespace {

void addMarker(Plot* plot, qint64 record, const QString& caption)
{
    plot->CWGraph1->addMarker(record - 1, double(record), graphState().MarkerY, caption);
}

} // namespace

void PlotMarker(qint64 record, const QString& caption)
{
    if (Plot* plot = Windows::find<Plot>()) addMarker(plot, record, caption);
}

void PlotFromGrid(QWidget* listWindow, const RecordList& list)
{
    if (::listCommandRunning() || !listWindow) return;
    const ListCommandRun running;
    const RecordRows rows = list.records();
    const qsizetype N = rows.size();
    const RunContext run(listWindow);

    TimersPaused timers(run.main());
    const QString caption = run.main() ? run.main()->caption() : QString();
    const auto restoreCaption = qScopeGuard([&] {
        if (MainWindow* main = run.main()) main->setCaption(caption);
    });

    PlotScan scan(N);
    const bool complete = walk(
        N, run, [&](qsizetype from, qsizetype to) { scan.add(rows, from, to); },
        [&](qsizetype r) {
            if (MainWindow* main = run.main())
                main->setCaption(QString::number(r) + QStringLiteral(" Completed"));
        });
    if (!complete) return;

    // Shown and filled in one go: nothing runs in between.
    Windows::unload<Plot>();
    Plot* plot = Windows::get<Plot>();
    plot->show();
    plot->AxisMax(1)->setValue(double(N));
    plot->AxisMin(1)->setValue(1);
    plot->AxisMax(2)->setValue(145);
    plot->AxisMin(2)->setValue(25);
    plot->CWGraph1->Axes(2).SetMinMax(25, 145);
    plot->CWGraph1->Axes(1).SetMinMax(1, double(N));
    plot->CWGraph1->PlotY(scan.levels(), 1, 1);
    plot->CWGraph1->reserveMarkers(2 * scan.blocks().size());
    GraphState& g = graphState();
    const QString pause = QStringLiteral("Pause");
    const QString start = QStringLiteral("Start");
    for (const PauseBlock& block : scan.blocks()) {
        g.MarkerY = 30;
        addMarker(plot, block.start, pause);
        g.MarkerY = 105;
        if (block.end) addMarker(plot, block.end, start);
    }
}

void RunStatistics(QWidget* listWindow, const RecordList& list, bool fileList, bool tenths,
                   const std::function<void()>& hideResolution)
{
    if (::listCommandRunning() || !listWindow) return;
    const ListCommandRun running;
    const RecordRows rows = list.records();
    const RunContext run(listWindow);
    const QString caption = listWindow->windowTitle();

    std::optional<TimersPaused> timers(std::in_place, run.main());
    const auto restoreCaption = qScopeGuard([&] {
        if (QWidget* window = run.list()) window->setWindowTitle(caption);
    });

    FileCounts counts;
    const qsizetype N = rows.size();
    const bool complete = walk(
        N, run, [&](qsizetype from, qsizetype to) { counts.add(rows, from, to); },
        [&](qsizetype i) { listWindow->setWindowTitle(Logger::PercentCompleted(i, N)); });
    if (!complete) return;

    const StatisticsTables t = TablesFor(fileList, tenths);
    const std::span<const qint64> bins = t.plotTenths ? std::span<const qint64>(counts.counts01dB)
                                                      : std::span<const qint64>(counts.counts1dB);
    const std::optional<BinRange> range = OccupiedRange(bins);
    if (!range) {
        if (hideResolution) hideResolution();
        listWindow->setWindowTitle(caption);
        timers.reset();
        Platform::MsgBox(listWindow, QStringLiteral("This list has no level to count."),
                         Platform::Icon::Information, QStringLiteral("Dorvi"));
        return;
    }

    GraphState& g = graphState();
    g.HistogramLow = range->low;
    g.HistogramHigh = range->high;
    Windows::unload<Histogram>();
    Histogram* h = Windows::get<Histogram>();
    h->show();
    h->CWG->Axes(1).setFormatString(t.format);
    h->CWG->Axes(1).SetMinMax(range->low, range->high + 1);
    h->CWG->PlotY(QVector<double>(bins.begin(), bins.end()), 1, 1);
    g.HistogramYMax = h->CWG->Axes(2).Maximum();
    if (hideResolution) hideResolution();
    g.RecordCount = N;

    g.LnTable = PercentileTable(t.lnTenths ? std::span<const qint64>(counts.counts01dB)
                                           : std::span<const qint64>(counts.counts1dB),
                                N, t.lnTenths);
    h->GridLn->setRows(1);
    for (const QString& row : LnGridRows(g.LnTable))
        h->GridLn->addItem(row);
}

} // namespace FileTransfer
