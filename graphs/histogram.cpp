#include "graphs/histogram.h"

#include "common/graphstate.h"
#include "graphs/graphpictures.h"
#include "graphs/graphtools.h"
#include "graphs/windowparts.h"
#include "platform/graph.h"
#include "platform/grid.h"
#include "platform/toolbar.h"
#include "platform/twips.h"

#include <QComboBox>
#include <QFrame>
#include <QPlainTextEdit>

Histogram::Histogram(QWidget* parent) : QWidget(parent)
{
    Twips::fixedWindow(this, QStringLiteral("Histogram"), 9570, 7200);
    // A narrow face: the Ln table's eleven columns, measured in the window's
    // font, then fit the grid's width, and its eleven rows its height.
    setFont(Twips::font(QStringLiteral("Liberation Sans Narrow"), 7.5));

    Toolbar1 = new Toolbar(this);
    Toolbar1->setGeometry(Twips::rect(0, 0, 9570, 420));
    Toolbar1->addButton(QStringLiteral("Limit"), QStringLiteral("Limit"),
                        graphPicture(GraphPicture::Track));
    Toolbar1->addButton(QStringLiteral("Print"), QStringLiteral("Print"),
                        graphPicture(GraphPicture::Print));
    connect(Toolbar1, &Toolbar::buttonClick, this, &Histogram::Toolbar1_ButtonClick);

    CWG = GraphWindow::histogramGraph(this, Twips::rect(0, 480, 9600, 3840), Graph::BarsLeft);

    GridLn = new FlexGrid(this);
    GridLn->setGeometry(Twips::rect(0, 4320, 9495, 2775));
    GridLn->setCols(11);
    GridLn->setRows(1);
    GridLn->setFixedRows(1);
    GridLn->setFixedCols(1);

    const GraphWindow::ChooserPanel chooser = GraphWindow::chooserPanel(this);
    Picture1 = chooser.panel;
    Combo1 = chooser.chooser;
    txtDescription = chooser.description;

    GraphTools::Setup s;
    s.graph = CWG;
    s.chooser = Combo1;
    s.description = txtDescription;
    s.items = GraphWindow::histogramItems(QStringLiteral("Reset"));
    s.onNormal = GraphTools::CursorRule::Keep;
    s.onPanZoom = GraphTools::CursorRule::HideFirstTwo;
    s.resetItem = QStringLiteral("Reset");
    s.reset = [this] { Reset(); };
    s.print.dialog = false;
    s.print.hidden = {Toolbar1};
    s.print.hiddenAfter = {Picture1};
    tools = new GraphTools(this, s);

    move(0, 0);
    tools->fillChooser();
    GridLn->setTextMatrix(0, 0, QStringLiteral("Ln"));
    GridLn->setColWidthForText(0, QStringLiteral("ABCDEFAA1"));
    for (int c = 1; c <= 10; ++c) {
        GridLn->setTextMatrix(0, c, QStringLiteral(" %1").arg(c - 1));
        GridLn->setColWidthForText(c, QStringLiteral("ABCDEFAA"));
    }
}

void Histogram::Toolbar1_ButtonClick(const QString& key)
{
    if (key == QLatin1String("Limit"))
        Picture1->setVisible(Picture1->isHidden());
    else if (key == QLatin1String("Print"))
        tools->print();
}

void Histogram::Reset()
{
    for (int i : {1, 2})
        if (GraphCursor* c = CWG->cursor(i)) c->setVisible(false);
    const GraphState& g = graphState();
    CWG->Axes(1).SetMinMax(g.HistogramLow, g.HistogramHigh + 1);
    CWG->Axes(2).SetMinMax(0, g.HistogramYMax);
    CWG->setTrackMode(Graph::TrackPlain);
}
