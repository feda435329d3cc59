#include "platform/lineprinter.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPrinter>

LinePrinter::LinePrinter(QPrinter& printer) : printer_(printer) {}

LinePrinter::~LinePrinter()
{
    abort();
}

QFont LinePrinter::fixedPitchFont(const QString& family, double points)
{
    QFont f(family);
    f.setPointSizeF(points);
    f.setStyleHint(QFont::TypeWriter);
    const QFontInfo info(f);
    if (info.fixedPitch()) return f;
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(points);
    return fixed;
}

bool LinePrinter::begin(const QString& family, double points)
{
    if (!painter_.begin(&printer_)) return false;
    open_ = true;
    started_ = true;
    const QFont font = fixedPitchFont(family, points);
    painter_.setFont(font);
    painter_.setPen(Qt::black);
    const QFontMetricsF metrics(font, &printer_);
    lineHeight_ = metrics.lineSpacing();
    ascent_ = metrics.ascent();
    pageHeight_ = printer_.pageLayout().paintRectPixels(printer_.resolution()).height();
    y_ = 0;
    return true;
}

bool LinePrinter::printLine(const QString& text)
{
    if (!open_ || !painter_.isActive()) return false;
    if (y_ > 0 && y_ + lineHeight_ > pageHeight_) {
        if (!printer_.newPage()) return false;
        y_ = 0;
    }
    if (!text.isEmpty()) painter_.drawText(QPointF(0, y_ + ascent_), text);
    y_ += lineHeight_;
    return painter_.isActive();
}

bool LinePrinter::end()
{
    if (!open_) return false;
    open_ = false;
    const bool ended = painter_.end();
    // A PDF whose file could not be written whole has no trailer to speak of.
    const QString pdf = printer_.outputFileName();
    if (!ended || (!pdf.isEmpty() && QFileInfo(pdf).size() == 0)) return false;
    started_ = false;
    return true;
}

void LinePrinter::abort()
{
    if (!started_) return;
    open_ = false;
    started_ = false;
    printer_.abort();
    if (painter_.isActive()) painter_.end();
    const QString pdf = printer_.outputFileName();
    if (!pdf.isEmpty()) QFile::remove(pdf);
}
