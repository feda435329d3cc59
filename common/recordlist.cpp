#include "common/recordlist.h"

#include <limits>
#include <stdexcept>

namespace {

constexpr qsizetype MaxBytes = std::numeric_limits<quint32>::max();

} // namespace

void RecordRows::appendCell(QStringView text)
{
    const qsizetype at = bytes_.size();
    if (at + text.size() > MaxBytes) throw std::length_error("record list full");
    bytes_.resize(at + text.size());
    char* p = bytes_.data() + at;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        *p++ = u < 256 ? char(u) : '?';
    }
    ends_.append(quint32(bytes_.size()));
}

void RecordRows::appendCell(QByteArrayView text)
{
    if (bytes_.size() + text.size() > MaxBytes) throw std::length_error("record list full");
    bytes_.append(text);
    ends_.append(quint32(bytes_.size()));
}

void RecordRows::append(QStringView number, QStringView time, QStringView level)
{
    appendCell(number);
    appendCell(time);
    appendCell(level);
}

void RecordRows::append(QByteArrayView number, QByteArrayView time, QByteArrayView level)
{
    appendCell(number);
    appendCell(time);
    appendCell(level);
}

void RecordRows::reserve(qsizetype records, qsizetype bytesPerRecord)
{
    ends_.reserve(records * Columns);
    bytes_.reserve(std::min(records * bytesPerRecord, MaxBytes));
}

void RecordRows::squeeze()
{
    bytes_.squeeze();
    ends_.squeeze();
}

void RecordRows::clear()
{
    bytes_.clear();
    ends_.clear();
}

qsizetype RecordRows::memoryUsed() const
{
    return bytes_.capacity() + ends_.capacity() * qsizetype(sizeof(quint32));
}

RecordList::RecordList(QObject* parent)
    : QObject(parent), titles_{QStringLiteral("No.s"), QStringLiteral("Date Time"),
                               QStringLiteral("dB")}
{
}

void RecordList::setTitle(int col, const QString& title)
{
    if (col < 0 || col >= Columns || titles_[col] == title) return;
    titles_[col] = title;
    ++version_;
    emit titleChanged(col);
}

QString RecordList::text(qsizetype row, int col) const
{
    if (col < 0 || col >= Columns || row < 0 || row > count()) return QString();
    if (row == 0) return titles_[col];
    return rows_.text(row - 1, col);
}

void RecordList::append(QStringView number, QStringView time, QStringView level)
{
    rows_.append(number, time, level);
    ++version_;
    emit rowsAppended(rows() - 1, rows() - 1);
}

void RecordList::append(RecordRows&& more)
{
    if (more.isEmpty()) return;
    if (rows_.isEmpty()) {
        take(std::move(more));
        return;
    }
    const qsizetype first = rows();
    for (qsizetype k = 0; k < more.size(); ++k)
        rows_.append(more.cell(k, 0), more.cell(k, 1), more.cell(k, 2));
    more.clear();
    ++version_;
    emit rowsAppended(first, rows() - 1);
}

void RecordList::take(RecordRows&& rows)
{
    rows_ = std::move(rows);
    rows = RecordRows();
    ++version_;
    emit rowsReset();
}

void RecordList::cut()
{
    rows_.clear();
    ++version_;
    emit rowsReset();
}
