#pragma once
// The shape the record plot and the live history graph share: a large graph
// over the "Graphic Plot" frame with the range edits, the track-mode chooser,
// the cursor read-out and the reset and print buttons. The two differ in
// their places and in what reset and print do.

#include "graphs/graphtools.h"
#include "platform/threed.h"

#include <QRect>
#include <QSize>
#include <QWidget>
#include <array>

class Graph;
class NumEdit;
class QComboBox;
class QLabel;
class QPlainTextEdit;

class GraphicPlotWindow : public QWidget
{
    Q_OBJECT
public:
    Graph* CWGraph1;
    SSFrame* FrmGraphic;
    SSFrame* SSFrame4;
    QLabel* Label3;
    QLabel* Label5;
    QLabel* Label6;
    SSFrame* SSFrame3;
    QComboBox* Combo1;
    QPlainTextEdit* txtDescription;
    SSFrame* SSFrame2;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* XPosition;
    QLabel* YPosition;
    SSCommand* CmdReset;
    SSCommand* CmdPrint;
    GraphTools* tools = nullptr;

    // The axis-limit edits: 1 the X axis, 2 the Y axis.
    NumEdit* AxisMin(int i) const { return axisMin_[i - 1]; }
    NumEdit* AxisMax(int i) const { return axisMax_[i - 1]; }

protected:
    // The places that differ, in twips.
    struct Layout
    {
        QString caption;
        QSize client;
        QRect graph;
        QRect frame;  // FrmGraphic
        QRect range;  // SSFrame4
        int unitLeft; // the unit label over the Y edits
        int unitWidth;
        QRect track;      // SSFrame3
        QRect chooser;    // Combo1; txtDescription below it, as wide
        QRect cursorInfo; // SSFrame2
        QString yCaption; // Label2
        int yLeft;
        int yWidth;
        int positionWidth; // XPosition, YPosition
        QRect reset;       // CmdReset; CmdPrint beside it
        int printLeft;
    };

    GraphicPlotWindow(const Layout& layout, QWidget* parent);

    // What both windows' tools start from; the window adds its own rules.
    GraphTools::Setup toolSetup();
    // Makes the tools, fills the chooser and chooses "Normal".
    void startTools(GraphTools::Setup setup);

    QLabel* unitLabel_;

private:
    std::array<NumEdit*, 2> axisMin_{};
    std::array<NumEdit*, 2> axisMax_{};
};
