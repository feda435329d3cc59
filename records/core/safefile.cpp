#include "records/core/safefile.h"

#include <QFile>
#include <cerrno>

namespace DataFile {

namespace {

std::optional<qint64> room;

// How much of len the seam lets through.
qint64 allowed(qint64 len)
{
    return room ? std::min(len, std::max<qint64>(*room, 0)) : len;
}

void use(qint64 bytes)
{
    if (room) *room -= bytes;
}

} // namespace

void setRoomLeft(std::optional<qint64> bytes)
{
    room = bytes;
}

QString failureReason(const QFileDevice& file, int error)
{
    const QString qt = file.errorString();
    // Qt's text for a write cut short, or a failure it did not see itself.
    const bool generic = file.error() == QFileDevice::NoError || qt.isEmpty() ||
                         qt == QLatin1String("Unknown error");
    if (generic && error != 0) return qt_error_string(error);
    return qt.isEmpty() ? QStringLiteral("Unknown error") : qt;
}

SafeFile::SafeFile(const QString& path) : file_(path) {}

SafeFile::~SafeFile() = default; // QSaveFile drops a file it did not commit

bool SafeFile::open(OpenMode mode)
{
    errno = 0;
    if (!file_.open(mode)) {
        fail(file_, errno);
        return false;
    }
    return QIODevice::open(mode | Unbuffered);
}

qint64 SafeFile::writeData(const char* data, qint64 len)
{
    if (!failure_.isEmpty()) return -1;
    const qint64 n = allowed(len);
    errno = 0;
    const qint64 written = n > 0 ? file_.write(data, n) : 0;
    const int error = errno;
    if (written != n) {
        fail(file_, error);
        return -1;
    }
    use(n);
    if (n < len) {
        failure_ = qt_error_string(ENOSPC);
        return -1;
    }
    return len;
}

bool SafeFile::commit()
{
    QIODevice::close();
    if (!file_.isOpen()) return false;
    if (failure_.isEmpty()) {
        errno = 0;
        if (!file_.flush()) fail(file_, errno);
    }
    if (!failure_.isEmpty()) {
        file_.cancelWriting();
        file_.commit(); // drops the temporary file, replaces nothing
        return false;
    }
    errno = 0;
    if (file_.commit()) return true;
    fail(file_, errno);
    return false;
}

void SafeFile::fail(const QFileDevice& file, int error)
{
    if (failure_.isEmpty()) failure_ = failureReason(file, error);
}

bool appendWhole(QFile& file, QByteArrayView bytes, QString* reason)
{
    const qint64 before = file.size();
    const qint64 n = allowed(bytes.size());
    errno = 0;
    const qint64 written = n > 0 ? file.write(bytes.data(), n) : 0;
    const int error = errno;
    if (written == bytes.size()) {
        use(written);
        return true;
    }
    if (reason) *reason = written != n ? failureReason(file, error) : qt_error_string(ENOSPC);
    // Take back what went in, so the file never ends in part of the bytes.
    if (written > 0 && !file.resize(before) && reason)
        *reason += QStringLiteral("; the end of the file could not be taken back");
    return false;
}

} // namespace DataFile
