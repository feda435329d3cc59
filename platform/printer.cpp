#include "platform/printer.h"

#include "platform/dialogs.h"

#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>

namespace Platform {

PrintJob ShowPrinterDialog(QWidget* parent, bool landscape)
{
    PrintJob job;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);

    DialogRequest r;
    r.kind = DialogRequest::Printer;
    DialogAnswer a;
    if (hasDialogSeam()) {
        a = ask(parent, r);
        if (!a.accepted) return job;
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(a.fileName);
        printer->setPageOrientation(a.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        job.copies = a.copies;
    } else {
        QPrintDialog dialog(printer.get(), parent);
        dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
        if (dialog.exec() != QDialog::Accepted) return job;
        job.copies = printer->copyCount();
    }
    printer->setCopyCount(1);
    job.landscape = printer->pageLayout().orientation() == QPageLayout::Landscape;
    job.printer = std::move(printer);
    return job;
}

} // namespace Platform
