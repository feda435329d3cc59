#include "meter/core/recording.h"

#include "common/progress.h"
#include "records/core/safefile.h"

#include <QFile>
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

    ProgressThrottle throttle;
    while (!scratch.atEnd() && out.failure().isEmpty()) {
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
