#pragma once
// A drag of a graph's cursor by the mouse, each step painted on the screen
// at once, as the graph benchmarks time it.

#include "platform/graph.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <qcustomplot.h>

// Mean time of one step of a drag of cursor one pixel a step, in ns.
inline qint64 cursorDragNs(QCustomPlot* custom, const GraphCursor& cursor, int steps = 200)
{
    QPointF at(custom->xAxis->coordToPixel(cursor.xPosition()),
               custom->yAxis->coordToPixel(cursor.yPosition()));
    QMouseEvent press(QEvent::MouseButtonPress, at, custom->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, {});
    QCoreApplication::sendEvent(custom, &press);
    custom->repaint();
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < steps; ++i) {
        at.rx() += 1;
        QMouseEvent move(QEvent::MouseMove, at, custom->mapToGlobal(at), Qt::NoButton,
                         Qt::LeftButton, {});
        QCoreApplication::sendEvent(custom, &move);
        custom->repaint();
    }
    const qint64 ns = t.nsecsElapsed() / steps;
    QMouseEvent release(QEvent::MouseButtonRelease, at, custom->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, {});
    QCoreApplication::sendEvent(custom, &release);
    return ns;
}
