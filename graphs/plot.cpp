#include "graphs/plot.h"

#include "common/graphstate.h"
#include "graphs/windowparts.h"
#include "meter/panel.h"
#include "platform/graph.h"
#include "platform/graphtools.h"
#include "platform/numedit.h"
#include "platform/twips.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>

using namespace GraphWindow;

Plot::Plot(QWidget* parent) : QWidget(parent)
{
    GraphWindow::setUp(this, QStringLiteral("Plot"), 11160, 8400);
    setFont(sansSerif(8.25));

    CWGraph1 = new Graph(this);
    CWGraph1->setGeometry(Twips::rect(120, 120, 10935, 5295));

    FrmGraphic =
        frame(QStringLiteral("Graphic Plot"), this, Twips::rect(120, 5520, 10935, 2775), arial(18));

    SSFrame4 = frame(QStringLiteral("Graph Range"), FrmGraphic, Twips::rect(120, 600, 3135, 1935),
                     sansSerif(13.5, true));
    Label3 = label(QStringLiteral("No.s"), SSFrame4, 480, 480, 1000, arial(12));
    Label4 = label(QStringLiteral("dB"), SSFrame4, 2280, 480, 800, arial(12));
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

    SSFrame3 = frame(QStringLiteral("Track Mode"), FrmGraphic, Twips::rect(3360, 600, 3855, 1935),
                     sansSerif(13.5, true));
    Combo1 = GraphTools::makeChooser(SSFrame3);
    Combo1->setGeometry(Twips::rect(120, 480, 2415, 300));
    Combo1->setFont(sansSerif(8.25));
    txtDescription = GraphTools::makeDescription(SSFrame3);
    txtDescription->setGeometry(Twips::rect(120, 840, 2415, 855));
    txtDescription->setFont(sansSerif(8.25));

    SSFrame2 = frame(QStringLiteral("Cursor Information"), FrmGraphic,
                     Twips::rect(7320, 600, 3495, 1455), sansSerif(13.5, true));
    Label1 = label(QStringLiteral("No.s ( X ) :"), SSFrame2, 600, 480, 1320, sansSerif(9.75, true));
    Label2 = label(QStringLiteral("No.s ( Y ) :"), SSFrame2, 585, 840, 1335, sansSerif(9.75, true));
    XPosition = label(QString(), SSFrame2, 1920, 480, 1455, arial(12));
    YPosition = label(QString(), SSFrame2, 1920, 840, 1455, arial(12));

    CmdReset = new SSCommand(QStringLiteral("Reset Scale"), FrmGraphic);
    CmdReset->setGeometry(Twips::rect(7320, 2160, 1575, 375));
    CmdPrint = new SSCommand(QStringLiteral("Print Graph"), FrmGraphic);
    CmdPrint->setGeometry(Twips::rect(9240, 2160, 1575, 375));
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
    s.onNormal = GraphTools::CursorRule::RemoveAll;
    s.onPanZoom = GraphTools::CursorRule::RemoveAll;
    s.reset = [this] { CmdReset_Click(); };
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
    tools = new GraphTools(this, s);

    // Its own copy: a later list's "Plot" changes the shared count before
    // this window is unloaded.
    recordCount_ = graphState().PlotRecordCount;
    if (Panel* panel = Panel::instance()) {
        const QRect p = panel->frameGeometry();
        move(p.x() + p.width(), p.y());
    }
    tools->fillChooser();
    tools->select(0);
}

void Plot::CmdReset_Click()
{
    CWGraph1->Axes(1).SetMinMax(1, double(recordCount_));
    CWGraph1->Axes(2).SetMinMax(25, 145);
}
