#pragma once
// The meter's data logger: the directory of its stored sets ("N"), the
// erase and dump commands, and the logger state the windows share.

#include "meter/core/replyreader.h"
#include "records/core/dumpformat.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>

struct LoggerState
{
    // Start address of set k + 1 of the last directory read, k = 0..256.
    std::array<quint16, 257> SetAddress{};
    // The logger window is loaded (set before the directory is asked for).
    bool MemoryFormOpen = false;
    // Interval character of the last downloaded set.
    QString LoggerInterval;
};

LoggerState& loggerState();

namespace Meter {

// The directory's fixed part: bytes 1..10 name the number of sets.
inline constexpr int DirectoryHead = 10;
// A set's size in the directory is this plus RecordBytes a record.
inline constexpr qint64 SetSizeHead = 341;

// Time limits of the reads: the directory and the dump give up after so
// long without a byte, or when the whole reply is not in within the same
// time plus twice its time on the line.
inline constexpr int DirectoryQuietMs = 2000;
inline constexpr int DumpQuietMs = 5000;

// Records in a set of this size: (size - 341) / 38, truncated; never below 0.
qint64 RecordsInSet(qint64 size);
// Bytes of a directory of n sets.
inline qint64 DirectoryLength(int sets)
{
    return 10 * qint64(sets) + 12;
}

// A memory figure as the logger window shows it: / 1000, one decimal.
QString MemoryFigureText(quint32 figure);

struct DirectoryEntry
{
    quint16 address = 0;
    quint32 size = 0;
    quint32 packed = 0; // PackedDateTime of the set's start
    qint64 records() const { return RecordsInSet(size); }
};

struct LoggerDirectory
{
    quint32 memorySize = 0; // bytes 2..5
    quint32 remained = 0;   // bytes 6..9
    QList<DirectoryEntry> entries;
};

// The reply to "N": its length is known once its first ten bytes are in.
class DirectoryReader : public ReplyReader
{
public:
    // The first ten bytes are in, and where the reply starts: the number of
    // sets is known.
    bool headIn() const { return startKnown() && size() >= DirectoryHead; }
    int sets() const;
    // The memory figures and, once complete, every entry.
    LoggerDirectory directory() const;

protected:
    qint64 sizeOf(QByteArrayView reply) const override;
};

QByteArray DumpCommand(quint16 address);     // "O", lo, hi
QByteArray EraseSetCommand(quint16 address); // "P", lo, hi

} // namespace Meter
