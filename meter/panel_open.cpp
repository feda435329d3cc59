// "Open": a data file read into its record-list window.

#include "meter/panel.h"
#include "platform/dialogs.h"
#include "records/core/datafile.h"
#include "records/filelist.h"

#include <QPointer>

void Panel::OpenKey()
{
    if (isRecording()) {
        Platform::MsgBox(this, QStringLiteral("Recording Mode!\n\rPlease stop recording!"),
                         Platform::Icon::Critical, QStringLiteral("Dorvi"));
        return;
    }
    QPointer<Panel> self(this);
    Cmd.Filter = QStringLiteral("Data Files (*.dvrk)|*.dvrk|All Files (*.*)|*.*|");
    if (!Cmd.ShowOpen(this) || !self || Cmd.FileName.isEmpty()) return;

    // No events run from here to the filled window: nothing can close or
    // replace it meanwhile, and the progress caption needs none to show.
    const QString caption = windowTitle();
    DataFile::ReadResult r;
    {
        TimersPaused paused(this);
        r = DataFile::readFile(Cmd.FileName, [this](qsizetype n) {
            setWindowTitle(QString::number(n) + QStringLiteral(" Records Completed"));
        });
        if (r.kind != DataFile::Kind::Empty)
            showFileInWindow(r.window, Cmd.FileTitle, r.captions, std::move(r.rows));
        setWindowTitle(caption);
    }
    if (!r.message.isEmpty())
        Platform::MsgBox(this, r.message, Platform::Icon::Warning, QStringLiteral("Dorvi"));
}
