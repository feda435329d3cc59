#include "platform/printer.h"

#include "platform/dialogs.h"

#include <QDir>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace Platform {

namespace {

// A test's answer: a PDF file, standing for the system printer it names if
// any (so a print that should not have started shows as a file).
std::unique_ptr<QPrinter> seamPrinter(const DialogAnswer& a)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(a.fileName);
    printer->setPageOrientation(a.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    return printer;
}

// The system printer the job goes to; none when it goes into a file.
QString systemPrinter(const QPrinter& printer)
{
    if (printer.outputFormat() != QPrinter::NativeFormat || !printer.outputFileName().isEmpty())
        return QString();
    return printer.printerName();
}

PrintJob jobOf(std::unique_ptr<QPrinter> printer, int copies, const QString& printerName,
               const QString& jobName)
{
    PrintJob job;
    job.copies = copies;
    job.printerName = printerName;
    printer->setCopyCount(1);
    printer->setDocName(jobName);
    job.landscape = printer->pageLayout().orientation() == QPageLayout::Landscape;
    job.printer = std::move(printer);
    return job;
}

PrintJob seamJob(QWidget* parent, const QString& text, const QString& jobName, bool dialog)
{
    DialogRequest r;
    r.kind = DialogRequest::Printer;
    r.text = text;
    const DialogAnswer a = ask(parent, r);
    if (!a.accepted) return {};
    return jobOf(seamPrinter(a), dialog ? a.copies : 1, a.printerName, jobName);
}

} // namespace

PrintJob ShowPrinterDialog(QWidget* parent, const QString& jobName)
{
    if (hasDialogSeam()) return seamJob(parent, QString(), jobName, true);
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setPageOrientation(QPageLayout::Portrait);
    // Also the name the dialog offers for printing into a file.
    printer->setDocName(jobName);
    QPrintDialog dialog(printer.get(), parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    if (dialog.exec() != QDialog::Accepted) return {};
    const int copies = printer->copyCount();
    const QString name = systemPrinter(*printer);
    return jobOf(std::move(printer), copies, name, jobName);
}

PrintJob DefaultPrinter(QWidget* parent, const QString& jobName)
{
    if (hasDialogSeam()) return seamJob(parent, QStringLiteral("Default printer"), jobName, false);
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return {};
    return jobOf(std::make_unique<QPrinter>(info, QPrinter::HighResolution), 1, info.printerName(),
                 jobName);
}

bool PrinterThere(const PrintJob& job)
{
    if (!job.printer) return false;
    if (job.printerName.isEmpty()) return !job.printer->outputFileName().isEmpty();
    return !QPrinterInfo::printerInfo(job.printerName).isNull();
}

bool JobHandedOver(const PrintJob& job)
{
    if (!job.printer) return false;
    const QPrinter::PrinterState state = job.printer->printerState();
    return state != QPrinter::Error && state != QPrinter::Aborted && PrinterThere(job);
}

void ReportNothingPrinted(QWidget* parent, const PrintJob& job)
{
    QString text;
    if (!job.printerName.isEmpty())
        text = QStringLiteral("The print job could not be handed to the printer \"%1\".")
                   .arg(job.printerName);
    else if (job.printer && !job.printer->outputFileName().isEmpty())
        text = QStringLiteral("The file %1 could not be written.")
                   .arg(QDir::toNativeSeparators(job.printer->outputFileName()));
    else
        text = QStringLiteral("There is no printer to print on.");
    MsgBox(parent, text + QStringLiteral("\r\nNothing was printed."), Icon::Critical,
           QStringLiteral("Dorvi"));
}

} // namespace Platform
