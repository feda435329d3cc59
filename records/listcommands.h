#pragma once
// The commands of the record-list windows' toolbars and resolution chooser.

#include <QtGlobal>

class RecordListWindow;

// What the last plot of a list was handed (read by the plot's "Reset Scale").
struct ListPlotState
{
    qsizetype PlotRecordCount = 0;
};
ListPlotState& listPlotState();

// "Plot": the records of the list to the plot.
void plotList(RecordListWindow& window);

// "1 dB" (tenths false) and "0.1 dB": the level histogram and Ln table.
void listStatistics(RecordListWindow& window, bool tenths);

// "Print": the printed listing, from a copy of the window's panels and
// records taken at its start, so closing or replacing the window meanwhile
// harms nothing. Refused while a long list command runs.
void printList(RecordListWindow& window);

// True while a long list command (the printed listing) runs: it lets events
// run, and another such command must not start inside it.
bool listCommandRunning();

// Marks a long list command as running while it lives.
class ListCommandRun
{
public:
    ListCommandRun();
    ~ListCommandRun();
    ListCommandRun(const ListCommandRun&) = delete;
    ListCommandRun& operator=(const ListCommandRun&) = delete;
};
