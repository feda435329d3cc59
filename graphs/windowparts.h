#pragma once
// Pieces every graph window is built from.

#include "platform/graph.h"
#include "platform/threed.h"
#include "platform/twips.h"

#include <QLabel>
#include <QWidget>

namespace GraphWindow {

// A fixed window of the given client size in twips.
inline void setUp(QWidget* w, const QString& caption, int widthTwips, int heightTwips)
{
    w->setWindowTitle(caption);
    w->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                      Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    w->setFixedSize(Twips::px(widthTwips), Twips::px(heightTwips));
}

// The cursors the graph has at design, "Cursor-1" and "Cursor-2".
inline void addDesignCursors(Graph* graph)
{
    graph->addCursor(QStringLiteral("Cursor-1"));
    graph->addCursor(QStringLiteral("Cursor-2")).setColor(QColor(0, 200, 255));
}

inline QFont sansSerif(double points, bool bold = false)
{
    return Twips::font(QStringLiteral("MS Sans Serif"), points, bold);
}

inline QFont arial(double points)
{
    return Twips::font(QStringLiteral("Arial"), points, true);
}

inline QLabel* label(const QString& text, QWidget* parent, int left, int top, int width,
                     const QFont& font)
{
    auto* l = new QLabel(text, parent);
    l->setFont(font);
    l->setGeometry(Twips::rect(left, top, width, 375));
    return l;
}

inline SSFrame* frame(const QString& caption, QWidget* parent, QRect place, const QFont& font)
{
    auto* f = new SSFrame(caption, parent);
    f->setFont(font);
    f->setGeometry(place);
    return f;
}

} // namespace GraphWindow
