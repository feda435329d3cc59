#include "platform/threed.h"

#include <QMouseEvent>

SSPanel::SSPanel(const QString& caption, QWidget* parent) : QLabel(caption, parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setAlignment(Qt::AlignCenter);
    setBackgroundRole(QPalette::Button);
    setForegroundRole(QPalette::ButtonText);
    setAutoFillBackground(true);
}

SSPanel* ssPanel(QWidget* parent, const QString& caption, const QFont& font, const QRect& geometry)
{
    auto* p = new SSPanel(caption, parent);
    p->setFont(font);
    p->setGeometry(geometry);
    return p;
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* e)
{
    QLabel::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit clicked();
}
