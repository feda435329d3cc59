// Recording the live samples into a data file, saving the live list, and
// the automatic dump of a full live list.

#include "meter/panel.h"

#include "meter/core/livestats.h"
#include "meter/core/recording.h"
#include "meter/pictures.h"
#include "platform/dialogs.h"
#include "platform/grid.h"
#include "platform/progress.h"
#include "platform/recordlistview.h"
#include "platform/toolbar.h"
#include "platform/twips.h"
#include "records/core/datafile.h"
#include "records/savedialog.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QRadioButton>
#include <QSaveFile>
#include <QScopeGuard>
#include <QToolButton>

namespace {

const QString ScratchName = QStringLiteral("Fake");

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

void Panel::recordingStarted(bool on)
{
    RecordingState& r = recordingState();
    r.Recording = on;
    Toolbar1->button(1)->setIcon(toolbarPicture(on ? 12 : 1));
    Toolbar1->button(1)->setToolTip(on ? QStringLiteral("Stop Recording")
                                       : QStringLiteral("Save As"));
    if (!on) {
        r.RecordedLines = 0;
        scratch_.reset();
    }
}

void Panel::SaveKey()
{
    if (isRecording()) {
        StopRecording();
        return;
    }
    if (recordingState().Stopping) return;
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
    if (r.Recording || r.Stopping) return;
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
    FileTransfer::ShowSaveDialog(Cmd, this);
    if (!r.FileChosen || refusedTarget(r.SaveFileName)) return;

    const bool comma = DataFile::separatorForFilter(Cmd.FilterIndex) == DataFile::Separator::Comma;
    auto scratch = std::make_unique<QFile>(ScratchName);
    const QByteArray title =
        DataFile::titleLine(comma ? DataFile::Separator::Comma : DataFile::Separator::Tab,
                            DataFile::LineForm::Recording);
    if (!scratch->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Append |
                       QIODevice::Unbuffered) ||
        scratch->write(title) != title.size()) {
        Platform::MsgBox(
            this,
            QStringLiteral("The scratch file \"Fake\" cannot be written in %1:\r\n%2")
                .arg(QDir::toNativeSeparators(QDir::currentPath()), scratch->errorString()),
            Platform::Icon::Critical, QStringLiteral("Dorvi"));
        return;
    }
    scratch_ = std::move(scratch);
    scratchFailed_ = false;
    r.RecordingFileName = r.SaveFileName;
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
    recordingStarted(true);
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
        return;
    }
    r.RecordedLines += 1;
    const QByteArray line = DataFile::recordLine(
        r.RecordingComma ? DataFile::Separator::Comma : DataFile::Separator::Tab,
        DataFile::LineForm::Recording, QString::number(r.RecordedLines), sampleTime, dB);
    if (scratch_->write(line) != line.size() && !scratchFailed_) {
        // Reported once; the recording goes on, as a tick's failure ends only that tick.
        scratchFailed_ = true;
        Platform::MsgBox(this,
                         QStringLiteral("Writing to the scratch file \"Fake\" failed:\r\n%1")
                             .arg(scratch_->errorString()),
                         Platform::Icon::Critical, QStringLiteral("Dorvi"));
        if (!recordingState().Recording) return;
    }
    LblCount->setText(QString::number(r.RecordedLines));
    LblCount->show();
    LblRec->setText(QStringLiteral("Rec"));
    if (r.RecordedLines >= r.RecordLimit) StopRecording();
}

