#include "records/savedialog.h"

#include "platform/commondialog.h"
#include "platform/grid.h"
#include "platform/progress.h"
#include "records/core/datafile.h"
#include "records/core/filetransferstate.h"

#include <QApplication>
#include <QIODevice>
#include <QScopeGuard>
#include <QWidget>

namespace FileTransfer {

void ShowSaveDialog(CommonDialog& cmd, QWidget* parent)
{
    FileTransferState& s = fileTransferState();
    cmd.FilterIndex = 0;
    cmd.Filter =
        QStringLiteral("Data Files (*.dvrk)|*.dvrk|Data Files (*.csv)|*.csv|All Files (*.*)|*.*|");
    cmd.Flags = CommonDialog::OverwritePrompt;
    if (!cmd.ShowSave(parent)) {
        s.FileChosen = false;
        return;
    }
    s.SaveFileName = cmd.FileName;
    s.FileChosen = !cmd.FileTitle.isEmpty();
}

namespace {

bool writeRows(QWidget* window, const RecordGrids& grids, int lastGrid, int lastRow,
               QIODevice& file, DataFile::Separator sep, bool selectColumn)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString caption = window ? window->windowTitle() : QString();
    const auto restore = qScopeGuard([&] {
        if (window) window->setWindowTitle(caption);
        QApplication::restoreOverrideCursor();
    });
    lastGrid = std::clamp(lastGrid, 0, 2);
    ProgressThrottle progress;
    QByteArray line;
    for (int r = 0; r <= lastRow; ++r) {
        line.clear();
        for (int c = 0; c <= lastGrid; ++c) {
            FlexGrid* g = grids[size_t(c)];
            // Rows can be cut while events run between rows.
            if (!g || r >= g->rows()) return false;
            if (selectColumn) g->setCol(0);
            const QString cell = g->textMatrix(r, 0);
            line += cell.toLatin1();
            line += char(sep);
        }
        line += DataFile::LineEnd;
        if (file.write(line) != line.size()) return false;
        if (progress.due(r == lastRow)) {
            if (window)
                window->setWindowTitle(QString::number(r) + QStringLiteral("Records Completed"));
            progress.processEvents();
        }
    }
    for (int c = 0; c <= lastGrid; ++c)
        if (FlexGrid* g = grids[size_t(c)]; g && lastRow < g->rows()) g->setRow(lastRow);
    return true;
}

} // namespace

#define DORVI_GRID_WRITER(name, separator, column)                                                 \
    bool name(QWidget* window, const RecordGrids& grids, int lastGrid, int lastRow,                \
              QIODevice& file)                                                                     \
    {                                                                                              \
        return writeRows(window, grids, lastGrid, lastRow, file, separator, column);               \
    }

DORVI_GRID_WRITER(SaveGridTab, DataFile::Separator::Tab, false)
DORVI_GRID_WRITER(SaveGridCsv, DataFile::Separator::Comma, false)
DORVI_GRID_WRITER(SaveGridTabAll, DataFile::Separator::Tab, false)
DORVI_GRID_WRITER(SaveGridColTab, DataFile::Separator::Tab, true)
DORVI_GRID_WRITER(SaveGridColCsv, DataFile::Separator::Comma, true)
DORVI_GRID_WRITER(SaveGridColTabAll, DataFile::Separator::Tab, true)
#undef DORVI_GRID_WRITER

GridWriter gridWriterForFilter(int filterIndex, bool selectColumn)
{
    if (filterIndex == 1) return selectColumn ? SaveGridColTab : SaveGridTab;
    if (filterIndex == 2) return selectColumn ? SaveGridColCsv : SaveGridCsv;
    return selectColumn ? SaveGridColTabAll : SaveGridTabAll;
}

} // namespace FileTransfer
