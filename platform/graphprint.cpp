#include "platform/graphprint.h"

#include "platform/dialogs.h"
#include "platform/graph.h"

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>
#include <qcustomplot.h>

#include <algorithm>

namespace Platform {

PrintJob DefaultPrinter(QWidget* parent)
{
    PrintJob job;
    std::unique_ptr<QPrinter> printer;
    if (hasDialogSeam()) {
        DialogRequest r;
        r.kind = DialogRequest::Printer;
        r.text = QStringLiteral("Default printer");
        const DialogAnswer a = ask(parent, r);
        if (!a.accepted) return job;
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(a.fileName);
        printer->setPageOrientation(a.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    } else {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) return job;
        printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
    printer->setCopyCount(1);
    job.landscape = printer->pageLayout().orientation() == QPageLayout::Landscape;
    job.printer = std::move(printer);
    return job;
}

bool PrintWindowImage(QPrinter& printer, QWidget* window, int copies)
{
    if (copies <= 0) return true;
    if (!window || window->width() <= 0 || window->height() <= 0) return false;
    QCPPainter painter;
    if (!painter.begin(&printer)) return false;
    // Window pixels stand for 1/96 inch; a page too small shrinks the image.
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const double scale =
        std::min({printer.resolution() / 96.0, page.width() / double(window->width()),
                  page.height() / double(window->height())});
    const QList<Graph*> graphs = window->findChildren<Graph*>();
    for (int copy = 0; copy < copies; ++copy) {
        if (copy > 0 && !printer.newPage()) {
            painter.end();
            return false;
        }
        painter.save();
        painter.scale(scale, scale);
        window->render(&painter, QPoint(), QRegion(),
                       QWidget::DrawWindowBackground | QWidget::DrawChildren);
        painter.restore();
        for (Graph* graph : graphs) {
            if (!graph->isVisibleTo(window)) continue;
            painter.save();
            painter.translate(QPointF(graph->mapTo(window, QPoint(0, 0))) * scale);
            graph->render(&painter, (QSizeF(graph->size()) * scale).toSize());
            painter.restore();
        }
    }
    return painter.end();
}

} // namespace Platform
