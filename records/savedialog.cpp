#include "records/savedialog.h"

#include "common/progress.h"
#include "platform/commondialog.h"
#include "records/core/datafile.h"
#include "records/core/filetransferstate.h"

#include <QApplication>
#include <QIODevice>
#include <QPointer>
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

// Rows are taken from a snapshot of the list made at the start, so a list
// cut or refilled while events run between rows cannot tear the file.
bool writeRows(QWidget* window, const RecordList& list, int lastGrid, int lastRow, QIODevice& file,
               DataFile::Separator sep)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString caption = window ? window->windowTitle() : QString();
    const QPointer<QWidget> owner(window);
    const auto restore = qScopeGuard([&] {
        if (owner) owner->setWindowTitle(caption);
        QApplication::restoreOverrideCursor();
    });
    const RecordRows rows = list.records();
    const std::array<QByteArray, 3> titles{list.title(0).toLatin1(), list.title(1).toLatin1(),
                                           list.title(2).toLatin1()};
    lastGrid = std::clamp(lastGrid, 0, 2);
    lastRow = int(std::min<qsizetype>(lastRow, rows.size()));
    const char separator = char(sep);
    constexpr qsizetype Chunk = 1 << 20;
    QByteArray buffer;
    buffer.reserve(Chunk + 4096);
    ProgressThrottle progress;
    for (int r = 0; r <= lastRow; ++r) {
        if (r > 0 && lastGrid == 2) {
            DataFile::appendListLine(buffer, sep, rows.cell(r - 1, 0), rows.cell(r - 1, 1),
                                     rows.cell(r - 1, 2));
        } else {
            for (int c = 0; c <= lastGrid; ++c) {
                buffer += r == 0 ? QByteArrayView(titles[size_t(c)]) : rows.cell(r - 1, c);
                buffer += separator;
            }
            buffer += DataFile::LineEnd;
        }
        if (buffer.size() >= Chunk || r == lastRow) {
            if (file.write(buffer) != buffer.size()) return false;
            buffer.clear();
        }
        if (progress.due(r == lastRow)) {
            if (owner)
                owner->setWindowTitle(QString::number(r) + QStringLiteral("Records Completed"));
            progress.processEvents();
        }
    }
    return true;
}

} // namespace

#define DORVI_GRID_WRITER(name, separator)                                                         \
    bool name(QWidget* window, const RecordList& list, int lastGrid, int lastRow, QIODevice& file) \
    {                                                                                              \
        return writeRows(window, list, lastGrid, lastRow, file, separator);                        \
    }

// Each grid of a list has one column, so the Col writers write the same files.
DORVI_GRID_WRITER(SaveGridTab, DataFile::Separator::Tab)
DORVI_GRID_WRITER(SaveGridCsv, DataFile::Separator::Comma)
DORVI_GRID_WRITER(SaveGridTabAll, DataFile::Separator::Tab)
DORVI_GRID_WRITER(SaveGridColTab, DataFile::Separator::Tab)
DORVI_GRID_WRITER(SaveGridColCsv, DataFile::Separator::Comma)
DORVI_GRID_WRITER(SaveGridColTabAll, DataFile::Separator::Tab)
#undef DORVI_GRID_WRITER

GridWriter gridWriterForFilter(int filterIndex, bool selectColumn)
{
    if (filterIndex == 1) return selectColumn ? SaveGridColTab : SaveGridTab;
    if (filterIndex == 2) return selectColumn ? SaveGridColCsv : SaveGridCsv;
    return selectColumn ? SaveGridColTabAll : SaveGridTabAll;
}

} // namespace FileTransfer
