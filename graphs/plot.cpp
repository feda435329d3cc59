#include "graphs/plot.h"

#include "common/graphstate.h"
#include "common/mainwindow.h"
#include "platform/graph.h"

Plot::Plot(QWidget* parent)
    : GraphicPlotWindow({.caption = QStringLiteral("Plot"),
                         .client = QSize(11160, 8400),
                         .graph = QRect(120, 120, 10935, 5295),
                         .frame = QRect(120, 5520, 10935, 2775),
                         .range = QRect(120, 600, 3135, 1935),
                         .unitLeft = 2280,
                         .unitWidth = 800,
                         .track = QRect(3360, 600, 3855, 1935),
                         .chooser = QRect(120, 480, 2415, 300),
                         .cursorInfo = QRect(7320, 600, 3495, 1455),
                         .yCaption = QStringLiteral("No.s ( Y ) :"),
                         .yLeft = 585,
                         .yWidth = 1335,
                         .positionWidth = 1455,
                         .reset = QRect(7320, 2160, 1575, 375),
                         .printLeft = 9240},
                        parent)
{
    GraphTools::Setup s = toolSetup();
    s.onNormal = GraphTools::CursorRule::RemoveAll;
    s.reset = [this] { CmdReset_Click(); };

    // Its own copy: a later list's "Plot" changes the shared count before
    // this window is unloaded.
    recordCount_ = graphState().PlotRecordCount;
    if (MainWindow* main = MainWindow::instance()) move(main->dockPlace(size()));
    startTools(std::move(s));
}

void Plot::CmdReset_Click()
{
    CWGraph1->Axes(1).SetMinMax(1, double(recordCount_));
    CWGraph1->Axes(2).SetMinMax(25, 145);
}
