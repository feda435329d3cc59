#include "meter/core/scratchfile.h"

#include "records/core/safefile.h"

#include <cerrno>

bool ScratchFile::open(const QString& path, const QByteArray& title, QString* reason)
{
    file_.close();
    file_.setFileName(path);
    waiting_.clear();
    reason_.clear();
    // Unbuffered: each line reaches the system when it is written.
    errno = 0;
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Append |
                    QIODevice::Unbuffered)) {
        if (reason) *reason = DataFile::failureReason(file_, errno);
        return false;
    }
    if (!DataFile::appendWhole(file_, title, reason)) {
        file_.close();
        return false;
    }
    return true;
}

bool ScratchFile::add(const QByteArray& line)
{
    waiting_.append(line);
    return writeWaiting();
}

bool ScratchFile::writeWaiting()
{
    if (!file_.isOpen()) {
        if (!waiting_.isEmpty()) reason_ = QStringLiteral("The file is not open");
        return waiting_.isEmpty();
    }
    qsizetype done = 0;
    while (done < waiting_.size() && DataFile::appendWhole(file_, waiting_[done], &reason_))
        ++done;
    waiting_.remove(0, done);
    return waiting_.isEmpty();
}
