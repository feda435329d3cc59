#pragma once
// The save dialog of every save, and the writers of a record list's rows.

#include <QString>
#include <array>

class CommonDialog;
class FlexGrid;
class QIODevice;
class QWidget;

namespace FileTransfer {

// Asks for a data file name; sets SaveFileName and FileChosen.
void ShowSaveDialog(CommonDialog& cmd, QWidget* parent);

using RecordGrids = std::array<FlexGrid*, 3>;

// Write rows 0..lastRow of grids 0..lastGrid, one line per row in the list
// form, to a file the caller opened. The window's caption counts the rows
// meanwhile and is put back at the end. False when a write failed or a row
// could no longer be read; the rows written so far stay.
bool SaveGridTab(QWidget* window, const RecordGrids& grids, int lastGrid, int lastRow,
                 QIODevice& file);
bool SaveGridCsv(QWidget* window, const RecordGrids& grids, int lastGrid, int lastRow,
                 QIODevice& file);
bool SaveGridTabAll(QWidget* window, const RecordGrids& grids, int lastGrid, int lastRow,
                    QIODevice& file);
bool SaveGridColTab(QWidget* window, const RecordGrids& grids, int lastGrid, int lastRow,
                    QIODevice& file);
bool SaveGridColCsv(QWidget* window, const RecordGrids& grids, int lastGrid, int lastRow,
                    QIODevice& file);
bool SaveGridColTabAll(QWidget* window, const RecordGrids& grids, int lastGrid, int lastRow,
                       QIODevice& file);

// The writer a caller picks by the dialog's filter: 1 Tab, 2 Csv, else TabAll.
using GridWriter = bool (*)(QWidget*, const RecordGrids&, int, int, QIODevice&);
GridWriter gridWriterForFilter(int filterIndex, bool selectColumn);

} // namespace FileTransfer
