#include "graphs/realtimegraph.h"

#include "common/graphstate.h"
#include "graphs/windowparts.h"
#include "platform/graph.h"
#include "platform/graphtools.h"
#include "platform/numedit.h"
#include "platform/twips.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>

using namespace GraphWindow;

RealTimeGraph::RealTimeGraph(QWidget* parent) : QWidget(parent)
{
    GraphWindow::setUp(this, QStringLiteral("Real Time Graph"), 10560, 8295);
    setFont(sansSerif(8.25));

    CWGraph1 = new Graph(this);
    CWGraph1->setGeometry(Twips::rect(120, 120, 10320, 5280));
    GraphWindow::addDesignCursors(CWGraph1);

    FrmGraphic =
        frame(QStringLiteral("Graphic Plot"), this, Twips::rect(120, 5400, 10335, 2775), arial(18));

    SSFrame4 = frame(QStringLiteral("Graph Range"), FrmGraphic, Twips::rect(240, 600, 3375, 1935),
                     sansSerif(13.5, true));
    Label3 = label(QStringLiteral("No.s"), SSFrame4, 480, 480, 1000, arial(12));
    LblUnit = label(QStringLiteral("dB"), SSFrame4, 2040, 480, 1300, arial(12));
    Label6 = label(QStringLiteral("Min"), SSFrame4, 1320, 960, 480, sansSerif(8.25, true));
    Label5 = label(QStringLiteral("Max"), SSFrame4, 1320, 1440, 480, sansSerif(8.25, true));
    for (int i = 0; i < 2; ++i) {
        const int left = i == 0 ? 120 : 1800;
        axisMin_[i] = new NumEdit(SSFrame4);
        axisMin_[i]->setGeometry(Twips::rect(left, 840, 1095, 375));
        axisMax_[i] = new NumEdit(SSFrame4);
        axisMax_[i]->setGeometry(Twips::rect(left, 1320, 1095, 375));
        for (NumEdit* e : {axisMin_[i], axisMax_[i]})
            e->setFont(sansSerif(8.25));
    }

    SSFrame3 = frame(QStringLiteral("Track Mode"), FrmGraphic, Twips::rect(3840, 600, 2775, 1935),
                     sansSerif(13.5, true));
    Combo1 = GraphTools::makeChooser(SSFrame3);
    Combo1->setGeometry(Twips::rect(240, 480, 2295, 315));
    Combo1->setFont(sansSerif(8.25));
    txtDescription = GraphTools::makeDescription(SSFrame3);
    txtDescription->setGeometry(Twips::rect(240, 840, 2295, 855));
    txtDescription->setFont(sansSerif(8.25));

    SSFrame2 = frame(QStringLiteral("Cursor Information"), FrmGraphic,
                     Twips::rect(6840, 600, 3255, 1455), sansSerif(13.5, true));
    Label1 = label(QStringLiteral("No.s ( X ) :"), SSFrame2, 600, 480, 1320, sansSerif(9.75, true));
    Label2 =
        label(QStringLiteral("Value ( Y ) :"), SSFrame2, 510, 840, 1410, sansSerif(9.75, true));
    XPosition = label(QString(), SSFrame2, 1920, 480, 1215, arial(12));
    YPosition = label(QString(), SSFrame2, 1920, 840, 1215, arial(12));

    CmdReset = new SSCommand(QStringLiteral("Reset Scale"), FrmGraphic);
    CmdReset->setGeometry(Twips::rect(6840, 2160, 1455, 375));
    CmdPrint = new SSCommand(QStringLiteral("Print Graph"), FrmGraphic);
    CmdPrint->setGeometry(Twips::rect(8640, 2160, 1455, 375));
    for (SSCommand* b : {CmdReset, CmdPrint})
        b->setFont(sansSerif(8.25));

    GraphTools::Setup s;
    s.graph = CWGraph1;
    s.chooser = Combo1;
    s.description = txtDescription;
    s.items = QStringList{QStringLiteral("Normal"), QStringLiteral("Cursor Coordinates"),
                          QStringLiteral("PanXY"),  QStringLiteral("PanX"),
                          QStringLiteral("PanY"),   QStringLiteral("ZoomXY"),
                          QStringLiteral("ZoomX"),  QStringLiteral("ZoomY")};
    s.onNormal = GraphTools::CursorRule::Keep;
    s.onPanZoom = GraphTools::CursorRule::RemoveAll;
    s.reset = [this] { CmdReset_Click(); };
    s.resetButton = CmdReset;
    s.axisMin = axisMin_;
    s.axisMax = axisMax_;
    s.editsHeld = [] { return graphState().GraphLoading; };
    s.xPosition = XPosition;
    s.yPosition = YPosition;
    s.printButton = CmdPrint;
    s.print.plainFirst = true;
    s.print.note = true;
    s.print.hidden = {FrmGraphic};
    s.print.whiteBackground = true;
    s.print.whiteGraph = true;
    s.print.emptyYCaption = true;
    s.print.clientTwips = QSize(11550, 8295);
    s.print.graphTwips = QPoint(720, 720);
    tools = new GraphTools(this, s);

    move(0, 0);
    tools->fillChooser();
    tools->select(0);
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
