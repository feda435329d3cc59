#include "records/core/setdump.h"

#include "records/core/dumpformat.h"

#include <algorithm>
#include <cmath>

namespace Logger {

namespace {

constexpr qint64 ProgressEvery = 16384;

// Days from 1970-01-01 of a date of the proleptic Gregorian calendar.
qint64 daysFromCivil(qint64 y, int m, int d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(qint64 z, qint64& y, int& m, int& d)
{
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

bool leap(qint64 y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(qint64 y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : days[m - 1];
}

char clean(char c)
{
    return c == '\r' || c == '\n' || c == '\t' || c == ',' ? ' ' : c;
}

// Bytes first .. first + count - 1 (1-based) of the header, cleaned.
QString field(QByteArrayView dump, int first, int count)
{
    QByteArray b = dump.sliced(first - 1, count).toByteArray();
    for (char& c : b)
        c = clean(c);
    return QString::fromLatin1(b);
}

// Appends the cleaned bytes to out.
char* putClean(char* out, QByteArrayView bytes)
{
    for (const char c : bytes)
        *out++ = clean(c);
    return out;
}

char* putNumber(char* out, qint64 v)
{
    char tmp[24];
    int n = 0;
    do {
        tmp[n++] = char('0' + v % 10);
        v /= 10;
    } while (v > 0);
    while (n > 0)
        *out++ = tmp[--n];
    return out;
}

char* putTwo(char* out, int v)
{
    *out++ = char('0' + v / 10);
    *out++ = char('0' + v % 10);
    return out;
}

char* putTime(char* out, qint64 seconds)
{
    const qint64 days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    const qint64 inDay = seconds - days * 86400;
    qint64 y;
    int m, d;
    civilFromDays(days, y, m, d);
    char year[24];
    char* e = putNumber(year, y < 0 ? 0 : y);
    for (qsizetype pad = 4 - (e - year); pad > 0; --pad)
        *out++ = '0';
    for (char* p = year; p != e; ++p)
        *out++ = *p;
    *out++ = '/';
    out = putTwo(out, m);
    *out++ = '/';
    out = putTwo(out, d);
    *out++ = ' ';
    out = putTwo(out, int(inDay / 3600));
    *out++ = ':';
    out = putTwo(out, int(inDay / 60 % 60));
    *out++ = ':';
    return putTwo(out, int(inDay % 60));
}

} // namespace

std::optional<qint64> ParseDumpTime(QByteArrayView text)
{
    qint64 v[6];
    int n = 0;
    qsizetype i = 0;
    while (n < 6) {
        while (i < text.size() && !(text[i] >= '0' && text[i] <= '9'))
            ++i;
        if (i >= text.size()) return std::nullopt;
        qint64 x = 0;
        int digits = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
            if (digits >= 4) return std::nullopt;
            x = x * 10 + (text[i] - '0');
        }
        v[n++] = x;
    }
    const qint64 y = v[0];
    const int m = int(v[1]), d = int(v[2]);
    if (y < 1 || m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m) || v[3] > 23 || v[4] > 59 ||
        v[5] > 59)
        return std::nullopt;
    return daysFromCivil(y, m, d) * 86400 + v[3] * 3600 + v[4] * 60 + v[5];
}

QByteArray DumpTimeText(qint64 seconds)
{
    char buf[40];
    return QByteArray(buf, putTime(buf, seconds) - buf);
}

QString PercentCompleted(qint64 got, qint64 expected)
{
    const double percent = expected > 0 ? double(got) / double(expected) * 100.0 : 100.0;
    // One decimal, halves away from zero; anything above 100.0 shows as 100.0.
    const double tenths = std::min(std::floor(percent * 10.0 + 0.5), 1000.0);
    return QString::number(tenths / 10.0, 'f', 1) + QStringLiteral("% Completed");
}

std::optional<DecodedSet> DecodeDump(QByteArrayView dump, qint64 records, int displayStep,
                                     const DecodeProgress& progress)
{
    records = std::max<qint64>(records, 0);
    if (dump.size() < Meter::DumpLength(records)) return std::nullopt;
    const qint64 step = std::clamp(displayStep, 1, 255);

    DecodedSet set;
    DataFile::LoggerHeader& h = set.header;
    h.LoggerInterval = field(dump, 20, 1);
    h.BoardCA = field(dump, 40, 1);
    h.BoardSFI = field(dump, 57, 4);
    h.BoardLevel = field(dump, 77, 6);
    h.BoardMaxdB = field(dump, 145, 6);
    h.BoardMaxTime = field(dump, 155, 19);
    h.BoardLeq = field(dump, 201, 6);
    h.BoardSEL = field(dump, 217, 6);
    h.Board05 = field(dump, 233, 6);
    h.Board10 = field(dump, 249, 6);
    h.Board50 = field(dump, 265, 6);
    h.Board90 = field(dump, 281, 6);
    h.Board95 = field(dump, 297, 6);

    const char intervalChar = dump[19];
    const std::optional<qint64> start = ParseDumpTime(dump.sliced(115, 19));
    const bool digit = intervalChar >= '0' && intervalChar <= '9';
    set.ownTimes = records > 1 && (!digit || !start);
    const qint64 interval = digit ? intervalChar - '0' : 0;

    set.rows.reserve(records > 0 ? 1 + (records - 1) / step : 0, 32);
    char number[24], time[40], level[8];
    qint64 row = 0, next = 0;
    for (qint64 k = 1; k <= records; ++k) {
        if (progress && k % ProgressEvery == 0 && !progress(k, records)) return std::nullopt;
        if (k != 1 && k < next) continue;
        next = k + step;
        ++row;
        const QByteArrayView rec =
            dump.sliced(Meter::DumpHead + Meter::RecordBytes * (k - 1), Meter::RecordBytes);
        const char* numberEnd = putNumber(number, row);
        const char* timeEnd = k == 1 || set.ownTimes ? putClean(time, rec.sliced(12, 19))
                                                     : putTime(time, *start + (k - 1) * interval);
        char* levelEnd = putClean(level, rec.sliced(32, 5));
        if (rec.sliced(4, 7) == QByteArrayView("[pause]")) *levelEnd++ = '*';
        set.rows.append(QByteArrayView(number, numberEnd - number),
                        QByteArrayView(time, timeEnd - time),
                        QByteArrayView(level, levelEnd - level));
    }
    if (progress && records > 0 && !progress(records, records)) return std::nullopt;
    return set;
}

} // namespace Logger
