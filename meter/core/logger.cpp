#include "meter/core/logger.h"

#include "meter/core/protocol.h"

#include <cmath>

LoggerState& loggerState()
{
    static LoggerState s;
    return s;
}

namespace Meter {

qint64 RecordsInSet(qint64 size)
{
    // Whole records only; a size below the header holds none.
    return size <= SetSizeHead ? 0 : (size - SetSizeHead) / RecordBytes;
}

QString MemoryFigureText(quint32 figure)
{
    // Rounded half away from zero: 65536 is shown as 65.5.
    const double tenths = std::floor(double(figure) / 100.0 + 0.5);
    return QString::number(tenths / 10.0, 'f', 1);
}

namespace {

quint32 le32(QByteArrayView b, qsizetype at)
{
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 |
           quint32(quint8(b[at + 2])) << 16 | quint32(quint8(b[at + 3])) << 24;
}

quint16 le16(QByteArrayView b, qsizetype at)
{
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

} // namespace

qint64 DirectoryReader::sizeOf(QByteArrayView reply) const
{
    return reply.size() < DirectoryHead ? -1 : DirectoryLength(quint8(reply[DirectoryHead - 1]));
}

int DirectoryReader::sets() const
{
    return headIn() ? quint8(bytes()[DirectoryHead - 1]) : 0;
}

LoggerDirectory DirectoryReader::directory() const
{
    LoggerDirectory d;
    const QByteArrayView b = reply();
    if (b.size() < DirectoryHead) return d;
    d.memorySize = le32(b, 1);
    d.remained = le32(b, 5);
    if (!complete()) return d;
    const int n = sets();
    d.entries.reserve(n);
    for (int k = 0; k < n; ++k) {
        const qsizetype e = 11 + 10 * k;
        DirectoryEntry entry;
        entry.address = le16(b, e);
        entry.size = le32(b, e + 2);
        entry.packed = quint32(le16(b, e + 6)) << 16 | le16(b, e + 8);
        d.entries.append(entry);
    }
    return d;
}

QByteArray DumpCommand(quint16 address)
{
    QByteArray c(3, '\0');
    c[0] = CmdDump;
    c[1] = char(address & 0xFF);
    c[2] = char(address >> 8);
    return c;
}

QByteArray EraseSetCommand(quint16 address)
{
    QByteArray c = DumpCommand(address);
    c[0] = CmdEraseSet;
    return c;
}

} // namespace Meter
