#pragma once
// The large graph of one live history: the level, Leq or SEL of every
// sample, as a snapshot the main window's trend graphs hand over when
// clicked. It never refreshes itself.

#include "graphs/graphicplot.h"

class RealTimeGraph : public GraphicPlotWindow
{
    Q_OBJECT
public:
    // The load: at the screen's top-left corner, the chooser filled and
    // "Normal" chosen; the graph's two design cursors stay.
    explicit RealTimeGraph(QWidget* parent = nullptr);

    QLabel* const LblUnit = unitLabel_;

    // "Reset Scale": edits and axes back to the ranges the window was opened with.
    void CmdReset_Click();
};
