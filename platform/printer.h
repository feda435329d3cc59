#pragma once
// The printer dialog and the printer behind it. Through the dialog seam a
// test answers with a PDF file in place of a printer (DialogAnswer::fileName),
// which may stand for a system printer (DialogAnswer::printerName).

#include <QString>
#include <memory>

class QPrinter;
class QWidget;

namespace Platform {

struct PrintJob
{
    std::unique_ptr<QPrinter> printer; // its own copy count is 1: callers print each copy
    int copies = 1;                    // as the dialog set it; 0 prints nothing
    bool landscape = false;
    QString printerName; // the system printer chosen; empty when printing into a file
};

// Shows the printer dialog, portrait offered. A job on OK, an empty one (no
// printer) on cancel. The job carries jobName, so the print queue (and a
// PDF's title) tells it apart from others.
PrintJob ShowPrinterDialog(QWidget* parent, const QString& jobName);

// The default printer, for a print that shows no dialog; an empty job when
// there is none. Through the dialog seam a test is asked a Printer request
// with the text "Default printer": a file name answers it, a cancel says
// there is no printer.
PrintJob DefaultPrinter(QWidget* parent, const QString& jobName);

// Whether the job's printer can still take it: a system printer the print
// system still knows, or a named file (whether it can be written shows when
// the document is begun).
bool PrinterThere(const PrintJob& job);

// After the document ended: whether it reached the print system. The print
// system does not say when it refuses a finished document, so the printer
// is looked up again: one gone meanwhile took nothing.
bool JobHandedOver(const PrintJob& job);

// The message that nothing was printed, naming the job's printer or file
// (or saying there is no printer, for an empty job).
void ReportNothingPrinted(QWidget* parent, const PrintJob& job);

} // namespace Platform
