#include "records/core/filestats.h"

#include "records/core/levelnumber.h"

#include <cmath>

namespace FileTransfer {

namespace {

// Nearest whole number, an exact half to the even neighbour.
double roundHalfEven(double x)
{
    double r = std::floor(x + 0.5);
    if (r - x == 0.5 && std::fmod(r, 2.0) != 0) r -= 1;
    return r;
}

} // namespace

LevelBins ClassifyLevel(QByteArrayView text)
{
    if (text.contains('*')) return {};
    if (text.contains('-')) return {25, 250};
    if (text.contains('L')) return {TopBin1dB, TopBin01dB};
    const double v = LeadingNumber(text);
    // No "-" in the text, so v is 0 or more.
    if (v >= 145) return {TopBin1dB, TopBin01dB};
    return {int(v), int(roundHalfEven(v * 10))};
}

void FileCounts::add(QByteArrayView level)
{
    ++records;
    const LevelBins b = ClassifyLevel(level);
    if (b.bin1dB < 0) return;
    ++counts1dB[b.bin1dB];
    ++counts01dB[b.bin01dB];
}

void FileCounts::add(const RecordRows& rows, qsizetype first, qsizetype last)
{
    for (qsizetype k = first; k < last; ++k)
        add(rows.cell(k, 2));
}

std::optional<BinRange> OccupiedRange(std::span<const qint64> bins)
{
    const int top = int(bins.size()) - 1;
    BinRange r;
    for (r.low = 1; r.low <= top && bins[r.low] == 0; ++r.low) {
    }
    if (r.low > top) return std::nullopt;
    for (r.high = top; bins[r.high] == 0; --r.high) {
    }
    return r;
}

QString BinLevelText(int k, bool tenths)
{
    if (!tenths) return QString::number(k);
    return QString::number(k / 10) + QLatin1Char('.') + QString::number(k % 10);
}

LnTexts PercentileTable(std::span<const qint64> bins, qint64 records, bool tenths)
{
    LnTexts table;
    const double N = double(records);
    for (int n = 1; n <= 100; ++n) {
        // In this order, so that a threshold that is a whole number comes
        // out exactly whole and a sum equal to it does not yet qualify.
        const double T = N / 200 + double(n - 1) * N / 100;
        qint64 sum = 0;
        for (size_t k = 0; k < bins.size(); ++k) {
            sum += bins[k];
            if (double(sum) > T) {
                table[100 - n] = BinLevelText(int(k), tenths);
                break;
            }
        }
    }
    return table;
}

QStringList LnGridRows(const LnTexts& table)
{
    QStringList rows;
    for (int i = 0; i <= 9; ++i) {
        QString row = QStringLiteral("L(%1").arg(i) + QStringLiteral("0)");
        for (int j = 0; j <= 9; ++j)
            row += QLatin1Char('\t') + table[10 * i + j];
        rows.append(row);
    }
    return rows;
}

StatisticsTables TablesFor(bool fileList, bool tenths)
{
    return {tenths, tenths ? QStringLiteral("*0.1") : QStringLiteral("0"), tenths || fileList};
}

} // namespace FileTransfer