void Panel::StopRecording()
{
    RecordingState& r = recordingState();
    if (!r.Recording || r.Stopping) return;
    r.Stopping = true;
    const auto stopped = qScopeGuard([] { recordingState().Stopping = false; });
    LiveState& s = liveState();
    s.RecLeqCount = 0;
    s.RecLeqEnergy = 0;
    recordingStarted(false);
    LblRec->hide();
    LblCount->clear();
    LblFileName->clear();

    const QString target = r.RecordingFileName;
    QFile scratch(ScratchName);
    QSaveFile out(target);
    QString error;
    if (!scratch.open(QIODevice::ReadOnly))
        error = scratch.errorString();
    else if (!out.open(QIODevice::WriteOnly))
        error = out.errorString();
    if (error.isEmpty()) {
        DataFile::RealTimeHeader h;
        h.samplingTime = samplingState().PcSamplingTime;
        h.BoardCA = BoardCA->caption();
        h.BoardSFI = BoardSFI->caption();
        h.BoardLevel = BoardLevel->caption();
        h.maxLevel = s.RecMaxText.isEmpty() ? DataFile::NumberOrText(0.0)
                                            : DataFile::NumberOrText(s.RecMaxText);
        h.maxTime = s.RecMaxTime;
        h.selText = s.RecSelText;
        h.leqText = s.RecLeqText;
        out.write(DataFile::realTimeFileHeader(h));

        // Every line of "Fake", title line first, unchanged.
        ProgressThrottle progress;
        long long copied = 0;
        while (!scratch.atEnd()) {
            const QByteArray line = scratch.readLine();
            if (out.write(line) != line.size()) break;
            ++copied;
            if (progress.due(scratch.atEnd())) {
                LblCount->setText(QString::number(copied));
                progress.processEvents();
            }
        }
        if (!out.commit()) error = out.errorString();
    }
    LblCount->clear();
    r.FileChosen = false;
    s.RecMaxText.clear();
    if (!error.isEmpty())
        Platform::MsgBox(this,
                         QStringLiteral("The recording could not be written to %1:\r\n%2\r\n"
                                        "Its lines stay in the file \"Fake\".")
                             .arg(QDir::toNativeSeparators(target), error),
                         Platform::Icon::Critical, QStringLiteral("Dorvi"));
}

void Panel::endRecordingOnLoss()
{
    // The lines recorded so far become the final file, as at a stop by the user.
    if (isRecording()) StopRecording();
    recordingState().RecordedLines = 0;
}

void Panel::finishRecordingOnClose()
{
    if (isRecording()) StopRecording();
}

void Panel::saveLiveList()
{
    if (listSaving_) return;
    listSaving_ = true;
    const auto saved = qScopeGuard([this] { listSaving_ = false; });
    WaitCursor wait;
    RecordingState& r = recordingState();
    FileTransfer::ShowSaveDialog(Cmd, this);
    if (!r.FileChosen || refusedTarget(r.SaveFileName)) return;
    const QString target = r.SaveFileName;
    const LiveState& s = liveState();
    DataFile::RealTimeHeader h;
    h.samplingTime = samplingState().PcSamplingTime;
    h.BoardCA = BoardCA->caption();
    h.BoardSFI = BoardSFI->caption();
    h.BoardLevel = BoardLevel->caption();
    h.maxLevel = s.MaxLevel;
    h.maxTime = s.MaxTime;
    h.selText = s.SelText;
    h.leqText = s.LeqText;

    QSaveFile out(target);
    QString error;
    if (!out.open(QIODevice::WriteOnly)) {
        error = out.errorString();
    } else {
        out.write(DataFile::realTimeFileHeader(h));
        const FileTransfer::GridWriter writer =
            FileTransfer::gridWriterForFilter(Cmd.FilterIndex, false);
        const bool whole = writer(this, liveRecords(), 2, int(liveRecords().rows() - 1), out);
        if (!out.commit())
            error = out.errorString();
        else if (!whole)
            error = QStringLiteral(
                "The list changed while it was written; the file holds the rows written before.");
    }
    r.FileChosen = false;
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
    if (dumpFailed_ || listSaving_) return;
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
    if (!ok) {
        dumpFailed_ = true;
        Platform::MsgBox(
            this,
            QStringLiteral("The full live list could not be written to %1:\r\n%2\r\n"
                           "The list is kept.")
                .arg(QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath()), error),
            Platform::Icon::Critical, QStringLiteral("Dorvi"));
        return;
    }
    // The list empties and refills, its record numbers running on.
    s.DumpedRecords = s.LiveCount;
    CutLiveList();
}
