#include "meter/core/meterclock.h"

#include "meter/core/protocol.h"

#include <QDate>
#include <QTime>

namespace Meter {

namespace {

char toBcd(int v)
{
    return char((v / 10 % 10) << 4 | (v % 10));
}

} // namespace

std::optional<ClockBytes> ClockReply(QByteArrayView reply)
{
    ReplyReader reader(ClockBytes().size());
    reader.feed(reply);
    return ClockReply(reader);
}

std::optional<ClockBytes> ClockReply(ReplyReader& reader)
{
    reader.settle();
    if (!reader.complete()) return std::nullopt;
    ClockBytes c{};
    for (size_t i = 0; i < c.size(); ++i)
        c[i] = quint8(reader.reply()[qsizetype(i)]);
    return c;
}

QString ClockCaption(const ClockBytes& c)
{
    auto d = [&c](int byte) {
        return QStringLiteral("%1").arg(c[size_t(byte - 1)], 2, 16, QLatin1Char('0')).toUpper();
    };
    return QStringLiteral("20") + d(6) + '/' + d(5) + '/' + d(4) + ' ' + d(3) + ':' + d(2) + ':' +
           d(1);
}

QByteArray SetClockCommand(const QDateTime& now)
{
    const QDate date = now.date();
    const QTime time = now.time();
    QByteArray c(7, '\0');
    c[0] = CmdSetClock;
    c[1] = toBcd(time.second());
    c[2] = toBcd(time.minute());
    c[3] = toBcd(time.hour());
    c[4] = toBcd(date.day());
    c[5] = toBcd(date.month());
    c[6] = toBcd(date.year() % 100);
    return c;
}

} // namespace Meter
