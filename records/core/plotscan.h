#pragma once
// The plot of a record list: one value per record and the pause blocks, the
// runs of records marked "*".

#include "common/recordlist.h"

#include <QList>
#include <QVector>

namespace FileTransfer {

inline constexpr double PlotUnderRange = 25;
inline constexpr double PlotOverRange = 145;

struct PauseBlock
{
    qint64 start = 0; // first record of the block, from 1
    qint64 end = 0;   // first record after it; 0 when the list ends inside it
};

class PlotScan
{
public:
    explicit PlotScan(qsizetype records = 0);

    // The next record's level text. "--" draws 25 and leaves the pause state
    // alone; a capital "L", or a number of 140 or more outside a block (145
    // or more inside one), draws 145 and leaves it alone too; any other text
    // draws its number, a "*" starting a block and a record without one
    // ending it.
    void add(QByteArrayView level);
    // Records first to last - 1 (from 0) of rows.
    void add(const RecordRows& rows, qsizetype first, qsizetype last);

    const QVector<double>& levels() const { return levels_; }
    const QList<PauseBlock>& blocks() const { return blocks_; }

private:
    QVector<double> levels_;
    QList<PauseBlock> blocks_;
    bool inBlock_ = false;
};

} // namespace FileTransfer
