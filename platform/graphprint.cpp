#include "platform/graphprint.h"

#include "platform/graph.h"

#include <QPageLayout>
#include <QPrinter>
#include <QWidget>
#include <qcustomplot.h>

#include <algorithm>

namespace Platform {

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
    // The graphs are drawn by their own output, not as their screen pixels
    // beneath it.
    QRegion around(window->rect());
    for (Graph* graph : graphs)
        if (graph->isVisibleTo(window))
            around -= QRect(graph->mapTo(window, QPoint(0, 0)), graph->size());
    for (int copy = 0; copy < copies; ++copy) {
        if (copy > 0 && !printer.newPage()) {
            painter.end();
            return false;
        }
        painter.save();
        painter.scale(scale, scale);
        // The region is drawn with its bounding corner at the offset given.
        window->render(&painter, around.boundingRect().topLeft(), around,
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
