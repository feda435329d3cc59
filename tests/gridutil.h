#pragma once
// Scrolls a grid the ways a user can: "top" (by code), "bar", "wheel" or "keys".

#include "platform/grid.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

inline void scrollGrid(FlexGrid* g, const QString& how, int steps)
{
    if (how == QLatin1String("top")) {
        g->setTopRow(steps + 1);
    } else if (how == QLatin1String("bar")) {
        g->verticalScrollBar()->setValue(g->verticalScrollBar()->value() + steps);
    } else if (how == QLatin1String("wheel")) {
        QWheelEvent wheel(QPointF(5, 30), g->viewport()->mapToGlobal(QPointF(5, 30)), QPoint(),
                          QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(g->viewport(), &wheel);
    } else {
        g->setFocus();
        for (int k = 0; k < steps; ++k)
            QTest::keyClick(g, Qt::Key_Down);
    }
}
