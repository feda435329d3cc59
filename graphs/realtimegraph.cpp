#include "graphs/realtimegraph.h"

#include "common/graphstate.h"
#include "graphs/windowparts.h"
#include "platform/graph.h"
#include "platform/numedit.h"

RealTimeGraph::RealTimeGraph(QWidget* parent)
    : GraphicPlotWindow({.caption = QStringLiteral("Real Time Graph"),
                         .client = QSize(10560, 8295),
                         .graph = QRect(120, 120, 10320, 5280),
                         .frame = QRect(120, 5400, 10335, 2775),
                         .range = QRect(240, 600, 3375, 1935),
                         .unitLeft = 2040,
                         .unitWidth = 1300,
                         .track = QRect(3840, 600, 2775, 1935),
                         .chooser = QRect(240, 480, 2295, 315),
                         .cursorInfo = QRect(6840, 600, 3255, 1455),
                         .yCaption = QStringLiteral("Value ( Y ) :"),
                         .yLeft = 510,
                         .yWidth = 1410,
                         .positionWidth = 1215,
                         .reset = QRect(6840, 2160, 1455, 375),
                         .printLeft = 8640},
                        parent)
{
    GraphWindow::addDesignCursors(CWGraph1);

    GraphTools::Setup s = toolSetup();
    s.onNormal = GraphTools::CursorRule::Keep;
    s.reset = [this] { CmdReset_Click(); };
    s.editsHeld = [] { return graphState().GraphLoading; };
    s.print.note = true;
    s.print.emptyYCaption = true;
    s.print.clientTwips = QSize(11550, 8295);
    s.print.graphTwips = QPoint(720, 720);

    move(0, 0);
    startTools(std::move(s));
}

void RealTimeGraph::CmdReset_Click()
{
    const GraphState& g = graphState();
    AxisMax(1)->setValue(g.RealTimeXMax);
    AxisMin(1)->setValue(1);
    AxisMax(2)->setValue(g.RealTimeYMax);
    AxisMin(2)->setValue(g.RealTimeYMin);
    CWGraph1->Axes(2).SetMinMax(g.RealTimeYMin, g.RealTimeYMax);
    CWGraph1->Axes(1).SetMinMax(1, g.RealTimeXMax);
}
