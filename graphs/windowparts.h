#pragma once
// Pieces every graph window is built from.

#include "graphs/graphtools.h"
#include "platform/graph.h"
#include "platform/threed.h"
#include "platform/twips.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QWidget>

namespace GraphWindow {

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

// A histogram's graph: classes in dB along X, their counts up Y, and the
// design cursors.
inline Graph* histogramGraph(QWidget* parent, QRect place, Graph::PlotStyle style)
{
    auto* g = new Graph(parent);
    g->setGeometry(place);
    g->setPlotStyle(style);
    g->Axes(1).setCaption(QStringLiteral("dB"));
    g->Axes(2).setCaption(QStringLiteral("Frequency (Times)"));
    addDesignCursors(g);
    return g;
}

// The histograms' chooser panel over the graph's top-left corner, hidden at
// load.
struct ChooserPanel
{
    QFrame* panel;
    QComboBox* chooser;
    QPlainTextEdit* description;
};

inline ChooserPanel chooserPanel(QWidget* parent)
{
    auto* panel = new QFrame(parent);
    panel->setGeometry(Twips::rect(0, 480, 1215, 375));
    panel->hide();
    QComboBox* chooser = GraphTools::makeChooser(panel);
    chooser->setGeometry(Twips::rect(0, 0, 1215, 315));
    QPlainTextEdit* description = GraphTools::makeDescription(panel);
    description->setGeometry(Twips::rect(0, 2520, 2415, 855));
    return {panel, chooser, description};
}

// A histogram's chooser items: the modes but "Cursor Coordinates", then the
// window's reset item.
inline QStringList histogramItems(const QString& resetItem)
{
    QStringList items = GraphTools::modeItems();
    items.removeOne(QStringLiteral("Cursor Coordinates"));
    items << resetItem;
    return items;
}

} // namespace GraphWindow
