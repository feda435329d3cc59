#include "graphs/graphicplot.h"

#include "graphs/windowparts.h"
#include "platform/graph.h"
#include "platform/numedit.h"
#include "platform/twips.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>

using namespace GraphWindow;

GraphicPlotWindow::GraphicPlotWindow(const Layout& l, QWidget* parent) : QWidget(parent)
{
    Twips::fixedWindow(this, l.caption, l.client.width(), l.client.height());
    setFont(sansSerif(8.25));

    CWGraph1 = new Graph(this);
    CWGraph1->setGeometry(Twips::rect(l.graph));

    FrmGraphic = frame(QStringLiteral("Graphic Plot"), this, Twips::rect(l.frame), arial(18));

    const QFont heading = sansSerif(13.5, true);
    SSFrame4 = frame(QStringLiteral("Graph Range"), FrmGraphic, Twips::rect(l.range), heading);
    Label3 = label(QStringLiteral("No.s"), SSFrame4, 480, 480, 1000, arial(12));
    unitLabel_ = label(QStringLiteral("dB"), SSFrame4, l.unitLeft, 480, l.unitWidth, arial(12));
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

    SSFrame3 = frame(QStringLiteral("Track Mode"), FrmGraphic, Twips::rect(l.track), heading);
    Combo1 = GraphTools::makeChooser(SSFrame3);
    Combo1->setGeometry(Twips::rect(l.chooser));
    Combo1->setFont(sansSerif(8.25));
    txtDescription = GraphTools::makeDescription(SSFrame3);
    txtDescription->setGeometry(Twips::rect(l.chooser.left(), 840, l.chooser.width(), 855));
    txtDescription->setFont(sansSerif(8.25));

    SSFrame2 =
        frame(QStringLiteral("Cursor Information"), FrmGraphic, Twips::rect(l.cursorInfo), heading);
    Label1 = label(QStringLiteral("No.s ( X ) :"), SSFrame2, 600, 480, 1320, sansSerif(9.75, true));
    Label2 = label(l.yCaption, SSFrame2, l.yLeft, 840, l.yWidth, sansSerif(9.75, true));
    XPosition = label(QString(), SSFrame2, 1920, 480, l.positionWidth, arial(12));
    YPosition = label(QString(), SSFrame2, 1920, 840, l.positionWidth, arial(12));

    CmdReset = new SSCommand(QStringLiteral("Reset Scale"), FrmGraphic);
    CmdReset->setGeometry(Twips::rect(l.reset));
    CmdPrint = new SSCommand(QStringLiteral("Print Graph"), FrmGraphic);
    CmdPrint->setGeometry(Twips::rect(l.reset.translated(l.printLeft - l.reset.left(), 0)));
    for (SSCommand* b : {CmdReset, CmdPrint})
        b->setFont(sansSerif(8.25));
}

GraphTools::Setup GraphicPlotWindow::toolSetup()
{
    GraphTools::Setup s;
    s.graph = CWGraph1;
    s.chooser = Combo1;
    s.description = txtDescription;
    s.items = GraphTools::modeItems();
    s.onPanZoom = GraphTools::CursorRule::RemoveAll;
    s.resetButton = CmdReset;
    s.axisMin = axisMin_;
    s.axisMax = axisMax_;
    s.xPosition = XPosition;
    s.yPosition = YPosition;
    s.printButton = CmdPrint;
    s.print.plainFirst = true;
    s.print.hidden = {FrmGraphic};
    s.print.whiteBackground = true;
    s.print.whiteGraph = true;
    return s;
}

void GraphicPlotWindow::startTools(GraphTools::Setup setup)
{
    tools = new GraphTools(this, std::move(setup));
    tools->fillChooser();
    tools->select(0);
}
