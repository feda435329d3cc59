#pragma once
// The dump of one logger set as it comes from the meter: a fixed head, then
// 38 bytes a record.

#include <QtGlobal>

#include <algorithm>

namespace Meter {

inline constexpr qint64 DumpHead = 359;
inline constexpr qint64 RecordBytes = 38;

// Bytes of the dump of a set of r records.
inline qint64 DumpLength(qint64 records)
{
    return DumpHead + RecordBytes * std::max<qint64>(records, 0);
}

} // namespace Meter
