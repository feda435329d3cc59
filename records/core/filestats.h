#pragma once
// Percentile statistics of a record list: the level histograms at 1 dB and
// 0.1 dB, their occupied range and the table of levels Ln(0) to Ln(99).

#include "common/recordlist.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <span>

namespace FileTransfer {

inline constexpr int TopBin1dB = 145;
inline constexpr int TopBin01dB = 1450;

// The bins one level text counts in; -1 for none (a record marked "*").
struct LevelBins
{
    int bin1dB = -1;
    int bin01dB = -1;
};

// First test that holds decides: "*" no bin; "-" anywhere 25 dB; a capital
// "L" or a number of 145 or more 145 dB; otherwise the number's integer part
// and its tenths rounded to the nearest, halves to even.
LevelBins ClassifyLevel(QByteArrayView text);

struct FileCounts
{
    std::array<qint64, TopBin1dB + 1> counts1dB{};
    std::array<qint64, TopBin01dB + 1> counts01dB{};
    qint64 records = 0; // every record, "*" ones included

    void add(QByteArrayView level);
    // Records first to last - 1 (from 0) of rows.
    void add(const RecordRows& rows, qsizetype first, qsizetype last);
};

struct BinRange
{
    int low = 0;
    int high = 0;
};

// Lowest occupied bin counting up from bin 1 (bin 0 is never the low end) and
// highest counting down from the top; none when no bin from 1 up is occupied.
std::optional<BinRange> OccupiedRange(std::span<const qint64> bins);

// Bin k's level: k / 10 with one decimal for tenths bins (653 gives "65.3"),
// k as a whole number otherwise.
QString BinLevelText(int k, bool tenths);

using LnTexts = std::array<QString, 100>;

// Entry 100 - n, for n = 1 to 100, is the first bin upwards whose running
// count exceeds N / 200 + (n - 1) * N / 100; entries no sum exceeds (only
// possible with "*" records, which count in N but in no bin) stay empty.
LnTexts PercentileTable(std::span<const qint64> bins, qint64 records, bool tenths);

// The ten rows of the Ln grid: "L(i0)" then a TAB before each of entries
// 10 i to 10 i + 9.
QStringList LnGridRows(const LnTexts& table);

// What the four resolution buttons take: the bins shown and searched, the X
// label format, and the bins and texts of the Ln table. fileList: the
// logger list window (its "1 dB" table keeps tenths); tenths: "0.1 dB".
struct StatisticsTables
{
    bool plotTenths;
    QString format;
    bool lnTenths;
};
StatisticsTables TablesFor(bool fileList, bool tenths);

} // namespace FileTransfer
