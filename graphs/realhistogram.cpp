#include "graphs/realhistogram.h"

#include "common/graphstate.h"
#include "graphs/graphpictures.h"
#include "graphs/graphtools.h"
#include "graphs/windowparts.h"
#include "platform/graph.h"
#include "platform/toolbar.h"
#include "platform/twips.h"

#include <QComboBox>
#include <QFrame>
#include <QPlainTextEdit>

RealHistogram::RealHistogram(QWidget* parent) : QWidget(parent)
{
    Twips::fixedWindow(this, QStringLiteral("Histogram"), 10320, 5730);
    setFont(Twips::font(QStringLiteral("MS Sans Serif"), 8.25));

    Toolbar1 = new Toolbar(this);
    Toolbar1->setGeometry(Twips::rect(0, 0, 10320, 420));
    Toolbar1->addButton(QStringLiteral("Track"), QStringLiteral("Track Mode"),
                        graphPicture(GraphPicture::Track));
    Toolbar1->addButton(QStringLiteral("Reset"), QStringLiteral("Reset Scale"),
                        graphPicture(GraphPicture::Reset));
    Toolbar1->addButton(QStringLiteral("Print"), QStringLiteral("Print"),
                        graphPicture(GraphPicture::Print));
    connect(Toolbar1, &Toolbar::buttonClick, this, &RealHistogram::Toolbar1_ButtonClick);

    // Drawn as the main window's mini histograms draw the same counts.
    CWGraph1 = GraphWindow::histogramGraph(this, Twips::rect(0, 480, 10320, 5295), Graph::Bars);

    const GraphWindow::ChooserPanel chooser = GraphWindow::chooserPanel(this);
    Picture1 = chooser.panel;
    Combo1 = chooser.chooser;
    txtDescription = chooser.description;

    GraphTools::Setup s;
    s.graph = CWGraph1;
    s.chooser = Combo1;
    s.description = txtDescription;
    s.items = GraphWindow::histogramItems(QStringLiteral("Reset Scale"));
    s.onNormal = GraphTools::CursorRule::RemoveAll;
    s.onPanZoom = GraphTools::CursorRule::RemoveAll;
    s.resetItem = QStringLiteral("Reset Scale");
    s.reset = [this] { Reset(); };
    s.afterChoice = [this] { Picture1->hide(); };
    s.print.note = true;
    s.print.hidden = {Toolbar1};
    s.print.whiteBackground = true;
    s.print.whiteGraph = true;
    s.print.emptyYCaption = true;
    s.print.clientTwips = QSize(11115, 6465);
    s.print.graphTwips = QPoint(720, 720);
    tools = new GraphTools(this, s);

    move(0, 0);
    tools->fillChooser();
    tools->select(0);
}

void RealHistogram::Toolbar1_ButtonClick(const QString& key)
{
    Picture1->hide();
    if (key == QLatin1String("Track"))
        Picture1->show();
    else if (key == QLatin1String("Reset"))
        Reset();
    else if (key == QLatin1String("Print"))
        tools->print();
}

void RealHistogram::Reset()
{
    const GraphState& g = graphState();
    CWGraph1->Axes(2).SetMinMax(0, g.RealHistYMax);
    CWGraph1->Axes(1).SetMinMax(g.RealHistXMin, g.RealHistXMax);
}
