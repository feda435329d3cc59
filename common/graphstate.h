#pragma once
// What the graph openers hand to the graph windows' resets: the ranges a
// window was opened with and the results of the last statistics run. Kept
// as plain values, written by the openers and read back by the windows.

#include <QString>
#include <QtGlobal>
#include <array>

struct GraphState
{
    // Live history graph: true while its opener fills the axis edits.
    bool GraphLoading = false;
    double RealTimeXMax = 0;
    double RealTimeYMin = 0;
    double RealTimeYMax = 0;
    QString RealTimeCaption; // the Y caption of the clicked trend graph

    // Live histogram: the axis ranges read back right after plotting.
    double RealHistXMin = 0;
    double RealHistXMax = 0;
    double RealHistYMax = 0;

    // Records of the list plotted last (its rows minus the title row).
    qint64 PlotRecordCount = 0;
    // Height in dB of the next plot marker's label.
    double MarkerY = 0;

    // File histogram: first and last occupied class of the histogram shown
    // last (in its resolution) and the Y maximum the graph chose for it.
    int HistogramLow = 0;
    int HistogramHigh = 0;
    double HistogramYMax = 0;

    // Records of the list counted last, and its percentile levels: entry m
    // is the level about m % of the records exceed; empty when none is known.
    qint64 RecordCount = 0;
    std::array<QString, 100> LnTable;
};

GraphState& graphState();
