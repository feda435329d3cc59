#include "installmenu/controls.h"

#include "installmenu/twips.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleFactory>

namespace Kivara {
namespace {

// Not every platform style paints a button in its palette's colour; this one
// does, on every platform.
QStyle* graphicalStyle()
{
    static QPointer<QStyle> style;
    if (!style) {
        style = QStyleFactory::create(QStringLiteral("Fusion"));
        if (style) style->setParent(qApp);
    }
    return style;
}

} // namespace

PictureBox::PictureBox(const QRect& geometry, QWidget* parent)
    : QWidget(parent), backColor_(palette().color(QPalette::Base)), font_(font()),
      drawing_(geometry.size(), QImage::Format_ARGB32_Premultiplied)
{
    setGeometry(geometry);
    setAttribute(Qt::WA_OpaquePaintEvent);
    drawing_.fill(backColor_);
}

void PictureBox::setBackColor(const QColor& color)
{
    backColor_ = color;
    Cls();
}

void PictureBox::Cls()
{
    drawing_.fill(backColor_);
    update();
}

void PictureBox::setFontSize(int points)
{
    font_.setPixelSize(pointsToPixels(points));
}

void PictureBox::PaintPicture(const QImage& picture)
{
    QPainter painter(&drawing_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(drawing_.rect(), picture);
    update();
}

void PictureBox::printCentered(const QString& text)
{
    const QFontMetrics metrics(font_);
    const int left = (drawing_.width() - metrics.horizontalAdvance(text)) / 2;
    const int top = (drawing_.height() - metrics.height()) / 2;
    QPainter painter(&drawing_);
    painter.setFont(font_);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(left, top + metrics.ascent(), text);
    update();
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.drawImage(event->rect(), drawing_, event->rect());
}

CommandButton::CommandButton(const QString& caption, const QRect& geometry, QWidget* parent)
    : QPushButton(caption, parent)
{
    if (QStyle* style = graphicalStyle()) setStyle(style);
    // Arial's metrics (Liberation Sans where there is no Arial) fit the
    // captions into the buttons' widths.
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pointsToPixels(8));
    setFont(f);
    setGeometry(geometry);
}

void CommandButton::setBackColor(const QColor& color)
{
    QPalette p = palette();
    p.setColor(QPalette::Button, color);
    setPalette(p);
}

} // namespace Kivara
