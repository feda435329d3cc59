// Recording the live samples into a data file, saving the live list, and
// the automatic dump of a full live list.

#include "meter/panel.h"

#include "common/clock.h"
#include "common/progress.h"
#include "meter/core/livestats.h"
#include "meter/core/recording.h"
#include "meter/core/scratchfile.h"
#include "meter/pictures.h"
#include "platform/dialogs.h"
#include "platform/grid.h"
#include "platform/recordlistview.h"
#include "platform/toolbar.h"
#include "platform/twips.h"
#include "records/core/datafile.h"
#include "records/core/filetransferstate.h"
#include "records/core/safefile.h"
#include "records/savedialog.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QRadioButton>
#include <QScopeGuard>
#include <QToolButton>

namespace {

constexpr qint64 DumpRetryNs = 10'000'000'000;

bool sameFile(const QString& a, const QString& b)
{
    return !a.isEmpty() && !b.isEmpty() &&
           QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

struct WaitCursor
{
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

bool Panel::isRecording() const
{
    return recordingState().Recording;
}

void Panel::showSaveKey()
{
    // A recording still without its final file keeps the stop look: the key writes it.
    const RecordingState& r = recordingState();
    const bool stop = r.Recording || r.Pending;
    QToolButton* save = Toolbar1->button(u"Save");
    save->setIcon(toolbarPicture(stop ? 12 : 1));
    save->setToolTip(stop ? QStringLiteral("Stop Recording") : QStringLiteral("Save As"));
}

void Panel::SaveKey()
{
    const RecordingState& r = recordingState();
    if (r.Recording || r.Pending) {
        StopRecording();
        return;
    }
    if (r.Stopping) return;
    OptSampling->setChecked(true);
    OptSaveList->setChecked(false);
    SaveMode = 1;
    PicSave->show();
    PicSave->raise();
}

void Panel::CmdSaveOK_Click()
{
    PicSave->hide();
    const RecordingState& r = recordingState();
    if (r.Recording || r.Stopping || r.Pending) return;
    if (SaveMode == 1)
        startRecording();
    else
        saveLiveList();
}

bool Panel::refusedTarget(const QString& path)
{
    if (sameFile(path, Recorder::scratchName())) {
        Platform::MsgBox(this,
                         QStringLiteral("The file \"Fake\" holds the running recording.\r\n"
                                        "Please choose another file name."),
                         Platform::Icon::Critical, QStringLiteral("Dorvi"));
        return true;
    }
    const RecordingState& r = recordingState();
    if (r.Recording && sameFile(path, r.RecordingFileName)) {
        Platform::MsgBox(this,
                         QStringLiteral("The file %1 receives the running recording.\r\n"
                                        "Please choose another file name.")
                             .arg(QDir::toNativeSeparators(path)),
                         Platform::Icon::Critical, QStringLiteral("Dorvi"));
        return true;
    }
    return false;
}

void Panel::startRecording()
{
    FileTransferState& f = fileTransferState();
    FileTransfer::ShowSaveDialog(Cmd, this);
    if (!f.FileChosen || refusedTarget(f.SaveFileName)) return;

    const bool comma = DataFile::separatorForFilter(Cmd.FilterIndex) == DataFile::Separator::Comma;
    if (const QString reason = recorder_.start(f.SaveFileName, comma); !reason.isEmpty()) {
        Platform::MsgBox(this,
                         QStringLiteral("The scratch file \"Fake\" cannot be written in %1:\r\n%2")
                             .arg(QDir::toNativeSeparators(QDir::currentPath()), reason),
                         Platform::Icon::Critical, QStringLiteral("Dorvi"));
        return;
    }
    LblFileName->setText(Cmd.FileTitle);
    showSaveKey();
    LblRec->show();
}

void Panel::recordSample(const QString& sampleTime, const QString& dB)
{
    const Recorder::Sample r = recorder_.sample(sampleTime, dB);
    if (!r.recorded) {
        LblFileName->clear();
        LblCount->clear();
        LblRec->clear();
        return;
    }
    if (!r.failure.isEmpty()) {
        // Told once, without holding the tick; the recording goes on and its
        // lines wait for room.
        Platform::Notify(
            this,
            QStringLiteral("The scratch file %1 cannot take the recording's lines:\r\n%2\r\n"
                           "The recording goes on: its lines wait and go into the file, "
                           "in order, as soon as there is room.")
                .arg(recorder_.scratchPath(), r.failure),
            Platform::Icon::Critical, QStringLiteral("Dorvi"));
    }
    LblCount->setText(QString::number(recordingState().RecordedLines));
    LblCount->show();
    LblRec->setText(QStringLiteral("Rec"));
    if (r.limitReached) stopRecording(StopBy::Limit);
}

void Panel::StopRecording()
{
    stopRecording(StopBy::User);
}

QString Panel::stopRecording(StopBy by)
{
    // A running recording's labels go as its sampling ends, before the copy.
    if (const RecordingState& r = recordingState(); r.Recording && !r.Stopping) {
        LblRec->hide();
        LblCount->clear();
        LblFileName->clear();
    }
    const std::optional<Recorder::Stopped> stopped = recorder_.stop(
        {BoardCA->caption(), BoardSFI->caption(), BoardLevel->caption()}, [this](long long copied) {
            LblCount->setText(QString::number(copied));
            QCoreApplication::processEvents();
        });
    if (!stopped) return {};
    LblCount->clear();
    fileTransferState().FileChosen = false;
    showSaveKey();

    const QString& error = stopped->error;
    const long long records = stopped->records;
    const bool again = stopped->again;
    const qsizetype inMemory = stopped->inMemory;
    const QString& waitingReason = stopped->noRoom;
    if (by == StopBy::Closing) return error;
    const QString where = QDir::toNativeSeparators(stopped->target);
    QStringList text;
    if (by == StopBy::LostMeter)
        text << QStringLiteral("The meter stopped answering, so the recording was ended.");
    if (!error.isEmpty()) {
        text << QStringLiteral("The recording could not be written to %1:\r\n%2").arg(where, error);
        const long long inFake = records - inMemory;
        if (inMemory == 0)
            text << QStringLiteral("Its %1 records stay in the file \"Fake\".").arg(records);
        else if (inFake > 0)
            text << QStringLiteral("Its %1 records are kept: the first %2 in the file \"Fake\", "
                                   "the last %3 in memory, as \"Fake\" has no room for them (%4).")
                        .arg(records)
                        .arg(inFake)
                        .arg(inMemory)
                        .arg(waitingReason);
        else
            text << QStringLiteral("Its %1 records are kept in memory, as the file \"Fake\" has "
                                   "no room for them (%2).")
                        .arg(records)
                        .arg(waitingReason);
        text << QStringLiteral("Once there is room, \"Stop Recording\" tries again. No new "
                               "recording can start until the file is written.");
    } else {
        if (by == StopBy::LostMeter)
            text << QStringLiteral("Its %1 records are in %2.").arg(records).arg(where);
        else if (again || inMemory > 0)
            text << QStringLiteral("The recording's %1 records were written to %2.")
                        .arg(records)
                        .arg(where);
        if (inMemory > 0)
            text << QStringLiteral("The last %1 of them are not in the file \"Fake\", which had "
                                   "no room for them (%2).")
                        .arg(inMemory)
                        .arg(waitingReason);
    }
    if (text.isEmpty()) return error;
    const Platform::Icon icon = error.isEmpty() && by != StopBy::LostMeter
                                    ? Platform::Icon::Information
                                    : Platform::Icon::Critical;
    // A stop the user asked for may wait for OK; one raised by a tick may not.
    if (by == StopBy::User)
        Platform::MsgBox(this, text.join(QStringLiteral("\r\n")), icon, QStringLiteral("Dorvi"));
    else
        Platform::Notify(this, text.join(QStringLiteral("\r\n")), icon, QStringLiteral("Dorvi"));
    return error;
}

void Panel::endRecordingOnLoss()
{
    // The lines recorded so far become the final file, as at a stop by the user.
    if (isRecording()) stopRecording(StopBy::LostMeter);
    recordingState().RecordedLines = 0;
}

bool Panel::finishRecordingOnClose()
{
    const RecordingState& r = recordingState();
    if (r.Stopping) return false; // the final file is being written: closing must wait for it
    const QString error = stopRecording(StopBy::Closing);
    if (!r.Pending) return true;

    // What closing gives up, told in records: those only in memory are lost.
    const long long records = r.PendingRecords;
    const long long inMemory = recorder_.inMemory();
    const long long inFake = records - inMemory;
    QString text = QStringLiteral("The recording could not be written to %1:\r\n%2\r\n")
                       .arg(QDir::toNativeSeparators(r.RecordingFileName), error);
    if (inMemory == 0)
        text += QStringLiteral("If Dorvi closes now, its %1 records stay only in the file "
                               "\"Fake\", which the next recording replaces.")
                    .arg(records);
    else if (inFake > 0)
        text += QStringLiteral("If Dorvi closes now, the last %1 of its %2 records are lost: the "
                               "file \"Fake\" has no room for them. The first %3 stay only in "
                               "\"Fake\", which the next recording replaces.")
                    .arg(inMemory)
                    .arg(records)
                    .arg(inFake);
    else
        text += QStringLiteral("If Dorvi closes now, its %1 records are lost: the file \"Fake\" "
                               "has no room for them.")
                    .arg(records);
    text += QStringLiteral("\r\nClose anyway?");
    return Platform::AskYesNo(this, text, QStringLiteral("Dorvi"));
}

void Panel::saveLiveList()
{
    if (listSaving_) return;
    listSaving_ = true;
    const auto saved = qScopeGuard([this] { listSaving_ = false; });
    WaitCursor wait;
    FileTransferState& f = fileTransferState();
    FileTransfer::ShowSaveDialog(Cmd, this);
    if (!f.FileChosen || refusedTarget(f.SaveFileName)) return;
    const QString target = f.SaveFileName;
    const LiveState& s = liveState();
    DataFile::RealTimeHeader h;
    h.samplingTime = samplingState().PcSamplingTime;
    h.boardCa = BoardCA->caption();
    h.boardSfi = BoardSFI->caption();
    h.boardLevel = BoardLevel->caption();
    h.maxLevel = s.MaxLevel;
    h.maxTime = s.MaxTime;
    h.selText = s.SelText;
    h.leqText = s.LeqText;

    DataFile::SafeFile out(target);
    QString error;
    if (!out.open(QIODevice::WriteOnly)) {
        error = out.failure();
    } else {
        out.write(DataFile::realTimeFileHeader(h));
        const FileTransfer::GridWriter writer =
            FileTransfer::gridWriterForFilter(Cmd.FilterIndex, false);
        const bool whole = writer(this, liveRecords(), 2, int(liveRecords().rows() - 1), out);
        if (!out.commit())
            error = out.failure();
        else if (!whole)
            error = QStringLiteral(
                "The list changed while it was written; the file holds the rows written before.");
    }
    f.FileChosen = false;
    if (!error.isEmpty())
        Platform::MsgBox(this,
                         QStringLiteral("The list could not be written to %1:\r\n%2")
                             .arg(QDir::toNativeSeparators(target), error),
                         Platform::Icon::Critical, QStringLiteral("Dorvi"));
}

bool Panel::listFull() const
{
    const LiveState& s = liveState();
    const long long inList = s.LiveCount - s.DumpedRecords;
    return inList > 0 && inList % recordingState().ListLimit == 0;
}

void Panel::dumpLiveList()
{
    // A save of the list in progress reads its rows; the dump waits for it.
    // After a failure the dump waits a while for room before it tries again.
    if (listSaving_) return;
    if (dumpFailedNs_ && Clock::current().elapsedNs() - *dumpFailedNs_ < DumpRetryNs) return;
    WaitCursor wait;
    LiveState& s = liveState();
    const QString name = DataFile::liveGridDumpName(Now());
    const QString caption = windowTitle();
    const RecordList& list = liveRecords();
    const RecordRows& rows = list.records();
    const qsizetype last = rows.size();
    QByteArray bytes;
    bytes.reserve((last + 1) * 40);
    ProgressThrottle progress;
    for (qsizetype r = 0; r <= last; ++r) {
        if (r == 0)
            DataFile::appendListLine(bytes, DataFile::Separator::Tab, list.title(0), list.title(1),
                                     list.title(2));
        else
            DataFile::appendListLine(bytes, DataFile::Separator::Tab, rows.cell(r - 1, 0),
                                     rows.cell(r - 1, 1), rows.cell(r - 1, 2));
        if (progress.due(r == last))
            setWindowTitle(QString::number(r) + QStringLiteral(" Records Completed"));
    }
    QString error;
    const bool ok = DataFile::saveFile(name, bytes, &error);
    setWindowTitle(caption);
    const QString where = QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath());
    if (!ok) {
        const bool first = !dumpFailedNs_;
        dumpFailedNs_ = Clock::current().elapsedNs();
        if (first)
            Platform::Notify(this,
                             QStringLiteral("The full live list could not be written to %1:\r\n"
                                            "%2\r\nThe list is kept, and written as soon as "
                                            "there is room.")
                                 .arg(where, error),
                             Platform::Icon::Critical, QStringLiteral("Dorvi"));
        return;
    }
    // The list empties and refills, its record numbers running on.
    const bool again = dumpFailedNs_.has_value();
    s.DumpedRecords = s.LiveCount;
    CutLiveList();
    if (again)
        Platform::Notify(
            this,
            QStringLiteral("The full live list was written to %1; the list grows again.")
                .arg(where),
            Platform::Icon::Information, QStringLiteral("Dorvi"));
}
