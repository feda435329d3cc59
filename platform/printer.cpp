#include "platform/printer.h"

#include "platform/dialogs.h"

#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace Platform {

namespace {

// A test's answer: a PDF file in place of the printer.
std::unique_ptr<QPrinter> pdfPrinter(const DialogAnswer& a)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(a.fileName);
    printer->setPageOrientation(a.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    return printer;
}

PrintJob jobOf(std::unique_ptr<QPrinter> printer, int copies)
{
    PrintJob job;
    job.copies = copies;
    printer->setCopyCount(1);
    job.landscape = printer->pageLayout().orientation() == QPageLayout::Landscape;
    job.printer = std::move(printer);
    return job;
}

} // namespace

PrintJob ShowPrinterDialog(QWidget* parent)
{
    if (hasDialogSeam()) {
        DialogRequest r;
        r.kind = DialogRequest::Printer;
        const DialogAnswer a = ask(parent, r);
        if (!a.accepted) return {};
        return jobOf(pdfPrinter(a), a.copies);
    }
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setPageOrientation(QPageLayout::Portrait);
    QPrintDialog dialog(printer.get(), parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    if (dialog.exec() != QDialog::Accepted) return {};
    const int copies = printer->copyCount();
    return jobOf(std::move(printer), copies);
}

PrintJob DefaultPrinter(QWidget* parent)
{
    if (hasDialogSeam()) {
        DialogRequest r;
        r.kind = DialogRequest::Printer;
        r.text = QStringLiteral("Default printer");
        const DialogAnswer a = ask(parent, r);
        if (!a.accepted) return {};
        return jobOf(pdfPrinter(a), 1);
    }
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return {};
    return jobOf(std::make_unique<QPrinter>(info, QPrinter::HighResolution), 1);
}

} // namespace Platform
