#pragma once
// The dump of one logger set (the meter's reply to "O"): a 359-byte header
// and 38 bytes a record, decoded into the captions and rows of a set list.
//
// Every field is text, one character a byte. CR, LF, TAB and comma become
// blanks, so a saved set reads back line for line. Record 1 keeps its own
// time; record k is listed with the header's start time plus (k - 1) times
// the interval, computed without any time zone. A set whose interval is no
// digit or whose start is no date and time lists every record with its own
// time instead.

#include "common/recordlist.h"
#include "records/core/datafile.h"

#include <QByteArrayView>
#include <QString>
#include <functional>
#include <optional>

namespace Logger {

struct DecodedSet
{
    // LoggerInterval and the twelve captions, as the set list shows them.
    DataFile::LoggerHeader header;
    // Listed records: 1, 1 + step, 1 + 2 step, ..., numbered 1, 2, 3.
    RecordRows rows;
    // The interval or the start could not be read: every record has its own time.
    bool ownTimes = false;
};

// Called every so many records with the records read so far; false stops
// the decoding (what was decoded is dropped).
using DecodeProgress = std::function<bool(qint64 done, qint64 records)>;

// Decodes a dump of `records` records (dump.size() >= 359 + 38 * records),
// listing every displayStep-th record (displayStep 1..255).
std::optional<DecodedSet> DecodeDump(QByteArrayView dump, qint64 records, int displayStep,
                                     const DecodeProgress& progress = {});

// A date and time of six numbers, year first (2016/03/23 10:00:00), as
// seconds from 0001-01-01 00:00:00 on a calendar without time zones.
std::optional<qint64> ParseDumpTime(QByteArrayView text);
// "yyyy/mm/dd hh:nn:ss" of such seconds.
QByteArray DumpTimeText(qint64 seconds);

// got / expected as the progress texts show it: "0.0" followed by
// "% Completed", never above "100.0".
QString PercentCompleted(qint64 got, qint64 expected);

} // namespace Logger
