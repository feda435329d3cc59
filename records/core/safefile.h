#pragma once
// Files the user named are written whole or not at all. QSaveFile renames
// its temporary file over the target at commit even when its last buffered
// write failed (Qt 6.4), so SafeFile checks every write and the flush before
// it commits, and cancels on any failure: an old file stays as it was, and
// the failure reads in the system's words ("No space left on device").

#include <QByteArrayView>
#include <QIODevice>
#include <QSaveFile>
#include <optional>

class QFile;
class QFileDevice;

namespace DataFile {

class SafeFile : public QIODevice
{
public:
    explicit SafeFile(const QString& path);
    ~SafeFile() override; // a file never committed is dropped

    // Opens the temporary file beside the target; mode must allow writing.
    bool open(OpenMode mode) override;
    // Flushes, checks, and renames over the target. False, with nothing
    // replaced, when the open, a write, the flush or the rename failed.
    bool commit();
    // Why the first failure happened; empty while all went well.
    QString failure() const { return failure_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 len) override;

private:
    void fail(const QFileDevice& file, int error);

    QSaveFile file_;
    QString failure_;
};

// Appends bytes whole or not at all to a file open for appending: a write
// cut short is taken back, so the file ends where it ended before. False,
// with reason set, when the bytes did not go in.
bool appendWhole(QFile& file, QByteArrayView bytes, QString* reason);

// The system's words for what went wrong with file: Qt's text, or the text
// of error (an errno value) where Qt has none of its own.
QString failureReason(const QFileDevice& file, int error);

// Test seam: the bytes our file writes may still put on the disk before
// they fail as on a full disk (nullopt: as the system allows). Writes that
// go in use the room up; bytes taken back give it back.
void setRoomLeft(std::optional<qint64> bytes);

} // namespace DataFile
