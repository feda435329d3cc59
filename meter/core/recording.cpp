#include "meter/core/recording.h"

#include "common/progress.h"
#include "meter/core/livestats.h"
#include "records/core/safefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

RecordingState& recordingState()
{
    static RecordingState s;
    return s;
}

RecordingFileResult writeRecordingFile(const QString& scratchPath, const QString& target,
                                       const DataFile::RealTimeHeader& header,
                                       const QByteArrayList& waiting,
                                       const std::function<void(long long copied)>& progress)
{
    RecordingFileResult result;
    QFile scratch(scratchPath);
    DataFile::SafeFile out(target);
    errno = 0;
    if (!scratch.open(QIODevice::ReadOnly)) {
        result.error = DataFile::failureReason(scratch, errno);
        return result;
    }
    if (!out.open(QIODevice::WriteOnly)) {
        result.error = out.failure();
        return result;
    }
    out.write(DataFile::realTimeFileHeader(header));

    // Read until nothing more comes, whatever the file's size says: a read
    // that fails must be seen.
    ProgressThrottle throttle;
    while (out.failure().isEmpty()) {
        const QByteArray line = scratch.readLine();
        if (line.isEmpty()) break;
        out.write(line);
        ++result.copied;
        if (throttle.due(scratch.atEnd()) && progress) progress(result.copied);
    }
    for (const QByteArray& line : waiting)
        out.write(line);
    // Not committed: a recording cut short replaces nothing.
    if (scratch.error() != QFileDevice::NoError)
        result.error = scratch.errorString();
    else if (!out.commit())
        result.error = out.failure();
    return result;
}

QString Recorder::scratchName()
{
    return QStringLiteral("Fake");
}

QString Recorder::scratchPath() const
{
    return QDir::toNativeSeparators(
        QFileInfo(scratch_ ? scratch_->fileName() : scratchName()).absoluteFilePath());
}

QString Recorder::start(const QString& target, bool comma)
{
    RecordingState& r = recordingState();
    auto scratch = std::make_unique<ScratchFile>();
    const QByteArray title =
        DataFile::titleLine(comma ? DataFile::Separator::Comma : DataFile::Separator::Tab,
                            DataFile::LineForm::Recording);
    QString reason;
    if (!scratch->open(scratchName(), title, &reason)) return reason;
    scratch_ = std::move(scratch);
    failureTold_ = false;
    r.RecordingFileName = target;
    r.RecordingComma = comma;
    r.RecordedLines = 0;
    r.Recording = true;

    // Each recording's statistics are its own.
    LiveState& s = liveState();
    s.RecLeqCount = 0;
    s.RecLeqEnergy = 0;
    s.RecLeqText.clear();
    s.RecSelText.clear();
    s.RecMaxText.clear();
    s.RecMaxTime.clear();
    return {};
}

Recorder::Sample Recorder::sample(const QString& sampleTime, const QString& dB)
{
    RecordingState& r = recordingState();
    Sample out;
    if (!r.Recording || !scratch_) {
        r.RecordedLines = 0;
        // A waiting recording's lines go into "Fake" as soon as there is
        // room, not only at the next stop; never while a stop copies it.
        if (r.Pending && !r.Stopping && scratch_) scratch_->writeWaiting();
        return out;
    }
    r.RecordedLines += 1;
    out.recorded = true;
    const QByteArray line = DataFile::recordLine(
        r.RecordingComma ? DataFile::Separator::Comma : DataFile::Separator::Tab,
        DataFile::LineForm::Recording, QString::number(r.RecordedLines), sampleTime, dB);
    if (scratch_->add(line)) {
        failureTold_ = false; // room again: a later failure is told anew
    } else if (!failureTold_) {
        failureTold_ = true;
        out.failure = scratch_->reason();
    }
    out.limitReached = r.RecordedLines >= r.RecordLimit;
    return out;
}

std::optional<Recorder::Stopped> Recorder::stop(const Boards& boards,
                                                const std::function<void(long long)>& progress)
{
    RecordingState& r = recordingState();
    if (r.Stopping || (!r.Recording && !r.Pending)) return std::nullopt;
    r.Stopping = true;
    struct Done
    {
        ~Done() { recordingState().Stopping = false; }
    } done;
    Stopped out;
    out.again = r.Pending;
    if (r.Recording) {
        // The sampling ends now, and so do the statistics of the header.
        LiveState& s = liveState();
        DataFile::RealTimeHeader& h = r.PendingHeader;
        h.samplingTime = samplingState().PcSamplingTime;
        h.boardCa = boards.ca;
        h.boardSfi = boards.sfi;
        h.boardLevel = boards.level;
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
    }
    out.records = r.PendingRecords;
    out.target = r.RecordingFileName;

    // Lines still waiting for room get one more try; those left follow the
    // lines of "Fake" into the final file, so it lacks none of them.
    QByteArrayList waiting;
    if (scratch_ && !scratch_->writeWaiting()) {
        waiting = scratch_->waiting();
        out.noRoom = scratch_->reason();
    }
    out.inMemory = waiting.size();
    out.error =
        writeRecordingFile(scratchName(), out.target, r.PendingHeader, waiting, progress).error;
    if (out.error.isEmpty()) {
        r.Pending = false;
        r.PendingRecords = 0;
        r.PendingHeader = {};
        scratch_.reset();
    }
    return out;
}
