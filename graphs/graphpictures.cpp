#include "graphs/graphpictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

void paint(QPainter& p, GraphPicture picture)
{
    // Drawn on a 32 x 32 square.
    const QColor ink(40, 40, 40);
    p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    switch (picture) {
    case GraphPicture::Track:
        // Axes with a magnifying glass over a curve.
        p.drawLine(4, 4, 4, 28);
        p.drawLine(4, 28, 28, 28);
        p.setPen(QPen(QColor(200, 150, 0), 2));
        p.drawPolyline(QPolygon({QPoint(6, 22), QPoint(11, 14), QPoint(16, 19), QPoint(22, 9)}));
        p.setPen(QPen(ink, 2.5));
        p.setBrush(QColor(180, 220, 255, 160));
        p.drawEllipse(QPointF(17, 15), 6, 6);
        p.drawLine(QPointF(21.5, 19.5), QPointF(27, 25));
        break;
    case GraphPicture::Reset: {
        // A circular arrow.
        QPainterPath arc;
        arc.arcMoveTo(QRectF(6, 6, 20, 20), 60);
        arc.arcTo(QRectF(6, 6, 20, 20), 60, 280);
        p.setPen(QPen(QColor(0, 110, 40), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(arc);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 110, 40));
        p.drawPolygon(QPolygonF({QPointF(15, 2), QPointF(24, 6), QPointF(16, 12)}));
        break;
    }
    case GraphPicture::Print:
        // A printer with a sheet.
        p.setBrush(Qt::white);
        p.drawRect(9, 3, 14, 10);
        p.setBrush(QColor(150, 150, 150));
        p.drawRoundedRect(3, 12, 26, 11, 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(9, 19, 14, 10);
        p.drawLine(12, 23, 20, 23);
        p.drawLine(12, 26, 18, 26);
        break;
    }
}

} // namespace

QIcon graphPicture(GraphPicture picture)
{
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 48}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(side / 32.0, side / 32.0);
        paint(p, picture);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
