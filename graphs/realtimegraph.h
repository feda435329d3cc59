#pragma once
// The large graph of one live history: the level, Leq or SEL of every
// sample, as a snapshot the main window's trend graphs hand over when
// clicked. It never refreshes itself.

#include "platform/threed.h"

#include <QWidget>
#include <array>

class Graph;
class GraphTools;
class NumEdit;
class QComboBox;
class QLabel;
class QPlainTextEdit;

class RealTimeGraph : public QWidget
{
    Q_OBJECT
public:
    // The load: at the screen's top-left corner, the chooser filled and
    // "Normal" chosen; the graph's two design cursors stay.
    explicit RealTimeGraph(QWidget* parent = nullptr);

    Graph* CWGraph1;
    SSFrame* FrmGraphic;
    SSFrame* SSFrame4;
    QLabel* Label3;
    QLabel* LblUnit;
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
    GraphTools* tools;

    // The axis-limit edits: 1 the X axis, 2 the Y axis.
    NumEdit* AxisMin(int i) const { return axisMin_[i - 1]; }
    NumEdit* AxisMax(int i) const { return axisMax_[i - 1]; }

    // "Reset Scale": edits and axes back to the ranges the window was opened with.
    void CmdReset_Click();

private:
    std::array<NumEdit*, 2> axisMin_{};
    std::array<NumEdit*, 2> axisMax_{};
};
