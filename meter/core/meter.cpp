#include "meter/core/meter.h"

#include "common/clock.h"

#include <algorithm>

namespace Meter {

State& state()
{
    static State s;
    return s;
}

void DecodeRange(uint8_t rangeByte)
{
    static constexpr int lows[] = {80, 70, 60, 50, 40, 30};
    State& s = state();
    s.OverFlag = (rangeByte & 0x80) != 0;
    const int code = rangeByte % 8;
    if (code <= 5) {
        s.RangeLow = lows[code];
        s.RangeHigh = lows[code] + 60;
    }
}

void DecodeMode(uint8_t modeByte)
{
    static const char* const times[] = {"FAST", "SLOW", "IMP", ""};
    static const char* const freqs[] = {"A", "C", "Z", "AA"};
    State& s = state();
    s.TimeWeighting = QString::fromLatin1(times[modeByte & 0x03]);
    s.RunFlag = (modeByte & 0x04) != 0;
    s.PauseFlag = (modeByte & 0x08) != 0;
    s.StopFlag = (modeByte & 0x10) != 0;
    s.FreqWeighting = QString::fromLatin1(freqs[(modeByte >> 5) & 0x03]);
    s.UnderFlag = (modeByte & 0x80) != 0;
}

QString TenthsText(uint32_t tenths)
{
    const QString d = QString::number(tenths);
    return d.left(d.size() - 1) + QLatin1Char('.') + d.right(1);
}

void DecodeLevel(uint8_t high, uint8_t low)
{
    State& s = state();
    uint32_t v = uint32_t(high) * 256 + low;
    const bool marked = v >= 32768;
    if (marked) v -= 32768;
    s.RecordLevel = v / 10.0;
    s.LevelText = TenthsText(v);
    if (marked) s.LevelText += QLatin1Char('*');
    s.DecodedNs = Clock::current().elapsedNs();
}

uint32_t ShiftBits(uint32_t& v, bool left, int count)
{
    for (int i = 0; i <= count; ++i)
        v = left ? v * 2 : v / 2;
    return v;
}

QString DecodeDateTime(uint32_t packed)
{
    uint32_t v = packed;
    auto two = [](uint32_t x) { return QStringLiteral("%1").arg(x, 2, 10, QLatin1Char('0')); };
    const QString seconds = two((v % 32) * 2);
    ShiftBits(v, false, 4);
    const QString minutes = two(v % 64);
    ShiftBits(v, false, 5);
    const QString hours = two(v % 32);
    ShiftBits(v, false, 4);
    const QString day = two(v % 32);
    ShiftBits(v, false, 4);
    const QString month = two(v % 16);
    ShiftBits(v, false, 3);
    const QString year = QStringLiteral("%1").arg(1980 + v, 4, 10, QLatin1Char('0'));
    return year + '/' + month + '/' + day + "  " + hours + ':' + minutes + ':' + seconds;
}

QString CutField(const QByteArray& reply, int start, int count)
{
    const qsizetype first = std::max<qsizetype>(start, 1);
    const qsizetype last = std::min<qsizetype>(qsizetype(start) + count - 1, reply.size());
    if (last < first) return {};
    return QString::fromLatin1(reply.mid(first - 1, last - first + 1));
}

} // namespace Meter
