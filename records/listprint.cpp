// The printed listing of a record-list window.

#include "common/mainwindow.h"
#include "common/progress.h"
#include "platform/dialogs.h"
#include "platform/lineprinter.h"
#include "platform/printer.h"
#include "platform/recordlistview.h"
#include "platform/waits.h"
#include "records/core/listing.h"
#include "records/filelist.h"
#include "records/listcommands.h"

#include <QApplication>
#include <QPointer>
#include <QPrinter>
#include <QScopeGuard>

namespace {

const QString Note = QStringLiteral(
    "Note\r"
    "The effect of the properties of the Printer settings\r"
    "depends on the driver supplied by the printer manufacturer.\r"
    "Some property settings may have no effect, or several different property settings\r"
    "may all have the same effect. Settings outside the accepted range may or may not produce "
    "an error.\r"
    "For more information, see the manufacturer's documentation for the specific driver.");

// How a listing ended: done as asked, dropped by the user or by the
// program's end, or failed with nothing handed to the print system.
enum class Outcome { Done, Dropped, Failed };

Outcome printListing(RecordListWindow& window, Platform::PrintJob& job)
{
    QPointer<RecordListWindow> w(&window);
    const QString caption = window.windowTitle();
    // The listing is printed from these, whatever becomes of the window.
    const Listing::Header header = window.listingHeader();
    const RecordRows rows = window.records().records();

    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([&] {
        if (w) w->setWindowTitle(caption);
        QApplication::restoreOverrideCursor();
    });

    // The window's caption is the file's name.
    job = Platform::ShowPrinterDialog(w, caption);
    if (!job.printer) return Outcome::Dropped;
    Platform::MsgBox(w, Note, Platform::Icon::None, QStringLiteral("Dorvi"));
    const int copies = job.copies;

    int perLine = 0;
    for (;;) {
        const Listing::PerLine answer = Listing::recordsPerLine(
            Platform::InputBox(w, QStringLiteral("Input record(s) to print in one row (1-5)"),
                               QString(), QStringLiteral("1")));
        if (answer.outcome == Listing::PerLine::End || answer.outcome == Listing::PerLine::Fail)
            return Outcome::Dropped;
        if (answer.outcome == Listing::PerLine::Take) {
            perLine = answer.perLine;
            break;
        }
    }

    if (copies < 1) return Outcome::Done; // no document of no pages
    // The prompts took their time: the printer may have gone meanwhile.
    if (!Platform::PrinterThere(job)) return Outcome::Failed;
    TimersPaused paused(MainWindow::instance());
    LinePrinter out(*job.printer);
    if (!out.begin(QStringLiteral("Lucida Console"), 8)) return Outcome::Failed;
    const QStringList head = Listing::headLines(header);
    const qsizetype n = rows.size();
    ProgressThrottle progress;
    for (int copy = 0; copy < copies; ++copy) {
        for (const QString& line : head)
            if (!out.printLine(line)) return Outcome::Failed; // the printer aborts the document
        for (qsizetype r = 1; r <= n; r += perLine) {
            const QString line = Listing::recordLine(rows, r, perLine);
            const bool due = progress.due(copy == copies - 1 && r + perLine > n);
            if (due && w) w->setWindowTitle(QString::number(r) + QStringLiteral(" Completed"));
            if (!out.printLine(line)) return Outcome::Failed;
            if (due) {
                progress.processEvents();
                // Panel closed: no half listing goes out
                if (Program::ending()) return Outcome::Dropped;
            }
        }
    }
    if (!out.end()) {
        out.abort();
        return Outcome::Failed;
    }
    return Platform::JobHandedOver(job) ? Outcome::Done : Outcome::Failed;
}

} // namespace

void printList(RecordListWindow& window)
{
    if (listCommandRunning()) return;
    ListCommandRun running;
    QPointer<RecordListWindow> w(&window);
    Platform::PrintJob job;
    // Said once the caption, the pointer and the timers are back.
    if (printListing(window, job) == Outcome::Failed) Platform::ReportNothingPrinted(w, job);
}
