#pragma once
// The menu's windows are laid out in twips and its texts sized in points;
// these give pixels at 15 twips a pixel (96 dpi), whatever the screen's dpi.

#include <QRect>
#include <QtGlobal>

namespace Kivara {

inline int px(int twips)
{
    return qRound(twips / 15.0);
}

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

inline int pointsToPixels(int points)
{
    return qRound(points * 96.0 / 72.0);
}

} // namespace Kivara
