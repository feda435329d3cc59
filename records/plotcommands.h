#pragma once
// The plot and statistics commands of the record-list windows. Each works
// from the level texts the list held when it started, shows its progress in
// a caption, yields to pending events at most every 100 ms with the main
// window's timers off, and ends cleanly when the list window or the main
// window closes meanwhile.

#include <QString>
#include <functional>

class QWidget;
class RecordList;

namespace FileTransfer {

// A run started while another long list command runs (listCommandRunning())
// returns at once.

// The "Plot" key: draws every record's level into the Plot window with a
// "Pause" mark at the first record of each pause block and a "Start" mark
// at the first record after it. Progress "r Completed" in the main window's
// caption. The caller sets graphState().PlotRecordCount to the number of
// records first (the window's "Reset Scale" goes back to it).
void PlotFromGrid(QWidget* listWindow, const RecordList& list);

// One marker of the plot: at the record's point, its label at MarkerY dB.
void PlotMarker(qint64 record, const QString& caption);

// The "1 dB" (tenths false) and "0.1 dB" (tenths true) buttons of the
// resolution chooser: counts the levels, shows the histogram in the
// Histogram window and fills the Ln table. fileList: true for FileList,
// whose "1 dB" table keeps tenths, false for FileListReal. Progress
// "x.x% Completed" in listWindow's caption; hideResolution hides the
// window's resolution chooser. A list with no level in a class from 1 up
// shows a message and changes neither the window nor the table.
void RunStatistics(QWidget* listWindow, const RecordList& list, bool fileList, bool tenths,
                   const std::function<void()>& hideResolution);

// How long a run works between two yields; tests make it short.
void setListCommandYieldInterval(int ms);

} // namespace FileTransfer
