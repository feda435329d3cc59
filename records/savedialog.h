#pragma once
// The save dialog of every save, and the writers of a record list's rows.

#include "common/recordlist.h"

#include <QString>

class CommonDialog;
class QIODevice;
class QWidget;

namespace FileTransfer {

// Asks for a data file name; sets SaveFileName and FileChosen.
void ShowSaveDialog(CommonDialog& cmd, QWidget* parent);

// Write rows 0..lastRow (the titles first) of columns 0..lastGrid of a
// record list, one line per row in the list form, to a file the caller
// opened. The rows are those the list held when the writer started. The
// window's caption counts the rows meanwhile and is put back at the end.
// False when a write failed; the rows written so far stay.
bool SaveGridTab(QWidget* window, const RecordList& list, int lastGrid, int lastRow,
                 QIODevice& file);
bool SaveGridCsv(QWidget* window, const RecordList& list, int lastGrid, int lastRow,
                 QIODevice& file);
bool SaveGridTabAll(QWidget* window, const RecordList& list, int lastGrid, int lastRow,
                    QIODevice& file);
bool SaveGridColTab(QWidget* window, const RecordList& list, int lastGrid, int lastRow,
                    QIODevice& file);
bool SaveGridColCsv(QWidget* window, const RecordList& list, int lastGrid, int lastRow,
                    QIODevice& file);
bool SaveGridColTabAll(QWidget* window, const RecordList& list, int lastGrid, int lastRow,
                       QIODevice& file);

// The writer a caller picks by the dialog's filter: 1 Tab, 2 Csv, else TabAll.
using GridWriter = bool (*)(QWidget*, const RecordList&, int, int, QIODevice&);
GridWriter gridWriterForFilter(int filterIndex, bool selectColumn);

} // namespace FileTransfer
