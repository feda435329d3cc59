#pragma once
// Window layouts are given in twips, colours as &H00BBGGRR& and fonts in
// points; these turn them into pixels at 96 dpi.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>
#include <QtGlobal>

namespace Twips {

inline int px(int twips)
{
    return qRound(twips / 15.0);
}

inline QRect rect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

inline QRect rect(const QRect& twips)
{
    return rect(twips.x(), twips.y(), twips.width(), twips.height());
}

// &H00BBGGRR&
inline QColor color(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

// A font of the given family and size in points, sized in pixels as at
// 96 dpi so the layout does not move with the screen's dpi setting.
inline QFont font(const QString& family, double points, bool bold = false)
{
    // "MS Sans Serif" is not on other systems; Arial's metrics come closest,
    // where DejaVu Sans would cut the captions laid out for it.
    QFont f(family == QLatin1String("MS Sans Serif") ? QStringLiteral("Liberation Sans") : family);
    f.setPixelSize(qRound(points * 96.0 / 72.0));
    f.setBold(bold);
    f.setStyleHint(family.contains(QLatin1String("Times")) ? QFont::Serif : QFont::SansSerif);
    return f;
}

// A window of fixed client size in twips with its caption, as every window
// of the program is.
inline void fixedWindow(QWidget* w, const QString& caption, int widthTwips, int heightTwips)
{
    w->setWindowTitle(caption);
    w->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                      Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    w->setFixedSize(px(widthTwips), px(heightTwips));
}

} // namespace Twips
