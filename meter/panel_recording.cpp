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

const QString ScratchName = QStringLiteral("Fake");
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
    if (sameFile(path, ScratchName)) {
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
    RecordingState& r = recordingState();
    FileTransferState& f = fileTransferState();
    FileTransfer::ShowSaveDialog(Cmd, this);
    if (!f.FileChosen || refusedTarget(f.SaveFileName)) return;

    const bool comma = DataFile::separatorForFilter(Cmd.FilterIndex) == DataFile::Separator::Comma;
    auto scratch = std::make_unique<ScratchFile>();
    const QByteArray title =
        DataFile::titleLine(comma ? DataFile::Separator::Comma : DataFile::Separator::Tab,
                            DataFile::LineForm::Recording);
    QString reason;
    if (!scratch->open(ScratchName, title, &reason)) {
        Platform::MsgBox(this,
                         QStringLiteral("The scratch file \"Fake\" cannot be written in %1:\r\n%2")
                             .arg(QDir::toNativeSeparators(QDir::currentPath()), reason),
                         Platform::Icon::Critical, QStringLiteral("Dorvi"));
        return;
    }
    scratch_ = std::move(scratch);
    scratchReported_ = false;
    r.RecordingFileName = f.SaveFileName;
    r.RecordingComma = comma;
    r.RecordedLines = 0;

    // Each recording's statistics are its own.
    LiveState& s = liveState();
    s.RecLeqCount = 0;
    s.RecLeqEnergy = 0;
    s.RecLeqText.clear();
    s.RecSelText.clear();
    s.RecMaxText.clear();
    s.RecMaxTime.clear();

    LblFileName->setText(Cmd.FileTitle);
    r.Recording = true;
    showSaveKey();
    LblRec->show();
}

void Panel::recordSample(const QString& sampleTime, const QString& dB)
{
    RecordingState& r = recordingState();
    if (!r.Recording || !scratch_) {
        LblFileName->clear();
        LblCount->clear();
        LblRec->clear();
        r.RecordedLines = 0;
        // A waiting recording's lines go into "Fake" as soon as there is
        // room, not only at the next stop; never while a stop copies it.
        if (r.Pending && !r.Stopping && scratch_) scratch_->writeWaiting();
        return;
    }
    r.RecordedLines += 1;
    const QByteArray line = DataFile::recordLine(
        r.RecordingComma ? DataFile::Separator::Comma : DataFile::Separator::Tab,
        DataFile::LineForm::Recording, QString::number(r.RecordedLines), sampleTime, dB);
    if (scratch_->add(line)) {
        scratchReported_ = false; // room again: a later failure is told anew
    } else if (!scratchReported_) {
        // Told once, without holding the tick; the recording goes on and its
        // lines wait for room.
        scratchReported_ = true;
        Platform::Notify(
            this,
            QStringLiteral("The scratch file %1 cannot take the recording's lines:\r\n%2\r\n"
                           "The recording goes on: its lines wait and go into the file, "
                           "in order, as soon as there is room.")
                .arg(QDir::toNativeSeparators(QFileInfo(scratch_->fileName()).absoluteFilePath()),
                     scratch_->reason()),
            Platform::Icon::Critical, QStringLiteral("Dorvi"));
    }
    LblCount->setText(QString::number(r.RecordedLines));
    LblCount->show();
    LblRec->setText(QStringLiteral("Rec"));
    if (r.RecordedLines >= r.RecordLimit) stopRecording(StopBy::Limit);
}

void Panel::StopRecording()
{
    stopRecording(StopBy::User);
}

QString Panel::stopRecording(StopBy by)
{
    RecordingState& r = recordingState();
    if (r.Stopping || (!r.Recording && !r.Pending)) return {};
    r.Stopping = true;
    const auto stopped = qScopeGuard([] { recordingState().Stopping = false; });
    const bool again = r.Pending;
    LiveState& s = liveState();
    if (r.Recording) {
        // The sampling ends now, and so do the statistics of the header.
        DataFile::RealTimeHeader& h = r.PendingHeader;
        h.samplingTime = samplingState().PcSamplingTime;
        h.boardCa = BoardCA->caption();
        h.boardSfi = BoardSFI->caption();
        h.boardLevel = BoardLevel->caption();
        h.maxLevel = s.RecMaxText.isEmpty() ? DataFile::NumberOrText(0.0)
                                            : DataFile::NumberOrText(s.RecMaxText);
        h.maxTime = s.RecMaxTime;
        h.selText = s.RecSelText;
        h.leqText = s.RecLeqText;
        r.PendingRecords = r.RecordedLines;
        r.Pending = true;
        r.Recording = false;
        r.RecordedLines = 0;
        s.RecLeqCount = 0;
        s.RecLeqEnergy = 0;
        s.RecMaxText.clear();
        LblRec->hide();
        LblCount->clear();
        LblFileName->clear();
    }
    const long long records = r.PendingRecords;

    // Lines still waiting for room get one more try; those left follow the
    // lines of "Fake" into the final file, so it lacks none of them.
    QByteArrayList waiting;
    QString waitingReason;
    if (scratch_ && !scratch_->writeWaiting()) {
        waiting = scratch_->waiting();
        waitingReason = scratch_->reason();
    }

    const QString target = r.RecordingFileName;
    const QString error =
        writeRecordingFile(ScratchName, target, r.PendingHeader, waiting, [this](long long copied) {
            LblCount->setText(QString::number(copied));
            QCoreApplication::processEvents();
        }).error;
    LblCount->clear();
    fileTransferState().FileChosen = false;
    if (error.isEmpty()) {
        r.Pending = false;
        r.PendingRecords = 0;
        r.PendingHeader = {};
        scratch_.reset();
    }
    showSaveKey();

    if (by == StopBy::Closing) return error;
    const QString where = QDir::toNativeSeparators(target);
    QStringList text;
    if (by == StopBy::LostMeter)
        text << QStringLiteral("The meter stopped answering, so the recording was ended.");
    if (!error.isEmpty()) {
        text << QStringLiteral("The recording could not be written to %1:\r\n%2").arg(where, error);
        const long long inFake = records - waiting.size();
        if (waiting.isEmpty())
            text << QStringLiteral("Its %1 records stay in the file \"Fake\".").arg(records);
        else if (inFake > 0)
            text << QStringLiteral("Its %1 records are kept: the first %2 in the file \"Fake\", "
                                   "the last %3 in memory, as \"Fake\" has no room for them (%4).")
                        .arg(records)
                        .arg(inFake)
                        .arg(waiting.size())
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
        else if (again || !waiting.isEmpty())
            text << QStringLiteral("The recording's %1 records were written to %2.")
                        .arg(records)
                        .arg(where);
        if (!waiting.isEmpty())
            text << QStringLiteral("The last %1 of them are not in the file \"Fake\", which had "
                                   "no room for them (%2).")
                        .arg(waiting.size())
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
    const long long inMemory = scratch_ ? scratch_->waiting().size() : 0;
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
