#include "records/core/plotscan.h"

#include "records/core/levelnumber.h"

namespace FileTransfer {

PlotScan::PlotScan(qsizetype records)
{
    levels_.reserve(records);
}

void PlotScan::add(QByteArrayView level)
{
    const qint64 r = levels_.size() + 1;
    if (level.contains("--")) {
        levels_.append(PlotUnderRange);
        return;
    }
    const double v = LeadingNumber(level);
    if (level.contains('L') || v >= (inBlock_ ? 145 : 140)) {
        levels_.append(PlotOverRange);
        return;
    }
    const bool paused = level.contains('*');
    if (!inBlock_ && paused) {
        blocks_.append({r, 0});
        inBlock_ = true;
    } else if (inBlock_ && !paused) {
        blocks_.last().end = r;
        inBlock_ = false;
    }
    levels_.append(v);
}

void PlotScan::add(const RecordRows& rows, qsizetype first, qsizetype last)
{
    for (qsizetype k = first; k < last; ++k)
        add(rows.cell(k, 2));
}

} // namespace FileTransfer
