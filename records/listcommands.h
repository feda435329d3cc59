#pragma once
// The commands of the record-list windows' toolbars and resolution chooser.

#include <QtGlobal>

class RecordListWindow;

// "Plot": the records of the list to the plot.
void plotList(RecordListWindow& window);

// "1 dB" (tenths false) and "0.1 dB": the level histogram and Ln table.
void listStatistics(RecordListWindow& window, bool tenths);

// "Print": the printed listing, from a copy of the window's panels and
// records taken at its start, so closing or replacing the window meanwhile
// harms nothing. Refused while a long list command runs.
void printList(RecordListWindow& window);

// True while a long list command (plot, statistics, printed listing) runs:
// it lets events run, and the list windows' "Plot", "Ln", "1 dB", "0.1 dB"
// and "Print" do nothing meanwhile.
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
